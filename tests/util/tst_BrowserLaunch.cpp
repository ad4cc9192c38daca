// The Linux side of the browser launch: finding the registered http handler the way the
// desktop does, and starting it with a URL that must never reach a command interpreter.

#include "util/BrowserLaunch.h"
#include "util/Platform.h"
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

const QByteArray kUrl = "http://x.example/page";

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
    // Each file is "relative path" -> content; the expected command line for one URL follows
    // (empty: no browser found).
    QTest::addColumn<Files>("files");
    QTest::addColumn<QList<QByteArray>>("commandLine");
    const QByteArray defaults = "[Default Applications]\nx-scheme-handler/http=web.desktop;\n";
    const QByteArray webEntry = desktopEntry("/opt/web/bin/web --private %u");
    const QList<QByteArray> web{"/opt/web/bin/web", "--private", kUrl};

    QTest::newRow("nothing registered") << Files{} << QList<QByteArray>{};
    QTest::newRow("user default") << Files{{"config/mimeapps.list", defaults},
                                           {"data/applications/web.desktop", webEntry}}
                                  << web;
    QTest::newRow("system default, system entry")
        << Files{{"etc-xdg/mimeapps.list", defaults}, {"usr-share/applications/web.desktop", webEntry}}
        << web;
    QTest::newRow("desktop-specific list comes first")
        << Files{{"config/test-mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/http=other.desktop\n"},
                 {"config/mimeapps.list", defaults},
                 {"data/applications/web.desktop", webEntry},
                 {"data/applications/other.desktop", desktopEntry("other %U")}}
        << QList<QByteArray>{"other", kUrl};
    QTest::newRow("missing entry falls through to the next one")
        << Files{{"config/mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/http=gone.desktop;web.desktop\n"},
                 {"data/applications/web.desktop", webEntry}}
        << web;
    QTest::newRow("malformed Exec falls through to the next entry")
        << Files{{"config/mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/http=bad.desktop;web.desktop\n"},
                 {"data/applications/bad.desktop", desktopEntry("\"bad %u")},
                 {"data/applications/web.desktop", webEntry}}
        << web;
    QTest::newRow("hidden entry is skipped")
        << Files{{"config/mimeapps.list", defaults},
                 {"data/applications/web.desktop", desktopEntry("web", "Hidden=true\n")}}
        << QList<QByteArray>{};
    QTest::newRow("added association")
        << Files{{"config/mimeapps.list", "[Added Associations]\nx-scheme-handler/http=web.desktop;\n"},
                 {"data/applications/web.desktop", webEntry}}
        << web;
    QTest::newRow("mimeinfo cache") << Files{{"usr-share/applications/mimeinfo.cache",
                                              "[MIME Cache]\nx-scheme-handler/http=web.desktop;\n"},
                                             {"usr-share/applications/web.desktop", webEntry}}
                                    << web;
    QTest::newRow("vendor prefix as sub-directory")
        << Files{{"config/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=acme-web.desktop\n"},
                 {"data/applications/acme/web.desktop", webEntry}}
        << web;
    QTest::newRow("other scheme only")
        << Files{{"config/mimeapps.list", "[Default Applications]\nx-scheme-handler/https=web.desktop\n"},
                 {"data/applications/web.desktop", webEntry}}
        << QList<QByteArray>{};
    // The entry format's own escapes come off before the quoting rules: four backslashes in
    // the file are one in the argument, "\\$" a dollar sign; "\s" is a blank, so it parts words.
    QTest::newRow("string escapes, then quoting")
        << Files{{"config/mimeapps.list", defaults},
                 {"data/applications/web.desktop",
                  desktopEntry(R"(web "C:\\\\dir" "\\$HOME" a\sb %i %c %u)", "Icon=web\\sicon\n")}}
        << QList<QByteArray>{"web", R"(C:\dir)", "$HOME", "a", "b", "--icon", "web icon", "Test", kUrl};
}

void TestBrowserLaunch::lookup() {
    QFETCH(Files, files);
    QFETCH(QList<QByteArray>, commandLine);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const auto& [path, content] : files)
        writeFile(dir.filePath(path), content);
    const std::optional<BrowserCommand> command = FindXdgHttpHandler(environmentFor(dir));
    QCOMPARE(command.has_value(), !commandLine.isEmpty());
    if (!command)
        return;
    const std::optional<CommandLine> line = ExpandBrowserCommand(*command, kUrl);
    QVERIFY(line);
    QCOMPARE(line->program, commandLine.front());
    QCOMPARE(line->arguments, commandLine.sliced(1));
}

void TestBrowserLaunch::launchPassesTheUrlAsOneArgumentWithoutAShell() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray argsFile = QFile::encodeName(dir.filePath(QStringLiteral("args")));
    const QString browser = dir.filePath(QStringLiteral("bin dir/fake browser"));
    // The fake browser records the variable that env set and its arguments, NUL-terminated,
    // then renames the file into place so the test never reads half of it.
    writeFile(browser,
              "#!/bin/sh\nprintf '%s\\0' \"$VELMORA_TEST_VAR\" \"$@\" > '" + argsFile + ".part'\nmv '" +
                  argsFile + ".part' '" + argsFile + "'\n",
              true);
    writeFile(dir.filePath(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/http=fake.desktop;gone.desktop\n");
    writeFile(dir.filePath(QStringLiteral("data/applications/fake.desktop")),
              desktopEntry("env VELMORA_TEST_VAR=set \"" + QFile::encodeName(browser) + "\" --new-tab %u"));

    const QByteArray marker = QFile::encodeName(dir.filePath(QStringLiteral("pwned")));
    const QByteArray url = "http://x.example/a b?q=\"quoted\"&r='single';touch " + marker + "1|touch " +
                           marker + "2 $(touch " + marker + "3) `touch " + marker + "4` && touch " + marker +
                           "5 %1 %u";
    const QProcessEnvironment env = environmentFor(dir);
    const auto launch = [&env](const QByteArray& link, bool* started) {
        const QProcessEnvironment saved = QProcessEnvironment::systemEnvironment();
        for (const QString& key : env.keys())
            qputenv(key.toLocal8Bit().constData(), env.value(key).toLocal8Bit());
        const bool registered = OpenUrlInBrowser(link, SystemPlatform(), started);
        for (const QString& key : env.keys()) {
            if (saved.contains(key))
                qputenv(key.toLocal8Bit().constData(), saved.value(key).toLocal8Bit());
            else
                qunsetenv(key.toLocal8Bit().constData());
        }
        return registered;
    };
    const auto recorded = [&argsFile] {
        QFile file(QFile::decodeName(argsFile));
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
        file.remove();
        return bytes;
    };

    bool started = false;
    QVERIFY(launch(url, &started));
    QVERIFY(started);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QFile::decodeName(argsFile)), 10000);
    QCOMPARE(recorded(), "set\0--new-tab\0"_qba + url + '\0');
    for (int i = 1; i <= 5; ++i)
        QVERIFY2(!QFile::exists(QFile::decodeName(marker) + QString::number(i)),
                 "a shell ran part of the URL");

    // Without a URL the browser gets no argument for it, not an empty one.
    QVERIFY(launch({}, &started));
    QVERIFY(started);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QFile::decodeName(argsFile)), 10000);
    QCOMPARE(recorded(), "set\0--new-tab\0"_qba);

    // A registered browser that is not there: registered, but not started.
    writeFile(dir.filePath(QStringLiteral("data/applications/fake.desktop")),
              desktopEntry('"' + QFile::encodeName(dir.filePath(QStringLiteral("no such browser"))) + '"'));
    QVERIFY(launch(url, &started));
    QVERIFY(!started);
}

QTEST_GUILESS_MAIN(TestBrowserLaunch)
#include "tst_BrowserLaunch.moc"
