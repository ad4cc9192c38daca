// Runs the built velmora-ads program the way a user or a script would.

#include "AdsToolRun.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

using velmora::testing::kAdsTool;
using velmora::testing::kHeader;
using velmora::testing::Run;
using velmora::testing::runProgram;
using velmora::testing::runTool;

const QString kTestData = QStringLiteral(VELMORA_TEST_DATA);

const QByteArray kWorkedExample =
    R"(<div><a id=an1 href="/x">Red <b>Shoes</b></a> Best shoes<cite>ShoeShop</cite></div><ol><li>)"
    R"(<a id=pa1 href="/y">Blue Boots</a><br><cite>BootBarn</cite>Warm &amp; dry<li><a id=pa2 href="/z">)"
    R"(Green Hats</a><cite>HatHut</cite>Sun hats</div>)";

const QByteArray kWorkedExampleCsv = kHeader +
                                     "\"Red Shoes\",\" Best shoes\",\"ShoeShop\",\"shoes\",\"1\"\r\n"
                                     "\"Blue Boots\",\"Warm & dry\",\"BootBarn\",\"shoes\",\"2\"\r\n"
                                     "\"Green Hats\",\"Sun hats\",\"HatHut\",\"shoes\",\"3\"\r\n";

// Runs the tool with arguments that need not be UTF-8, which QProcess would re-encode: a
// shell rebuilds each one from octal escapes, so the bytes arrive as they are.
Run runToolWithBytes(const QList<QByteArray>& arguments) {
    QString script = QStringLiteral("exec \"$0\"");
    for (const QByteArray& argument : arguments) {
        script += QStringLiteral(" \"$(printf '");
        for (const char c : argument)
            script += QStringLiteral("\\%1").arg(uint(static_cast<unsigned char>(c)), 3, 8, QLatin1Char('0'));
        script += QStringLiteral("')\"");
    }
    return runProgram(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, kAdsTool});
}

// Whole contents of a file named by raw bytes, or "<missing>".
QByteArray readRawName(const QByteArray& path) {
    QFile file;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return "<missing>";
    return file.readAll();
}

// The names in a directory as bytes (QDir leaves out those it cannot decode), sorted.
QList<QByteArray> rawEntries(const QByteArray& path) {
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(path.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool writeRawName(const QByteArray& path, const QByteArray& bytes) {
    QFile file;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 && file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
           file.write(bytes) == bytes.size();
}

} // namespace

class TestVelmoraAdsTool : public QObject {
    Q_OBJECT

private slots:
    void help();
    void usageErrors_data();
    void usageErrors();
    void unreadableInput_data();
    void unreadableInput();
    void readsStandardInput();
    void writesOutputFile();
    void unwritableOutputFile();
    void fullStandardOutput();
    void fileNamesAreBytes();
    void pages_data();
    void pages();
    void layouts_data();
    void layouts();
    void notesAPageReadInPart();
    void namesAdsNotRead_data();
    void namesAdsNotRead();
};

void TestVelmoraAdsTool::help() {
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const Run run = runTool({option});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("Usage: velmora-ads"));
        QVERIFY(run.err.isEmpty());
    }
}

void TestVelmoraAdsTool::usageErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("no arguments") << QStringList{} << QByteArray("expected a PAGE and a KEYWORD");
    QTest::newRow("keyword missing") << QStringList{QStringLiteral("-")}
                                     << QByteArray("expected a PAGE and a KEYWORD");
    QTest::newRow("too many") << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}
                              << QByteArray("too many arguments");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--fast"), QStringLiteral("-"),
                                                   QStringLiteral("k")}
                                    << QByteArray("unknown option --fast");
    QTest::newRow("output without file")
        << QStringList{QStringLiteral("-"), QStringLiteral("k"), QStringLiteral("-o")}
        << QByteArray("option -o needs a file name");
    QTest::newRow("empty output name")
        << QStringList{QStringLiteral("--output="), QStringLiteral("-"), QStringLiteral("k")}
        << QByteArray("the output file name is empty");
    QTest::newRow("layout without name")
        << QStringList{QStringLiteral("-"), QStringLiteral("k"), QStringLiteral("--layout")}
        << QByteArray("option --layout needs classic, current or auto");
    QTest::newRow("unknown layout") << QStringList{QStringLiteral("--layout=new"), QStringLiteral("-"),
                                                   QStringLiteral("k")}
                                    << QByteArray("unknown layout new");
    QTest::newRow("keep without file")
        << QStringList{QStringLiteral("-"), QStringLiteral("k"), QStringLiteral("--keep")}
        << QByteArray("option --keep needs a file name");
    QTest::newRow("empty keep name") << QStringList{QStringLiteral("--keep="), QStringLiteral("-"),
                                                    QStringLiteral("k")}
                                     << QByteArray("the name of the file to keep the page in is empty");
}

void TestVelmoraAdsTool::usageErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, message);
    const Run run = runTool(arguments, kWorkedExample);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(message), run.err.constData());
    QVERIFY(run.err.contains("--help"));
}

void TestVelmoraAdsTool::unreadableInput_data() {
    QTest::addColumn<QString>("page");
    QTest::newRow("missing file") << QStringLiteral("/nonexistent/page.html");
    QTest::newRow("directory") << kTestData;
}

void TestVelmoraAdsTool::unreadableInput() {
    QFETCH(QString, page);
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("out.csv"));
    for (const QStringList& arguments :
         {QStringList{page, QStringLiteral("k")},
          QStringList{QStringLiteral("-o"), output, page, QStringLiteral("k")}}) {
        const Run run = runTool(arguments);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith("velmora-ads: cannot read " + QFile::encodeName(page) + ": "),
                 run.err.constData());
    }
    QVERIFY(!QFile::exists(output));
}

void TestVelmoraAdsTool::readsStandardInput() {
    const Run run = runTool({QStringLiteral("-"), QStringLiteral("shoes")}, kWorkedExample);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, kWorkedExampleCsv);
    QVERIFY(run.err.isEmpty());

    const Run empty = runTool({QStringLiteral("-"), QStringLiteral("shoes")});
    QCOMPARE(empty.exitCode, 0);
    QCOMPARE(empty.out, kHeader);
}

void TestVelmoraAdsTool::writesOutputFile() {
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("page.html"));
    const QString output = dir.filePath(QStringLiteral("ads.csv"));
    velmora::testing::writeFileForTest(page, kWorkedExample);
    velmora::testing::writeFileForTest(output, QByteArray(5000, 'o'));

    const QStringList forms[] = {
        {QStringLiteral("-o"), output, page, QStringLiteral("shoes")},
        {page, QStringLiteral("shoes"), QStringLiteral("--output"), output},
        {QStringLiteral("--output=") + output, page, QStringLiteral("shoes")},
        {QStringLiteral("-o") + output, QStringLiteral("--"), page, QStringLiteral("shoes")},
    };
    for (const QStringList& arguments : forms) {
        QVERIFY(QFile::remove(output));
        const Run run = runTool(arguments);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.isEmpty());
        QCOMPARE(velmora::testing::readFileOrMarker(output), kWorkedExampleCsv);
    }
    // "-" is standard output, not a file of that name (one an older build left is removed first).
    QFile::remove(QStringLiteral("-"));
    const Run dash = runTool({QStringLiteral("-o"), QStringLiteral("-"), page, QStringLiteral("shoes")});
    QCOMPARE(dash.exitCode, 0);
    QCOMPARE(dash.out, kWorkedExampleCsv);
    QVERIFY(!QFile::exists(QStringLiteral("-")));
    // An existing file is replaced as a whole.
    velmora::testing::writeFileForTest(output, QByteArray(5000, 'o'));
    QCOMPARE(runTool(forms[0]).exitCode, 0);
    QCOMPARE(velmora::testing::readFileOrMarker(output), kWorkedExampleCsv);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestVelmoraAdsTool::unwritableOutputFile() {
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("no/such/folder/ads.csv"));
    const Run run =
        runTool({QStringLiteral("-o"), output, QStringLiteral("-"), QStringLiteral("shoes")}, kWorkedExample);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.startsWith("velmora-ads: cannot write " + QFile::encodeName(output) + ": "),
             run.err.constData());
    QVERIFY(!QFile::exists(output));
}

void TestVelmoraAdsTool::fullStandardOutput() {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    // The CSV, the CSV named "-" as the output, and the help.
    const QStringList forms[] = {
        {QStringLiteral("-"), QStringLiteral("shoes")},
        {QStringLiteral("-o"), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("shoes")},
        {QStringLiteral("--help")}};
    for (const QStringList& arguments : forms) {
        const Run run = runTool(arguments, kWorkedExample, QStringLiteral("/dev/full"));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("velmora-ads: cannot write to standard output: No space left on device"),
                 run.err.constData());
    }

    // Named as the output, a device is written to, never replaced by a file.
    const Run named = runTool(
        {QStringLiteral("-o"), QStringLiteral("/dev/full"), QStringLiteral("-"), QStringLiteral("shoes")},
        kWorkedExample);
    QCOMPARE(named.exitCode, 1);
    QCOMPARE(named.err, QByteArray("velmora-ads: cannot write /dev/full: No space left on device\n"));
    QVERIFY(!QFileInfo(QStringLiteral("/dev/full")).isFile());
}

void TestVelmoraAdsTool::fileNamesAreBytes() {
    // Names that are not UTF-8 (here Latin-1) are opened as the bytes they are, the temporary
    // file of the atomic save included, and messages name them as given.
    QTemporaryDir dir;
    const QByteArray base = QFile::encodeName(dir.path()) + '/';
    // QTemporaryDir cannot remove names it cannot decode.
    const auto removeRawNames = qScopeGuard([&base] {
        for (const QByteArray& name : rawEntries(base))
            ::unlink((base + name).constData());
    });
    const QByteArray page = base + "caf\xe9.html";
    const QByteArray output = base + "out\xe9.csv";
    QVERIFY(writeRawName(page, kWorkedExample));

    Run run = runToolWithBytes({page, "shoes"});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, kWorkedExampleCsv);

    QVERIFY(writeRawName(output, "old"));
    run = runToolWithBytes({"-o", output, page, "shoes"});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(readRawName(output), kWorkedExampleCsv);
    const QList<QByteArray> pageAndOutput{"caf\xe9.html", "out\xe9.csv"};
    QCOMPARE(rawEntries(base), pageAndOutput); // no temporary or misnamed file left

    run = runToolWithBytes({"-o", output, base + "gone\xe9.html", "shoes"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, "velmora-ads: cannot read " + base + "gone\xe9.html: No such file or directory\n");
    QCOMPARE(readRawName(output), kWorkedExampleCsv);

    run = runToolWithBytes({"-o", base + "no\xe9/out.csv", page, "shoes"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, "velmora-ads: cannot write " + base + "no\xe9/out.csv: No such file or directory\n");
    QCOMPARE(rawEntries(base), pageAndOutput);
}

void TestVelmoraAdsTool::pages_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("own page without ads")
        << kTestData + QStringLiteral("/serp/no-ads.html") << QStringLiteral("sourdough starter") << kHeader;
    QTest::newRow("pa ad before an ad")
        << kTestData + QStringLiteral("/serp/pa-before-an.html") << QStringLiteral("say \"espresso\"")
        << kHeader + "\"Espresso Machines -20%\",\"Dual boiler models in stock.\","
                     "\"www.brewhouse.example/espresso\",\"say \"\"espresso\"\"\",\"1\"\r\n";
    QTest::newRow("top and side ads, quote in a cell")
        << kTestData + QStringLiteral("/serp/top-and-side.html") << QStringLiteral("garden hose")
        << kHeader +
               "\"Garden Hose Sale\",\"Heavy-duty hoses from &pound;9.Free delivery & returns.\","
               "\"www.hosedirect.example/garden\",\"garden hose\",\"1\"\r\n"
               "\"Hose Reels & Carts\",\"Wall-mounted \"\"Easy Wind\"\" reels, in stock today\","
               "\"ReelWorks.example\",\"garden hose\",\"2\"\r\n"
               "\"Pro Garden Supplies\",\" Everything for your garden &mdash; since 1982\","
               "\"gardenpro.example\",\"garden hose\",\"3\"\r\n"
               "\"Water's Edge Hoses\",\"Expanding hoses, 15m to 50m.\",\"www.waterwise.example/hoses\","
               "\"garden hose\",\"4\"\r\n"
               "\"Drip Irrigation Kits\",\"Save water > save money.\",\"drip.example\",\"garden hose\","
               "\"5\"\r\n";
}

void TestVelmoraAdsTool::pages() {
    QFETCH(QString, page);
    QFETCH(QString, keyword);
    QFETCH(QByteArray, expected);
    const Run run = runTool({page, keyword});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, expected);
}

// A page in today's layout after one in the classic layout: --layout picks the reader.
void TestVelmoraAdsTool::layouts_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("csv");

    const QByteArray current =
        "<div id=\"tads\"><div data-text-ad=\"1\"><span>Sponsored</span><a data-rw=\"/aclk?x\"><div "
        "role=\"heading\">Lamp &amp; Light</div><span role=\"text\">lamps.example</span></a><div>Half "
        "price.</div></div></div>";
    const QByteArray currentCsv =
        kHeader + "\"Lamp & Light\",\"Half price.\",\"lamps.example\",\"shoes\",\"1\"\r\n";
    QTest::newRow("default: today's page") << QStringList{} << current << currentCsv;
    QTest::newRow("auto: classic anchors win")
        << QStringList{QStringLiteral("--layout"), QStringLiteral("auto")} << kWorkedExample + current
        << kWorkedExampleCsv;
    QTest::newRow("current forced") << QStringList{QStringLiteral("--layout=current")}
                                    << kWorkedExample + current << currentCsv;
    QTest::newRow("classic forced") << QStringList{QStringLiteral("--layout"), QStringLiteral("classic")}
                                    << current << kHeader;
}

void TestVelmoraAdsTool::layouts() {
    QFETCH(QStringList, options);
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, csv);
    const Run run = runTool(options + QStringList{QStringLiteral("-"), QStringLiteral("shoes")}, page);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, csv);
    QVERIFY(run.err.isEmpty());
}

// A page of more ads than the reader takes gives its first ones, and a note says the page was
// read only in part; one ad fewer gives no note.
void TestVelmoraAdsTool::notesAPageReadInPart() {
    for (const int count : {100, 101}) {
        QByteArray page = "<div id=\"tads\">";
        QByteArray csv = kHeader;
        for (int n = 1; n <= count; ++n) {
            const QByteArray k = QByteArray::number(n);
            page += "<div data-text-ad=\"1\"><span>Ad</span><a data-rw=\"/aclk?x\"><h3>Lamp " + k +
                    "</h3></a><cite>lamps.example</cite></div>";
            if (n <= 100)
                csv += "\"Lamp " + k + "\",\"\",\"lamps.example\",\"shoes\",\"" + k + "\"\r\n";
        }
        const Run run = runTool({QStringLiteral("-"), QStringLiteral("shoes")}, page + "</div>");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, csv);
        QCOMPARE(run.err.contains("note: the page was read only in part"), count > 100);
    }
}

// A page whose second ad has lost its title: the ad read is written, standard error says the
// page shows ads that were not read, the exit status is its own, and --keep keeps the page as
// it was read. A page whose ads are all read keeps nothing and says nothing.
void TestVelmoraAdsTool::namesAdsNotRead_data() {
    QTest::addColumn<bool>("titleLost");
    QTest::addColumn<QString>("keep"); // relative to a temporary folder; empty: no --keep
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("kept");
    QTest::newRow("all read, --keep keeps nothing") << false << QStringLiteral("kept.html") << 0 << false;
    QTest::newRow("one not read, kept") << true << QStringLiteral("kept.html") << 3 << true;
    QTest::newRow("one not read, kept where no file can be")
        << true << QStringLiteral("missing/kept.html") << 1 << false;
}

void TestVelmoraAdsTool::namesAdsNotRead() {
    QFETCH(bool, titleLost);
    QFETCH(QString, keep);
    QFETCH(int, exitCode);
    QFETCH(bool, kept);
    const QByteArray second = titleLost ? "Chairs" : "<h3>Chairs</h3>";
    const QByteArray page = "<div id=\"tads\"><div data-text-ad=1><span>Ad</span><a data-rw=\"/aclk?1\">"
                            "<h3>Lamps</h3></a><cite>lamps.example</cite></div><div data-text-ad=1><span>Ad"
                            "</span><a data-rw=\"/aclk?2\">" +
                            second + "</a><cite>chairs.example</cite></div></div>\xE9";
    QTemporaryDir dir;
    QStringList arguments{QStringLiteral("-"), QStringLiteral("k")};
    if (!keep.isEmpty())
        arguments << QStringLiteral("--keep") << dir.filePath(keep);
    const Run run = runTool(arguments, page);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.out.startsWith(kHeader + "\"Lamps\",\"\",\"lamps.example\",\"k\",\"1\"\r\n"));
    QCOMPARE(run.err.contains("This page shows ads that Velmora could not read."), titleLost);
    QCOMPARE(QFile::exists(dir.filePath(keep)) && !keep.isEmpty(), kept);
    if (kept)
        QCOMPARE(velmora::testing::readFileOrMarker(dir.filePath(keep)), page);
}

QTEST_GUILESS_MAIN(TestVelmoraAdsTool)
#include "tst_VelmoraAdsTool.moc"
