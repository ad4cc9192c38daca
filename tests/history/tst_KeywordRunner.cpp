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

    QVERIFY(runner.start(keywords));
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
    QVERIFY(runner.start({"red shoes", "boots"}));
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

QTEST_GUILESS_MAIN(TestKeywordRunner)
#include "tst_KeywordRunner.moc"
