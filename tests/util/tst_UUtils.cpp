#include "util/UUtils.h"

#include "util/Platform.h"

#include <QTest>

using namespace velmora::util;

namespace {

class RecordingPlatform : public Platform {
public:
    QByteArray program;
    QList<QPair<QString, QList<QString>>> started;

    QByteArray registeredBrowserProgram() override { return program; }
    bool startDetached(const QString& p, const QList<QString>& arguments, QString*) override {
        started.append({p, arguments});
        return true;
    }
    bool openWithShell(const QByteArray&) override { return true; }
};

} // namespace

class TestUUtils : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitAtChar_data();
    void splitAtChar();
    void decodeDollarEscapes_data();
    void decodeDollarEscapes();
    void cutWindowsBrowserCommand_data();
    void cutWindowsBrowserCommand();
    void programOfDesktopExec_data();
    void programOfDesktopExec();
    void openUrlInBrowser_data();
    void openUrlInBrowser();
};

void TestUUtils::splitAtChar_data() {
    QTest::addColumn<char>("separator");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<QByteArray>>("fields");
    using L = QList<QByteArray>;
    QTest::newRow("a^b") << '^' << QByteArray("a^b") << L{"a", "b"};
    QTest::newRow("a^^b") << '^' << QByteArray("a^^b") << L{"a", "", "b"};
    QTest::newRow("^a") << '^' << QByteArray("^a") << L{"", "a"};
    QTest::newRow("a^") << '^' << QByteArray("a^") << L{"a"};
    QTest::newRow("a^b^") << '^' << QByteArray("a^b^") << L{"a", "b"};
    QTest::newRow("empty") << '^' << QByteArray() << L{};
    QTest::newRow("only separators") << '^' << QByteArray("^^") << L{"", ""};
    QTest::newRow("no separator") << '^' << QByteArray("abc") << L{"abc"};
    QTest::newRow("byte 0xAF") << char(0xAF)
                               << QByteArray("1^t\xaf"
                                             "2^u\xaf")
                               << L{"1^t", "2^u"};
    QTest::newRow("CR LF kept") << '^' << QByteArray("a\r\n^b") << L{"a\r\n", "b"};
}

void TestUUtils::splitAtChar() {
    QFETCH(char, separator);
    QFETCH(QByteArray, text);
    QFETCH(QList<QByteArray>, fields);
    QList<QByteArray> list{"left over"};
    SplitAtChar(separator, text, list);
    QCOMPARE(list, fields);
}

void TestUUtils::decodeDollarEscapes_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("decoded");
    QTest::newRow("$41$42C") << QByteArray("$41$42C") << QByteArray("ABC");
    QTest::newRow("100$25") << QByteArray("100$25") << QByteArray("100%");
    QTest::newRow("$4 at the end") << QByteArray("$4") << QByteArray("\x04");
    QTest::newRow("x$") << QByteArray("x$") << QByteArray();
    QTest::newRow("$G1abc") << QByteArray("$G1abc") << QByteArray();
    QTest::newRow("$4z") << QByteArray("$4z") << QByteArray();
    QTest::newRow("lower-case hex") << QByteArray("$3c$3E") << QByteArray("<>");
    QTest::newRow("high byte") << QByteArray("$e9") << QByteArray("\xe9");
    QTest::newRow("valid then invalid") << QByteArray("abc$41$zz") << QByteArray();
    QTest::newRow("zero byte") << QByteArray("a$00b") << QByteArray("a\0b", 3);
    QTest::newRow("no escapes") << QByteArray("plain text") << QByteArray("plain text");
    QTest::newRow("sign is no digit") << QByteArray("$-1") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestUUtils::decodeDollarEscapes() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, decoded);
    QCOMPARE(DecodeDollarEscapes(text), decoded);
}

void TestUUtils::cutWindowsBrowserCommand_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("program");
    QTest::newRow("quoted path, switch and placeholder")
        << QByteArray(R"("C:\Program Files\Browser\browser.exe" -nohome "%1")")
        << QByteArray(R"(c:\program files\browser\browser.exe)");
    QTest::newRow("unquoted") << QByteArray(R"(C:\B\B.EXE %1)") << QByteArray(R"(c:\b\b.exe)");
    QTest::newRow("no .exe") << QByteArray("browser %1") << QByteArray(".exe");
    QTest::newRow("first .exe wins") << QByteArray(R"(C:\a.exe\b.exe)") << QByteArray(R"(c:\a.exe)");
}

void TestUUtils::cutWindowsBrowserCommand() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, program);
    QCOMPARE(CutWindowsBrowserCommand(command), program);
}

void TestUUtils::programOfDesktopExec_data() {
    QTest::addColumn<QByteArray>("exec");
    QTest::addColumn<QByteArray>("program");
    QTest::newRow("field code") << QByteArray("firefox-esr %u") << QByteArray("firefox-esr");
    QTest::newRow("path and arguments")
        << QByteArray("/usr/bin/chromium --new-window %U") << QByteArray("/usr/bin/chromium");
    QTest::newRow("quoted with blank")
        << QByteArray(R"("/opt/My Browser/run" %u)") << QByteArray("/opt/My Browser/run");
    QTest::newRow("escaped quote") << QByteArray(R"("/opt/a\"b" %u)") << QByteArray(R"(/opt/a"b)");
    QTest::newRow("leading blanks") << QByteArray("   browser") << QByteArray("browser");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("only a field code") << QByteArray("%u") << QByteArray();
}

void TestUUtils::programOfDesktopExec() {
    QFETCH(QByteArray, exec);
    QFETCH(QByteArray, program);
    QCOMPARE(ProgramOfDesktopExec(exec), program);
}

void TestUUtils::openUrlInBrowser_data() {
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<bool>("result");
    QTest::newRow("registered") << QByteArray("/usr/bin/browser") << QByteArray("http://x.example/") << true;
    QTest::newRow("empty URL still starts it") << QByteArray("/usr/bin/browser") << QByteArray() << true;
    QTest::newRow("nothing registered") << QByteArray() << QByteArray("http://x.example/") << false;
}

void TestUUtils::openUrlInBrowser() {
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, url);
    QFETCH(bool, result);
    RecordingPlatform platform;
    platform.program = program;
    QCOMPARE(OpenUrlInBrowser(url, platform), result);
    if (!result) {
        QVERIFY(platform.started.isEmpty());
        return;
    }
    QCOMPARE(platform.started.size(), 1);
    QCOMPARE(platform.started[0].first, QString::fromLatin1(program));
    QCOMPARE(platform.started[0].second, QList<QString>{QString::fromLatin1(url)});
}

QTEST_GUILESS_MAIN(TestUUtils)
#include "tst_UUtils.moc"
