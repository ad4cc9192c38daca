// The Linux side of the browser launch: finding the registered http handler the way the
// desktop does, and starting it with a URL that must never reach a command interpreter.

#include "util/Platform.h"
#include "util/UUtils.h"
#include "util/platform/XdgBrowser.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora::util;

namespace {

void writeFile(const QString& path, const QByteArray& content, bool executable = false) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

QByteArray desktopEntry(const QByteArray& exec, const QByteArray& extra = {}) {
    return "[Desktop Entry]\nType=Application\nName=Test\nExec=" + exec + "\n" + extra;
}

using Files = QList<QPair<QString, QByteArray>>;

} // namespace

class TestBrowserLaunch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lookup_data();
    void lookup();
    void launchPassesTheUrlAsOneArgumentWithoutAShell();

private:
    QProcessEnvironment environmentFor(const QTemporaryDir& dir) const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), dir.filePath(QStringLiteral("etc-xdg")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), dir.filePath(QStringLiteral("usr-share")));
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("Test:Other"));
        return env;
    }
};

void TestBrowserLaunch::lookup_data() {
    // Each file is "relative path" -> content; the expected program follows.
    QTest::addColumn<Files>("files");
    QTest::addColumn<QByteArray>("program");
    const QByteArray defaults = "[Default Applications]\nx-scheme-handler/http=web.desktop;\n";
    const QByteArray webEntry = desktopEntry("/opt/web/bin/web --private %u");

    QTest::newRow("nothing registered") << Files{} << QByteArray();
    QTest::newRow("user default") << Files{{"config/mimeapps.list", defaults},
                                           {"data/applications/web.desktop", webEntry}}
                                  << QByteArray("/opt/web/bin/web");
    QTest::newRow("system default, system entry")
        << Files{{"etc-xdg/mimeapps.list", defaults}, {"usr-share/applications/web.desktop", webEntry}}
        << QByteArray("/opt/web/bin/web");
    QTest::newRow("desktop-specific list comes first")
        << Files{{"config/test-mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/http=other.desktop\n"},
                 {"config/mimeapps.list", defaults},
                 {"data/applications/web.desktop", webEntry},
                 {"data/applications/other.desktop", desktopEntry("other %U")}}
        << QByteArray("other");
    QTest::newRow("missing entry falls through to the next one")
        << Files{{"config/mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/http=gone.desktop;web.desktop\n"},
                 {"data/applications/web.desktop", webEntry}}
        << QByteArray("/opt/web/bin/web");
    QTest::newRow("hidden entry is skipped")
        << Files{{"config/mimeapps.list", defaults},
                 {"data/applications/web.desktop", desktopEntry("web", "Hidden=true\n")}}
        << QByteArray();
    QTest::newRow("added association")
        << Files{{"config/mimeapps.list", "[Added Associations]\nx-scheme-handler/http=web.desktop;\n"},
                 {"data/applications/web.desktop", webEntry}}
        << QByteArray("/opt/web/bin/web");
    QTest::newRow("mimeinfo cache") << Files{{"usr-share/applications/mimeinfo.cache",
                                              "[MIME Cache]\nx-scheme-handler/http=web.desktop;\n"},
                                             {"usr-share/applications/web.desktop", webEntry}}
                                    << QByteArray("/opt/web/bin/web");
    QTest::newRow("vendor prefix as sub-directory")
        << Files{{"config/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=acme-web.desktop\n"},
                 {"data/applications/acme/web.desktop", webEntry}}
        << QByteArray("/opt/web/bin/web");
    QTest::newRow("other scheme only")
        << Files{{"config/mimeapps.list", "[Default Applications]\nx-scheme-handler/https=web.desktop\n"},
                 {"data/applications/web.desktop", webEntry}}
        << QByteArray();
}

void TestBrowserLaunch::lookup() {
    QFETCH(Files, files);
    QFETCH(QByteArray, program);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const auto& [path, content] : files)
        writeFile(dir.filePath(path), content);
    QCOMPARE(FindXdgHttpHandlerProgram(environmentFor(dir)), program);
}

void TestBrowserLaunch::launchPassesTheUrlAsOneArgumentWithoutAShell() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString argsFile = dir.filePath(QStringLiteral("args"));
    const QString browser = dir.filePath(QStringLiteral("bin dir/fake browser"));
    // The fake browser records its arguments, NUL-terminated, then renames the file into
    // place so the test never reads half of it.
    writeFile(browser,
              "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" + argsFile.toLocal8Bit() + ".part'\nmv '" +
                  argsFile.toLocal8Bit() + ".part' '" + argsFile.toLocal8Bit() + "'\n",
              true);
    writeFile(dir.filePath(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/http=fake.desktop\n");
    writeFile(dir.filePath(QStringLiteral("data/applications/fake.desktop")),
              desktopEntry("\"" + browser.toLocal8Bit() + "\" %u"));

    const QByteArray marker = dir.filePath(QStringLiteral("pwned")).toLocal8Bit();
    const QByteArray url = "http://x.example/a b?q=\"quoted\"&r='single';touch " + marker + "1|touch " +
                           marker + "2 $(touch " + marker + "3) `touch " + marker + "4` && touch " + marker +
                           "5 %1 %u";

    const QProcessEnvironment saved = QProcessEnvironment::systemEnvironment();
    const QProcessEnvironment env = environmentFor(dir);
    for (const QString& key : env.keys())
        qputenv(key.toLocal8Bit().constData(), env.value(key).toLocal8Bit());
    const bool started = OpenUrlInBrowser(url, SystemPlatform());
    for (const QString& key : env.keys()) {
        if (saved.contains(key))
            qputenv(key.toLocal8Bit().constData(), saved.value(key).toLocal8Bit());
        else
            qunsetenv(key.toLocal8Bit().constData());
    }
    QVERIFY(started);

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(argsFile), 10000);
    QFile recorded(argsFile);
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    QCOMPARE(recorded.readAll(), url + '\0');
    for (int i = 1; i <= 5; ++i)
        QVERIFY2(!QFile::exists(QString::fromLocal8Bit(marker) + QString::number(i)),
                 "a shell ran part of the URL");
}

QTEST_GUILESS_MAIN(TestBrowserLaunch)
#include "tst_BrowserLaunch.moc"
