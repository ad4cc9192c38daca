#include "util/BrowserCommand.h"
#include "util/BrowserLaunch.h"
#include "util/UUtils.h"

#include "util/Platform.h"
#include "util/WidgetText.h"

#include <QStringDecoder>
#include <QTest>

using namespace velmora::util;

namespace {

class RecordingPlatform : public Platform {
public:
    std::optional<BrowserCommand> command;
    bool starts = true;
    QList<QPair<QString, QList<QString>>> started;

    std::optional<BrowserCommand> registeredBrowserCommand() override { return command; }
    bool startDetached(const QString& p, const QList<QString>& arguments, QString*) override {
        started.append({p, arguments});
        return starts;
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
    void expandBrowserCommand_data();
    void expandBrowserCommand();
    void openUrlInBrowser_data();
    void openUrlInBrowser();
    void widgetText_data();
    void widgetText();
    void widgetTextFallbackIsWindows1252();
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

using Words = QList<QByteArray>;

void TestUUtils::expandBrowserCommand_data() {
    // An empty word list stands for a malformed Exec value; otherwise program, then arguments.
    QTest::addColumn<QByteArray>("exec");
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<Words>("words");
    const QByteArray url = "http://x.example/a b?q=1&r=$HOME";
    QTest::newRow("single URL") << QByteArray("firefox-esr %u") << url << Words{"firefox-esr", url};
    QTest::newRow("env in front") << QByteArray("env VAR=1 browser --new %u") << url
                                  << Words{"env", "VAR=1", "browser", "--new", url};
    QTest::newRow("URL lists and files")
        << QByteArray("b %U -- %F") << url << Words{"b", url, "--"}; // one URL: the second code has none
    QTest::newRow("file code inside a word") << QByteArray("b --url=%f") << url << Words{"b", "--url=" + url};
    QTest::newRow("no field code: URL last")
        << QByteArray("b --new-window") << url << Words{"b", "--new-window", url};
    QTest::newRow("flatpak")
        << QByteArray("/usr/bin/flatpak run --command=web org.web.Web @@u %u @@") << url
        << Words{"/usr/bin/flatpak", "run", "--command=web", "org.web.Web", "@@u", url, "@@"};
    QTest::newRow("quoted program, escapes inside quotes")
        << QByteArray(R"("/opt/My Browser/run" "a\"b\`c\$d\\e\x" %u)") << url
        << Words{"/opt/My Browser/run", R"(a"b`c$d\e\x)", url};
    QTest::newRow("quotes join parts; empty quotes are a word")
        << QByteArray(R"(b pre"fix "post"" "" %u)") << url << Words{"b", "prefix post", "", url};
    QTest::newRow("backslash outside quotes") << QByteArray(R"(b a\ b %u)") << url << Words{"b", "a b", url};
    QTest::newRow("percent") << QByteArray("b 100%% %%u %u") << url << Words{"b", "100%", "%u", url};
    QTest::newRow("deprecated codes dropped")
        << QByteArray("b %d %D %n %N %v %m x%dy %u") << url << Words{"b", "xy", url};
    QTest::newRow("icon, name and location")
        << QByteArray("b %i %c %k x%iy %u") << url
        << Words{"b", "--icon", "web-icon", "Web Browser", "/apps/web.desktop", "xy", url};
    QTest::newRow("blanks and tabs") << QByteArray("  b \t %u  ") << url << Words{"b", url};
    QTest::newRow("empty URL: no argument") << QByteArray("b %u") << QByteArray() << Words{"b"};
    QTest::newRow("empty URL: word with the code dropped")
        << QByteArray("b --url=%u --x") << QByteArray() << Words{"b", "--x"};
    QTest::newRow("empty URL, no field code") << QByteArray("b") << QByteArray() << Words{"b"};
    QTest::newRow("open quote") << QByteArray(R"("b %u)") << url << Words{};
    QTest::newRow("unknown field code") << QByteArray("b %z") << url << Words{};
    QTest::newRow("percent at the end") << QByteArray("b %") << url << Words{};
    QTest::newRow("field code as program") << QByteArray("%u") << url << Words{};
    QTest::newRow("field code in program") << QByteArray("b%c %u") << url << Words{};
    QTest::newRow("empty") << QByteArray("  ") << url << Words{};
    QTest::newRow("empty program") << QByteArray(R"("" %u)") << url << Words{};
}

void TestUUtils::expandBrowserCommand() {
    QFETCH(QByteArray, exec);
    QFETCH(QByteArray, url);
    QFETCH(Words, words);
    const std::optional<CommandLine> line =
        ExpandBrowserCommand(BrowserCommand{exec, "web-icon", "Web Browser", "/apps/web.desktop"}, url);
    if (words.isEmpty()) {
        QVERIFY(!line);
        return;
    }
    QVERIFY(line);
    QCOMPARE(line->program, words.front());
    QCOMPARE(line->arguments, words.sliced(1));
}

void TestUUtils::openUrlInBrowser_data() {
    QTest::addColumn<QByteArray>("registered"); // the Windows open command; empty: none
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QList<QString>>("arguments");
    const QByteArray windowsCommand = R"("C:\Program Files\Browser\browser.exe" -nohome "%1")";
    const QByteArray url = "http://x.example/";
    QTest::newRow("registered") << windowsCommand << url << true << true
                                << QList<QString>{"http://x.example/"};
    QTest::newRow("empty URL passes no argument")
        << windowsCommand << QByteArray() << true << true << QList<QString>{};
    QTest::newRow("browser fails to start")
        << windowsCommand << url << false << true << QList<QString>{"http://x.example/"};
    QTest::newRow("nothing registered") << QByteArray() << url << true << false << QList<QString>{};
}

void TestUUtils::openUrlInBrowser() {
    QFETCH(QByteArray, registered);
    QFETCH(QByteArray, url);
    QFETCH(bool, starts);
    QFETCH(bool, result);
    QFETCH(QList<QString>, arguments);
    RecordingPlatform platform;
    if (!registered.isEmpty())
        platform.command = WindowsBrowserCommand(registered);
    platform.starts = starts;
    bool started = !starts;
    QCOMPARE(OpenUrlInBrowser(url, platform, &started), result);
    QCOMPARE(started, result && starts);
    if (!result) {
        QVERIFY(platform.started.isEmpty());
        return;
    }
    QCOMPARE(platform.started.size(), 1);
    QCOMPARE(platform.started[0].first, QStringLiteral(R"(c:\program files\browser\browser.exe)"));
    QCOMPARE(platform.started[0].second, arguments);
}

void TestUUtils::widgetText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ASCII") << QByteArray("Acme <b>") << QStringLiteral("Acme <b>");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("UTF-8") << QByteArray("Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80")
                           << QStringLiteral(u"Caf\u00e9 \u20ac \U0001F600");
    QTest::newRow("Latin-1 letter") << QByteArray("Caf\xe9") << QStringLiteral(u"Caf\u00e9");
    QTest::newRow("Windows-1252 punctuation") << QByteArray("\x93quoted\x94 \x80 5\x96"
                                                            "6 \x85\x9f")
                                              << QStringLiteral(u"\u201cquoted\u201d \u20ac 5\u2013"
                                                                "6 \u2026\u0178");
    QTest::newRow("unassigned 1252 bytes stay control characters")
        << QByteArray("\x81\x8d\x8f\x90\x9d") << QStringLiteral(u"\u0081\u008d\u008f\u0090\u009d");
    // One bad sequence decides for the whole text: no mix of the two readings.
    QTest::newRow("valid UTF-8 and a stray byte")
        << QByteArray("\xc3\xa9\xe9") << QStringLiteral(u"\u00c3\u00a9\u00e9");
    QTest::newRow("overlong form is not UTF-8") << QByteArray("\xc0\xaf") << QStringLiteral(u"\u00c0\u00af");
    QTest::newRow("encoded surrogate is not UTF-8")
        << QByteArray("\xed\xa0\x80") << QStringLiteral(u"\u00ed\u00a0\u20ac");
    QTest::newRow("cut-off sequence at the end")
        << QByteArray("ok\xe2\x82") << QStringLiteral(u"ok\u00e2\u201a");
}

void TestUUtils::widgetText() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(toWidgetText(bytes), text);
}

void TestUUtils::widgetTextFallbackIsWindows1252() {
    // Every byte that cannot start valid UTF-8 on its own, against Qt's own Windows-1252
    // decoder where this Qt has one.
    QStringDecoder reference("windows-1252");
    if (!reference.isValid())
        QSKIP("this Qt has no Windows-1252 decoder to compare with");
    for (int byte = 0x80; byte <= 0xff; ++byte) {
        const QByteArray lone(1, char(byte));
        QCOMPARE(toWidgetText(lone), reference.decode(lone));
    }
}

QTEST_GUILESS_MAIN(TestUUtils)
#include "tst_UUtils.moc"
