// The settings file on disk: read and rewritten in memory only, refused files left alone,
// errors carrying the program's messages, and reading before the application object exists.

#include "brand/SettingsFile.h"
#include "brand/StartupSettings.h"
#include "util/FileEncryption.h"

#include "BrandedFolder.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora::app;
using velmora::testing::EncryptedSettings;
using velmora::testing::Flipped;
using velmora::testing::readFileOrMarker;
using velmora::testing::writeFileForTest;

namespace {

const QByteArray Plain("<%%ApplicationName%%>Acme<%%/ApplicationName%%>\n"
                       "<%%LastNewsId%%>5<%%/LastNewsId%%>\n"
                       "<%%AboutText%%>About<%%/AboutText%%>");

// What main() finds before the application object is made.
struct BeforeApplication {
    bool welcomeRead = false;
    QString executableDir;
};

BeforeApplication ReadBeforeApplication(const char* argv0) {
    BeforeApplication before;
    before.executableDir = ExecutableDirBeforeApplication(argv0);
    QTemporaryDir dir;
    QFile out(SettingsFilePath(dir.path()));
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(EncryptedSettings(Plain + "<%%Welcome1%%>Hi<%%/Welcome1%%>")) < 0)
        return before;
    out.close();
    const StartupSettings startup = ReadStartupSettings(dir.path());
    before.welcomeRead =
        startup.hasWelcomePage && startup.settings.state == SettingsState::Read && !startup.error;
    return before;
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

public:
    explicit TestSettingsFile(BeforeApplication before) : m_before(std::move(before)) {}

private:
    BeforeApplication m_before;
    QTemporaryDir* m_dir = nullptr;
    QString file() const { return SettingsFilePath(m_dir->path()); }
    QStringList entries() const {
        return QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }

private slots:
    void init() { m_dir = new QTemporaryDir; }
    void cleanup() { delete m_dir; }

    void readsBeforeTheApplicationExists() {
        QVERIFY(m_before.welcomeRead);
        QCOMPARE(m_before.executableDir, QCoreApplication::applicationDirPath());
    }

    void startupSettings_data() {
        QTest::addColumn<QByteArray>("contents"); // empty: no file
        QTest::addColumn<bool>("welcome");
        const QByteArray welcome("<%%Welcome1%%>Hi<%%/Welcome1%%>");
        QTest::newRow("no file") << QByteArray() << false;
        QTest::newRow("welcome page") << EncryptedSettings(Plain + welcome) << true;
        QTest::newRow("empty welcome item")
            << EncryptedSettings(Plain + "<%%Welcome1%%><%%/Welcome1%%>") << false;
        QTest::newRow("welcome before an earlier item") << EncryptedSettings(welcome + Plain) << false;
        QTest::newRow("refused") << Flipped(EncryptedSettings(Plain + welcome), 12) << false;
    }

    void startupSettings() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, welcome);
        if (!contents.isEmpty())
            writeFileForTest(file(), contents);
        const StartupSettings startup = ReadStartupSettings(m_dir->path());
        QCOMPARE(startup.hasWelcomePage, welcome);
        QVERIFY(!startup.error);
        startup.rethrowError();
    }

    void startupKeepsTheFileError() {
        QVERIFY(QDir(m_dir->path()).mkdir(QLatin1StringView(SettingsFileName)));
        const StartupSettings startup = ReadStartupSettings(m_dir->path());
        QVERIFY(!startup.hasWelcomePage);
        QVERIFY_THROWS_EXCEPTION(velmora::util::FileOpenError, startup.rethrowError());
    }

    void noSettingsFile() {
        QCOMPARE(ReadSettingsText(file()).state, SettingsState::Absent);
        QCOMPARE(ReadLastNewsId(file()), QByteArray());
        WriteLastNewsId(file(), "9");
        QVERIFY(entries().isEmpty());
    }

    // Each file is read, asked for its id and written to; nothing but the settings file ever
    // appears in the folder, and a refused file keeps every byte.
    void files_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("intact");
        const QByteArray good = EncryptedSettings(Plain);
        QTest::newRow("intact") << good << true;
        QTest::newRow("password check fails") << Flipped(good, 8) << false;
        QTest::newRow("text damaged") << Flipped(good, 12) << false;
        QTest::newRow("code damaged") << Flipped(good, good.size() - 1) << false;
        QTest::newRow("truncated") << good.left(good.size() - 1) << false;
        QTest::newRow("shorter than a header") << good.left(9) << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void files() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, intact);
        writeFileForTest(file(), contents);

        const SettingsText settings = ReadSettingsText(file());
        QCOMPARE(settings.state, intact ? SettingsState::Read : SettingsState::Refused);
        QCOMPARE(settings.text, intact ? QByteArray("<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
                                                    "<%%LastNewsId%%>5<%%/LastNewsId%%>\r\n"
                                                    "<%%AboutText%%>About<%%/AboutText%%>\r\n")
                                       : QByteArray());
        QCOMPARE(ReadLastNewsId(file()), intact ? QByteArray("5") : QByteArray());

        if (intact) {
            WriteLastNewsId(file(), "9");
            QCOMPARE(ReadLastNewsId(file()), QByteArray("9"));
            QVERIFY(ReadSettingsText(file()).text.endsWith("<%%AboutText%%>About<%%/AboutText%%>\r\n"));
        } else {
            QVERIFY_THROWS_EXCEPTION(SettingsRefusedError, WriteLastNewsId(file(), "9"));
            QCOMPARE(readFileOrMarker(file()), contents);
        }
        QCOMPARE(entries(), QStringList{QStringLiteral("dbsettings.dat")});
    }

    void refusalSaysWhatHappened() {
        writeFileForTest(file(), Flipped(EncryptedSettings(Plain), 12));
        try {
            WriteLastNewsId(file(), "9");
            QFAIL("no error");
        } catch (const SettingsRefusedError& error) {
            QVERIFY2(error.message().contains(QDir::toNativeSeparators(file())), qPrintable(error.message()));
            QVERIFY(error.message().contains(QStringLiteral("left unchanged")));
        }
    }

    // The new file takes the old one's place in one step: a reader that had the old file open
    // still reads all of the old bytes, which a rewrite in place would have cut short.
    void writeReplacesTheFileWhole() {
        const QByteArray old = EncryptedSettings(Plain);
        writeFileForTest(file(), old);
        QFile before(file());
        QVERIFY(before.open(QIODevice::ReadOnly));
        WriteLastNewsId(file(), "123456789");
        QCOMPARE(before.readAll(), old);
        QCOMPARE(ReadLastNewsId(file()), QByteArray("123456789"));
    }

    void fileThatCannotBeOpened() {
        QVERIFY(QDir(m_dir->path()).mkdir(QLatin1StringView(SettingsFileName)));
        const QString expected =
            QStringLiteral("Cannot open file \"%1\". ").arg(QDir::toNativeSeparators(file()));
        for (int attempt = 0; attempt < 3; ++attempt) {
            try {
                if (attempt == 0)
                    ReadSettingsText(file());
                else if (attempt == 1)
                    ReadLastNewsId(file());
                else
                    WriteLastNewsId(file(), "9");
                QFAIL("no error");
            } catch (const velmora::util::FileOpenError& error) {
                QVERIFY2(error.message().startsWith(expected), qPrintable(error.message()));
            }
        }
    }
};

int main(int argc, char** argv) {
    BeforeApplication before = ReadBeforeApplication(argv[0]);
    QCoreApplication application(argc, argv);
    TestSettingsFile test(std::move(before));
    return QTest::qExec(&test, argc, argv);
}

#include "tst_SettingsFile.moc"
