// The Search command in the real window against a loopback server: what the server receives,
// status texts and gauge, refusal, cancelling, the rows, Clear and Export.

#include "FullDisk.h"
#include "SearchWindowFixture.h"
#include "TestSupport.h"
#include "app/Gauge.h"
#include "search/ResultsModel.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using velmora::testing::CannedReply;
using velmora::testing::LoopbackServer;
using velmora::testing::SearchWindow;

Q_DECLARE_METATYPE(CannedReply)

namespace {

const QString Completed = QStringLiteral("Download completed!");
const QString Aborted = QStringLiteral("Download aborted by user.");
const QString ConnectionError =
    QStringLiteral("Connection error, check if you are connected and url exists.");

// Two ads, then enough organic text that a trickled body takes a while.
QByteArray adPage() {
    QByteArray page =
        "<html><body><div id=tads><ol>"
        "<li><a id=an1 href=\"/a1\">Red <b>Shoes</b></a> Best shoes<cite>shoes.example</cite>"
        "<li><a id=an2 href=\"/a2\">Caf&eacute; &amp; more</a>Open late<cite>cafe.example</cite>"
        "</ol></div>";
    for (int i = 0; i < 40; ++i)
        page += "<li class=g><a href=\"/r" + QByteArray::number(i) +
                "\">Organic result</a><cite>x.example</cite>\n";
    return page + "</body></html>\n";
}

CannedReply reply(const QByteArray& body, int status = 200) {
    CannedReply r;
    r.status = status;
    r.body = body;
    return r;
}

CannedReply trickled(const QByteArray& body, bool announceLength = true) {
    CannedReply r = reply(body);
    r.chunkSize = 200;
    r.intervalMs = 40;
    r.announceLength = announceLength;
    return r;
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT

private slots:
    void serverSeesTheHeadersAndTheEncodedKeyword();
    void pageReadInPartSaysSo();
    void adsNotReadAreNamed();
    void failures_data();
    void failures();
    void gauge_data();
    void gauge();
    void cancelling_data();
    void cancelling();
    void secondSearchIsRefusedAndRowsTakeTheEditedKeyword();
    void keywordWithoutControls_data();
    void keywordWithoutControls();
    void rowsAccumulateUntilCleared();
    void temporaryFileThatCannotBeCreated();
    void exportWritesTheList();
    void failedExportIsShown_data();
    void failedExportIsShown();
};

void TestSearch::serverSeesTheHeadersAndTheEncodedKeyword() {
    SearchWindow w;
    w.server.setReply("/search", reply(adPage()));
    QVERIFY(w.show());
    const QString typed = QStringLiteral(u"salt&pepper \"cr\u00e8me\" +1");
    w.search(typed);
    const QByteArray url = w.server.url("/search?q=salt%26pepper+%22cr%C3%A8me%22+%2B1");
    QCOMPARE(w.status()->text(),
             QStringLiteral("Getting URL: ") + QString::fromLatin1(url) + QStringLiteral("..."));
    QTRY_COMPARE(w.status()->text(), Completed);

    QCOMPARE(w.server.requestCount(), 1);
    const velmora::testing::RecordedRequest request = w.server.requests().first();
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.target, QByteArray("/search?q=salt%26pepper+%22cr%C3%A8me%22+%2B1"));
    const QList<QPair<QByteArray, QByteArray>> expected{
        {"user-agent", "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)"},
        {"accept", "text/html, */*"},
        {"content-type", "text/html"},
        {"pragma", "no-cache"},
        {"cache-control", "no-cache"},
        {"accept-encoding", "identity"},
    };
    for (const auto& [name, value] : expected)
        QCOMPARE(request.header(name), value);
    // Nothing else but what the client library adds of its own.
    QSet<QByteArray> names;
    for (const auto& header : request.headers)
        names.insert(header.first.toLower());
    QCOMPARE(names, (QSet<QByteArray>{"host", "connection", "accept-language", "user-agent", "accept",
                                      "content-type", "pragma", "cache-control", "accept-encoding"}));

    // The rows carry the keyword as typed, UTF-8, and show it as typed.
    QCOMPARE(w.column(0), (QList<QByteArray>{"Red Shoes", "Caf&eacute; & more"}));
    QCOMPARE(w.column(3), (QList<QByteArray>(2, typed.toUtf8())));
    QCOMPARE(w.results().data(w.results().index(1, 3)).toString(), typed);
    QCOMPARE(w.column(4), (QList<QByteArray>{"1", "2"}));
    QCOMPARE(w.leftovers(), QStringList());
}

// A page of more ads than the reader takes: its first 100 are listed, and the status bar says the
// page was read only in part.
void TestSearch::pageReadInPartSaysSo() {
    QByteArray body = "<html><body><div id=\"tads\">";
    for (int n = 1; n <= 101; ++n) {
        body += "<div data-text-ad=\"1\"><span>Ad</span><a data-rw=\"/aclk?x\"><h3>Lamp " +
                QByteArray::number(n) + "</h3></a><cite>lamps.example</cite></div>";
    }
    SearchWindow w;
    w.server.setReply("/search", reply(body + "</div></body></html>"));
    QVERIFY(w.show());
    w.search(QStringLiteral("lamps"));
    QTRY_COMPARE(w.status()->text(),
                 Completed + " The page was read only in part; later ads may be missing.");
    const QList<QByteArray> titles = w.column(0);
    QCOMPARE(titles.size(), 100);
    QCOMPARE(titles.last(), QByteArray("Lamp 100"));
}

// An ad whose title is missing cannot be read: the status bar says the page shows ads that were
// not read, and the ad that was read is listed all the same.
void TestSearch::adsNotReadAreNamed() {
    const QByteArray body =
        "<html><body><div id=\"tads\">"
        "<div data-text-ad=\"1\"><span>Ad</span><a data-rw=\"/aclk?1\"><h3>Lamp Sale</h3></a>"
        "<cite>lamps.example</cite></div>"
        "<div data-text-ad=\"1\"><span>Ad</span><a data-rw=\"/aclk?2\">Chairs</a>"
        "<cite>chairs.example</cite></div></div></body></html>";
    SearchWindow w;
    w.server.setReply("/search", reply(body));
    QVERIFY(w.show());
    w.search(QStringLiteral("lamps"));
    QTRY_COMPARE(w.status()->text(), Completed + " This page shows ads that Velmora could not read.");
    QCOMPARE(w.column(0), QList<QByteArray>{"Lamp Sale"});
}

void TestSearch::failures_data() {
    QTest::addColumn<CannedReply>("answer");
    QTest::addColumn<bool>("refused"); // nothing listens
    QTest::addColumn<QString>("status");

    QTest::newRow("404") << reply("<html>not here</html>", 404) << false << ConnectionError;
    QTest::newRow("503") << reply(adPage(), 503) << false << ConnectionError;
    QTest::newRow("refused connection") << CannedReply{} << true << ConnectionError;
    QTest::newRow("empty body") << reply({}) << false << Completed + QStringLiteral(" No ads on this page.");
}

void TestSearch::failures() {
    QFETCH(CannedReply, answer);
    QFETCH(bool, refused);
    QFETCH(QString, status);
    QTemporaryDir dir;
    SearchWindow w(dir.path(),
                   refused ? "http://127.0.0.1:" + QByteArray::number(LoopbackServer::closedPort()) : "");
    w.server.setReply("/search", answer);
    QVERIFY(w.show());
    w.results().appendRow({"kept", "", "", "", "1"});
    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE(w.status()->text(), status);
    QCOMPARE(w.results().rowCount(), 1); // the list is left as it was
    // A page that did not come leaves no full gauge behind.
    if (status == ConnectionError)
        QCOMPARE(w.gauge()->value(), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    QVERIFY(w.f.reporter.messages.isEmpty());
    QVERIFY(w.f.messageBox.shown.isEmpty());
}

void TestSearch::gauge_data() {
    QTest::addColumn<bool>("announceLength");
    QTest::addColumn<int>("maxValue");
    QTest::newRow("known length") << true << int(adPage().size());
    QTest::newRow("unknown length") << false << 0;
}

void TestSearch::gauge() {
    QFETCH(bool, announceLength);
    QFETCH(int, maxValue);
    SearchWindow w;
    w.server.setReply("/search", trickled(adPage(), announceLength));
    QVERIFY(w.show());
    w.search(QStringLiteral("shoes"));
    if (announceLength) {
        // Part way: the gauge follows the bytes.
        QTRY_VERIFY(w.gauge()->value() > 0 && w.gauge()->value() < maxValue);
        QCOMPARE(w.gauge()->maxValue(), maxValue);
    }
    QTRY_COMPARE(w.status()->text(), Completed);
    QCOMPARE(w.gauge()->maxValue(), maxValue);
    QCOMPARE(w.gauge()->value(), maxValue);
    QCOMPARE(w.results().rowCount(), 2);
}

void TestSearch::cancelling_data() {
    QTest::addColumn<bool>("closeWindow"); // otherwise Escape
    QTest::newRow("Escape") << false;
    QTest::newRow("closing the window") << true;
}

void TestSearch::cancelling() {
    QFETCH(bool, closeWindow);
    SearchWindow w;
    w.server.setReply("/search", trickled(adPage()));
    QVERIFY(w.show());
    w.search(QStringLiteral("shoes"));
    QTRY_VERIFY(w.gauge()->value() > 0); // bytes are arriving
    QCOMPARE(w.leftovers().size(), 1);
    if (closeWindow)
        QVERIFY(w.f.window->close());
    else
        QTest::keyClick(w.keyword(), Qt::Key_Escape);
    QCOMPARE(w.status()->text(), Aborted);
    QCOMPARE(w.gauge()->value(), 0);
    QCOMPARE(w.leftovers(), QStringList());
    QTest::qWait(200); // the rest of the body would have come by now
    QCOMPARE(w.status()->text(), Aborted);
    QCOMPARE(w.results().rowCount(), 0);
    QCOMPARE(w.f.window->isVisible(), !closeWindow);
    QCOMPARE(w.f.window->Closing(), closeWindow);
    if (!closeWindow) {
        // Escape with nothing running changes nothing; the next search works.
        QTest::keyClick(w.keyword(), Qt::Key_Escape);
        QCOMPARE(w.status()->text(), Aborted);
        w.server.setReply("/search", reply(adPage()));
        w.search(QStringLiteral("shoes"));
        QTRY_COMPARE(w.status()->text(), Completed);
        QCOMPARE(w.results().rowCount(), 2);
    } else {
        // A closed window starts nothing.
        QTest::mouseClick(w.f.find("btnSearch"), Qt::LeftButton);
        QCOMPARE(w.status()->text(), Aborted);
    }
}

void TestSearch::secondSearchIsRefusedAndRowsTakeTheEditedKeyword() {
    SearchWindow w;
    w.server.setReply("/search", trickled(adPage()));
    QVERIFY(w.show());
    w.search(QStringLiteral("shoes"));
    const QString running = w.status()->text();
    QVERIFY(running.startsWith(QStringLiteral("Getting URL: ")));
    // The user edits the field and tries again, with Enter and with the button.
    w.search(QStringLiteral("boots"));
    QTest::mouseClick(w.f.find("btnSearch"), Qt::LeftButton);
    QCOMPARE(w.status()->text(), running);
    QTRY_COMPARE(w.status()->text(), Completed);
    QCOMPARE(w.server.requestCount(), 1);
    QCOMPARE(w.server.requests().first().target, QByteArray("/search?q=shoes"));
    // The rows carry the field's text as it read when the page had arrived.
    QCOMPARE(w.column(3), (QList<QByteArray>{"boots", "boots"}));
}

// Control characters pasted into the field go neither into the request nor into the rows; a
// keyword of nothing else, or of blanks, searches nothing.
void TestSearch::keywordWithoutControls_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("target"); // empty: no request

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("blanks") << QStringLiteral("   ") << QByteArray();
    QTest::newRow("line breaks only") << QStringLiteral("\r\n") << QByteArray();
    QTest::newRow("CR, LF and NUL inside")
        << QString::fromLatin1("red\r\nsh\0oes", 11) << QByteArray("/search?q=redshoes");
}

void TestSearch::keywordWithoutControls() {
    QFETCH(QString, field);
    QFETCH(QByteArray, target);
    SearchWindow w;
    w.server.setReply("/search", reply(adPage()));
    QVERIFY(w.show());
    w.keyword()->setText(field);
    QTest::mouseClick(w.f.find("btnSearch"), Qt::LeftButton);
    if (target.isEmpty()) {
        QCOMPARE(w.status()->text(), QString());
        QTest::qWait(100);
        QCOMPARE(w.server.requestCount(), 0);
        return;
    }
    QTRY_COMPARE(w.status()->text(), Completed);
    QCOMPARE(w.server.requests().first().target, target);
    QCOMPARE(w.column(3), (QList<QByteArray>{"redshoes", "redshoes"}));
}

void TestSearch::rowsAccumulateUntilCleared() {
    SearchWindow w;
    w.server.setReply("/search", reply(adPage()));
    QVERIFY(w.show());
    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE(w.status()->text(), Completed);
    w.search(QStringLiteral("hats"));
    QTRY_COMPARE(w.results().rowCount(), 4);
    QCOMPARE(w.column(4), (QList<QByteArray>{"1", "2", "1", "2"}));
    QCOMPARE(w.column(3), (QList<QByteArray>{"shoes", "shoes", "hats", "hats"}));

    QTest::mouseClick(w.f.find("btnClear"), Qt::LeftButton);
    QCOMPARE(w.results().rowCount(), 0);
    QCOMPARE(w.status()->text(), Completed);
    QCOMPARE(w.keyword()->text(), QStringLiteral("hats"));
}

void TestSearch::temporaryFileThatCannotBeCreated() {
    QTemporaryDir dir;
    SearchWindow w(dir.filePath(QStringLiteral("gone")));
    w.server.setReply("/search", reply(adPage()));
    QVERIFY(w.show());
    w.search(QStringLiteral("shoes"));
    QCOMPARE(w.f.reporter.messages.size(), 1);
    QVERIFY2(w.f.reporter.messages.first().contains(QStringLiteral("cannot be created")),
             qPrintable(w.f.reporter.messages.first()));
    QTest::qWait(50);
    QCOMPARE(w.server.requestCount(), 0);
    QCOMPARE(w.status()->text(), QString());
    QCOMPARE(w.gauge()->maxValue(), 100);
}

void TestSearch::exportWritesTheList() {
    SearchWindow w;
    QVERIFY(w.show());
    const QString file = w.dir.filePath(QStringLiteral("results.csv"));
    // Cancelled: nothing is written.
    QTest::mouseClick(w.f.find("bsSkinButton4"), Qt::LeftButton);
    QCOMPARE(w.f.saveDialog.asked.size(), 1);
    QCOMPARE(w.f.saveDialog.asked.first().title, QStringLiteral("Save results to csv"));
    QCOMPARE(w.f.saveDialog.asked.first().filter, QStringLiteral("Comma delimited (*.csv)"));
    QCOMPARE(w.f.saveDialog.asked.first().suffix, QStringLiteral("csv"));
    QVERIFY(!QFile::exists(file));

    w.results().appendRow({"27\" screen", "a, b", "x.example", "caf\xc3\xa9", "1"});
    velmora::testing::writeFileForTest(file, "old content that is longer than the new one, to be replaced");
    w.f.saveDialog.answers = {file};
    QTest::mouseClick(w.f.find("bsSkinButton4"), Qt::LeftButton);
    QCOMPARE(velmora::testing::readFileOrMarker(file),
             QByteArray("\"Ad Title\",\"Ad Text\",\"Ad URL\",\"Used Keyword\",\"Position\"\r\n"
                        "\"27\"\" screen\",\"a, b\",\"x.example\",\"caf\xc3\xa9\",\"1\"\r\n"));
    QVERIFY(w.f.messageBox.shown.isEmpty());
}

void TestSearch::failedExportIsShown_data() {
    QTest::addColumn<bool>("fullDisk"); // else a folder that does not exist
    QTest::addColumn<QString>("reason");
    QTest::newRow("no folder") << false << QString();
    QTest::newRow("full disk, over an older file") << true << QStringLiteral("No space left on device");
}

void TestSearch::failedExportIsShown() {
    QFETCH(bool, fullDisk);
    QFETCH(QString, reason);
    std::optional<velmora::testing::FullDisk> disk;
    SearchWindow w;
    QString file = w.dir.filePath(QStringLiteral("no folder/results.csv"));
    const QByteArray old = "\"Ad Title\",\"Ad Text\",\"Ad URL\",\"Used Keyword\",\"Position\"\r\n\"old\"\r\n";
    if (fullDisk) {
        disk.emplace();
        file = disk->filePath(QStringLiteral("results.csv"));
        if (disk->unavailable().isEmpty())
            velmora::testing::writeFileForTest(file, old);
        VELMORA_REQUIRE_FULL_DISK(*disk);
    }
    QVERIFY(w.show());
    w.results().appendRow({"t", "x", "u", "k", "1"});
    w.f.saveDialog.answers = {file};
    QTest::mouseClick(w.f.find("bsSkinButton4"), Qt::LeftButton);
    QCOMPARE(w.f.messageBox.shown.size(), 1);
    QCOMPARE(w.f.messageBox.shown.first().kind, velmora::app::MessageBox::Kind::Warning);
    const QString text = w.f.messageBox.shown.first().text;
    QVERIFY2(text.contains(QDir::toNativeSeparators(file)), qPrintable(text));
    QVERIFY2(text.section(u'\n', 1).size() > 3, qPrintable(text)); // and why
    QVERIFY2(text.contains(reason), qPrintable(text));
    // The file as it was: none, or the older one with every byte.
    QCOMPARE(velmora::testing::readFileOrMarker(file), fullDisk ? old : QByteArray("<missing>"));
    if (fullDisk)
        QCOMPARE(QDir(disk->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QStringLiteral("filler"), QStringLiteral("results.csv")}));
}

QTEST_MAIN(TestSearch)
#include "tst_Search.moc"
