// A keyword list run against a loopback engine: the market in every address and in the history,
// the pauses drawn between searches (scripted, so nothing waits), and how the run ends when
// searches fail or the engine asks for a captcha.

#include "history/HistoryStore.h"
#include "history/KeywordRunner.h"
#include "search/DownloadFetcher.h"
#include "search/EnginePageFetcher.h"
#include "search/PageDownload.h"

#include "LoopbackServer.h"
#include "ScriptedRandom.h"
#include "StandInEnginePage.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using velmora::history::HistoryLocation;
using velmora::history::HistoryStore;
using velmora::history::KeywordRunner;
using velmora::search::AdRow;
using velmora::search::Device;
using velmora::search::DownloadFetcher;
using velmora::search::EnginePageFetcher;
using velmora::search::PageDownload;
using velmora::search::SearchFetcher;
using velmora::testing::CannedReply;
using velmora::testing::LoopbackServer;
using velmora::testing::RecordedRequest;
using velmora::testing::ScriptedRandom;
using velmora::testing::StandInResultsPages;

Q_DECLARE_METATYPE(KeywordRunner::End)

namespace {

// A classic results page with one ad naming its keyword.
QByteArray ResultsPage(const QByteArray& keyword) {
    return "<html><div><a id=an1 href=\"/x\">" + keyword + " deals</a> Cheap " + keyword +
           "<cite>shop.example</cite></div></html>";
}

CannedReply Page(QByteArray body) {
    CannedReply reply;
    reply.body = std::move(body);
    return reply;
}

} // namespace

class TestKeywordRunner : public QObject {
    Q_OBJECT

private slots:
    void runsList_data();
    void runsList();
    void marketInAddressAndHistory_data();
    void marketInAddressAndHistory();
    void progressLine_data();
    void progressLine();
    void pauseAndResumeStoredList();
};

void TestKeywordRunner::runsList_data() {
    // What the engine answers to each keyword, in list order: 'a' a results page with an ad,
    // 'f' a server error, 'c' a redirect to its captcha page.
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<KeywordRunner::End>("end");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<QByteArray>>("failed");
    QTest::addColumn<int>("nextIndex"); // where a resumed run starts

    using End = KeywordRunner::End;
    using L = QList<QByteArray>;
    QTest::newRow("all done") << QByteArray("aaa") << End::AllDone << 3 << 3 << L{} << 3;
    QTest::newRow("failures apart go on")
        << QByteArray("faffa") << End::SomeFailed << 5 << 2 << L{"k0", "k2", "k3"} << 5;
    QTest::newRow("three in a row pause")
        << QByteArray("afffaa") << End::PausedAfterFailures << 4 << 1 << L{"k1", "k2", "k3"} << 4;
    // The first captcha stops the run: the engine is not asked again.
    QTest::newRow("captcha stops at once")
        << QByteArray("acaa") << End::StoppedAtVerdict << 2 << 1 << L{} << 1;
}

void TestKeywordRunner::runsList() {
    QFETCH(QByteArray, answers);
    QFETCH(KeywordRunner::End, end);
    QFETCH(int, requests);
    QFETCH(int, rows);
    QFETCH(QList<QByteArray>, failed);
    QFETCH(int, nextIndex);

    LoopbackServer server;
    server.setResponder("/search", [answers](const RecordedRequest& request) {
        const QByteArray keyword = request.target.mid(request.target.indexOf("q=") + 2);
        const char answer = answers.at(keyword.mid(1).toInt());
        CannedReply reply = Page(ResultsPage(keyword));
        if (answer == 'f') {
            reply.status = 500;
        } else if (answer == 'c') {
            reply.status = 302;
            reply.headers = {{"Location", "/sorry/index"}};
        }
        return reply;
    });
    server.setReply("/sorry/index", Page("<form id=captcha-form></form>"));

    QTemporaryDir folder;
    ScriptedRandom random(QList<int>(answers.size() * 2, 0));
    PageDownload download(folder.path(), random);
    DownloadFetcher fetcher(download);
    QList<int> pauses;
    KeywordRunner runner({server.url() + "/search?q=", {}, {}, {}}, fetcher, random, nullptr,
                         [&](int ms, std::function<void()> then) {
                             pauses.append(ms);
                             QTimer::singleShot(0, std::move(then));
                         });
    QSignalSpy finished(&runner, &KeywordRunner::finished);
    QList<AdRow> read;
    connect(&runner, &KeywordRunner::rowsRead, this, [&](const QList<AdRow>& rows) { read += rows; });
    QList<QByteArray> keywords;
    for (int i = 0; i < answers.size(); ++i)
        keywords.append("k" + QByteArray::number(i));

    QVERIFY(runner.start(QStringLiteral("list"), keywords));
    QVERIFY(finished.wait(10000) || finished.size() == 1);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<KeywordRunner::End>(), end);
    int searches = 0;
    for (const RecordedRequest& request : server.requests())
        searches += request.path == "/search" ? 1 : 0;
    QCOMPARE(searches, requests);
    QCOMPARE(read.size(), rows);
    QCOMPARE(runner.failedKeywords(), failed);
    QCOMPARE(runner.nextIndex(), nextIndex);
    // A pause before every search but the first, and none after the run ends.
    QCOMPARE(pauses, QList<int>(requests - 1, 20000));
    QVERIFY(!runner.isRunning());
    if (end == KeywordRunner::End::PausedAfterFailures || end == KeywordRunner::End::StoppedAtVerdict) {
        QVERIFY(!runner.sentence().isEmpty());
        // Resumed, it goes on where it stopped; stopped, it says so at once.
        QSignalSpy started(&runner, &KeywordRunner::keywordStarted);
        QVERIFY(runner.resume());
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.at(0).at(0).toInt(), nextIndex);
        runner.stop();
        QCOMPARE(finished.size(), 2);
        QCOMPARE(finished.at(1).at(0).value<KeywordRunner::End>(), KeywordRunner::End::Stopped);
    }
}

void TestKeywordRunner::marketInAddressAndHistory_data() {
    QTest::addColumn<Device>("device");
    QTest::addColumn<bool>("throughEngine"); // the engine's fetcher (stand-in pages), or the download
    QTest::addColumn<QString>("stored");     // device and load method
    QTest::newRow("desktop, downloaded") << Device::Desktop << false << QStringLiteral("desktop|download");
    QTest::newRow("desktop, with scripts") << Device::Desktop << true << QStringLiteral("desktop|scripts");
    QTest::newRow("phone") << Device::Phone << true << QStringLiteral("phone|scripts");
}

void TestKeywordRunner::marketInAddressAndHistory() {
    QFETCH(Device, device);
    QFETCH(bool, throughEngine);
    QFETCH(QString, stored);
    LoopbackServer server;
    server.setResponder("/search", [](const RecordedRequest&) { return Page(ResultsPage("shoes")); });
    QTemporaryDir folder;
    HistoryLocation location;
    location.kind = HistoryLocation::Kind::SQLite;
    location.filePath = folder.filePath(QStringLiteral("history.sqlite"));
    HistoryStore store(location);
    ScriptedRandom random(QList<int>(8, 0));
    PageDownload download(folder.path(), random);
    DownloadFetcher plain(download);
    QList<QUrl> asked;
    EnginePageFetcher engine({StandInResultsPages(QStringLiteral("Shoes"), &asked), 5000, 50});
    SearchFetcher& fetcher = throughEngine ? static_cast<SearchFetcher&>(engine) : plain;
    KeywordRunner runner({server.url() + "/search?q=", {"de", "en"}, device, {0, 0}}, fetcher, random,
                         &store);
    QSignalSpy finished(&runner, &KeywordRunner::finished);
    QVERIFY(runner.start(QStringLiteral("shoes"), {"red shoes", "boots"}));
    QVERIFY(finished.wait(10000));

    QList<QByteArray> targets;
    for (const RecordedRequest& request : server.requests())
        targets.append(request.target);
    for (const QUrl& url : asked)
        targets.append(url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority));
    QCOMPARE(targets, (QList<QByteArray>{"/search?q=red+shoes&gl=de&hl=en", "/search?q=boots&gl=de&hl=en"}));
    QSqlQuery query(store.database());
    QVERIFY(
        query.exec(QStringLiteral("SELECT k.keyword || '|' || s.market || '|' || s.device || '|' ||"
                                  " s.load_method || '|' || s.ad_count"
                                  " FROM searches s JOIN keywords k ON k.id = s.keyword_id ORDER BY s.id")));
    QStringList rows;
    while (query.next())
        rows << query.value(0).toString();
    QCOMPARE(rows, (QStringList{"red shoes|de/en|" + stored + "|1", "boots|de/en|" + stored + "|1"}));
}

void TestKeywordRunner::progressLine_data() {
    QTest::addColumn<int>("ads");
    QTest::addColumn<qint64>("msLeft"); // -1: no estimate yet
    QTest::addColumn<QString>("line");
    QTest::newRow("no estimate") << 0 << qint64(-1)
                                 << QStringLiteral("12 of 300 \u00b7 red shoes \u00b7 0 ads so far");
    QTest::newRow("one ad, seconds")
        << 1 << qint64(44'600)
        << QStringLiteral("12 of 300 \u00b7 red shoes \u00b7 1 ad so far \u00b7 about 45 s left");
    QTest::newRow("under a second says one")
        << 2 << qint64(300)
        << QStringLiteral("12 of 300 \u00b7 red shoes \u00b7 2 ads so far \u00b7 about 1 s left");
    QTest::newRow("minutes rounded")
        << 41 << qint64(90'000)
        << QStringLiteral("12 of 300 \u00b7 red shoes \u00b7 41 ads so far \u00b7 about 2 min left");
    QTest::newRow("hours and minutes")
        << 41 << qint64(6'600'000)
        << QStringLiteral("12 of 300 \u00b7 red shoes \u00b7 41 ads so far \u00b7 about 1 h 50 min left");
    QTest::newRow("whole hours")
        << 41 << qint64(7'190'000)
        << QStringLiteral("12 of 300 \u00b7 red shoes \u00b7 41 ads so far \u00b7 about 2 h left");
}

void TestKeywordRunner::progressLine() {
    QFETCH(int, ads);
    QFETCH(qint64, msLeft);
    QFETCH(QString, line);
    QCOMPARE(velmora::history::ProgressLine(12, 300, "red shoes", ads,
                                            msLeft < 0 ? std::nullopt : std::optional<qint64>(msLeft)),
             line);
}

// A pause asked for while a search runs lets it end and keeps it; the stored list then knows
// where to go on, and a second runner resumes it from there.
void TestKeywordRunner::pauseAndResumeStoredList() {
    LoopbackServer server;
    server.setResponder("/search", [](const RecordedRequest& request) {
        return Page(ResultsPage(request.target.mid(request.target.indexOf("q=") + 2)));
    });
    QTemporaryDir folder;
    HistoryLocation location;
    location.kind = HistoryLocation::Kind::SQLite;
    location.filePath = folder.filePath(QStringLiteral("history.sqlite"));
    HistoryStore store(location);
    ScriptedRandom random(QList<int>(16, 0));
    PageDownload download(folder.path(), random);
    const KeywordRunner::Options options{
        server.url() + "/search?q=", {"de", ""}, velmora::history::Device::Desktop, {0, 0}};
    DownloadFetcher fetcher(download);
    QList<AdRow> read;
    {
        KeywordRunner runner(options, fetcher, random, &store);
        connect(&runner, &KeywordRunner::rowsRead, this, [&](const QList<AdRow>& rows) { read += rows; });
        connect(&runner, &KeywordRunner::keywordStarted, &runner, [&](int done) {
            if (done == 1)
                runner.pause();
        });
        QSignalSpy finished(&runner, &KeywordRunner::finished);
        QVERIFY(runner.start(QStringLiteral("shoes"), {"k0", "k1", "k2", "k3"}));
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.at(0).at(0).value<KeywordRunner::End>(), KeywordRunner::End::Paused);
        QCOMPARE(runner.doneCount(), 2);
        QVERIFY(runner.msLeft().has_value());
        QCOMPARE(read.size(), 2);
    }
    KeywordRunner again({server.url() + "/search?q=", {}, velmora::history::Device::Desktop, {}}, fetcher,
                        random, &store);
    connect(&again, &KeywordRunner::rowsRead, this, [&](const QList<AdRow>& rows) { read += rows; });
    QSignalSpy finished(&again, &KeywordRunner::finished);
    QVERIFY(again.resumeList(QStringLiteral("shoes")));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(0).at(0).value<KeywordRunner::End>(), KeywordRunner::End::AllDone);
    QStringList keywords;
    for (const AdRow& row : read)
        keywords << QString::fromUtf8(row.keyword);
    QCOMPARE(keywords, (QStringList{"k0", "k1", "k2", "k3"}));
    // The list's own market and pause, not the second runner's.
    QCOMPARE(server.requests().last().target, QByteArray("/search?q=k3&gl=de"));
    QCOMPARE(server.requests().size(), 4);
    QVERIFY(!velmora::history::ListStore(store).find(QStringLiteral("shoes"), nullptr));
}

QTEST_GUILESS_MAIN(TestKeywordRunner)
#include "tst_KeywordRunner.moc"
