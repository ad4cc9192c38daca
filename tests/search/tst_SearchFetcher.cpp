// The fetchers a search gets its page from, against a loopback engine: how a plain download ends
// (results, failure, the engine's demands), and the desktop window's way, which takes a page
// the download could not use into the web engine (here a scripted stand-in for its page).

#include "search/DownloadFetcher.h"
#include "search/EnginePageFetcher.h"
#include "search/PageDownload.h"

#include "LoopbackServer.h"
#include "ScriptedRandom.h"
#include "StandInEnginePage.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora::search;
using velmora::testing::CannedReply;
using velmora::testing::LoopbackServer;
using velmora::testing::ScriptedRandom;
using Outcome = FetchedPage::Outcome;

Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(PageVerdict)

namespace {

// Serves answer at /search: 'r' a results page, 'f' a server error, 'c' a redirect to the
// captcha page, 's' a page that sends clients without scripts on to its script demand.
void serve(LoopbackServer& server, char answer) {
    CannedReply reply;
    reply.body = "<html><div id=tads><a id=an1 href=/x>Shoes</a> Cheap<cite>shop.example</cite></div></html>";
    if (answer == 'f') {
        reply.status = 500;
    } else if (answer == 'c') {
        reply.status = 302;
        reply.headers = {{"Location", "/sorry/index"}};
    } else if (answer == 's') {
        reply.body = "<html><noscript><meta http-equiv=refresh content=\"0;url=/httpservice/retry/enablejs\">"
                     "</noscript></html>";
    }
    server.setReply("/search", reply);
    CannedReply captcha;
    captcha.body = "<form id=captcha-form></form>";
    server.setReply("/sorry/index", captcha);
}

FetchedPage fetchOnce(SearchFetcher& fetcher, const QByteArray& url) {
    QSignalSpy finished(&fetcher, &SearchFetcher::finished);
    QString whyNot;
    if (!fetcher.start(QUrl::fromEncoded(url), &whyNot) || !finished.wait(10000) || finished.size() != 1)
        return {};
    return finished.first().first().value<FetchedPage>();
}

} // namespace

class TestSearchFetcher : public QObject {
    Q_OBJECT

private slots:
    void outcomes_data();
    void outcomes();
    void abortEndsOnce();
};

void TestSearchFetcher::outcomes_data() {
    QTest::addColumn<char>("answer");
    QTest::addColumn<bool>("engineAfterDownload"); // the desktop window's fetcher
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<PageVerdict>("verdict");
    QTest::addColumn<bool>("throughEngine");
    QTest::addColumn<int>("enginePages");

    QTest::newRow("results downloaded")
        << 'r' << false << Outcome::Completed << PageVerdict::ResultsPage << false << 0;
    QTest::newRow("server error") << 'f' << false << Outcome::Failed << PageVerdict::ResultsPage << false
                                  << 0;
    QTest::newRow("captcha is a verdict")
        << 'c' << false << Outcome::Verdict << PageVerdict::CaptchaPage << false << 0;
    QTest::newRow("script demand is a verdict")
        << 's' << false << Outcome::Verdict << PageVerdict::NeedsJavaScript << false << 0;
    // The window's way: the download is used where it can be, the engine where it cannot.
    QTest::newRow("window: results downloaded")
        << 'r' << true << Outcome::Completed << PageVerdict::ResultsPage << false << 0;
    QTest::newRow("window: server error stays a failure")
        << 'f' << true << Outcome::Failed << PageVerdict::ResultsPage << false << 0;
    QTest::newRow("window: script demand goes to the engine")
        << 's' << true << Outcome::Completed << PageVerdict::ResultsPage << true << 1;
    QTest::newRow("window: captcha goes to the engine")
        << 'c' << true << Outcome::Completed << PageVerdict::ResultsPage << true << 1;
}

void TestSearchFetcher::outcomes() {
    QFETCH(char, answer);
    QFETCH(bool, engineAfterDownload);
    QFETCH(Outcome, outcome);
    QFETCH(PageVerdict, verdict);
    QFETCH(bool, throughEngine);
    QFETCH(int, enginePages);

    LoopbackServer server;
    serve(server, answer);
    QTemporaryDir folder;
    ScriptedRandom random(QList<int>(4, 0));
    PageDownload download(folder.path(), random);
    QList<QUrl> asked; // of the engine
    EngineFetchSettings engine{velmora::testing::StandInResultsPages(QStringLiteral("Scripted"), &asked),
                               5000, 50};
    EnginePageFetcher window(engine, &download);
    DownloadFetcher plain(download);
    SearchFetcher& fetcher = engineAfterDownload ? static_cast<SearchFetcher&>(window) : plain;

    const FetchedPage page = fetchOnce(fetcher, server.url("/search?q=shoes"));
    QCOMPARE(page.outcome, outcome);
    QCOMPARE(page.verdict, verdict);
    QCOMPARE(page.throughEngine, throughEngine);
    QCOMPARE(asked.size(), enginePages);
    // A page to read only when one came, and a sentence whenever none did.
    QCOMPARE(page.pageText.isEmpty(), outcome != Outcome::Completed);
    QCOMPARE(page.why.isEmpty(), outcome == Outcome::Completed);
    QVERIFY(!window.isRunning() && !plain.isRunning());
}

void TestSearchFetcher::abortEndsOnce() {
    LoopbackServer server;
    CannedReply never;
    never.neverAnswer = true;
    server.setReply("/search", never);
    QTemporaryDir folder;
    ScriptedRandom random(QList<int>(4, 0));
    PageDownload download(folder.path(), random);
    DownloadFetcher plain(download);
    EnginePageFetcher window({}, &download);
    const auto running = [&] { return plain.isRunning() || window.isRunning(); };
    for (SearchFetcher* fetcher :
         {static_cast<SearchFetcher*>(&plain), static_cast<SearchFetcher*>(&window)}) {
        QSignalSpy finished(fetcher, &SearchFetcher::finished);
        QString whyNot;
        QVERIFY(fetcher->start(QUrl::fromEncoded(server.url("/search?q=shoes")), &whyNot));
        QVERIFY(running());
        QVERIFY(!fetcher->start(QUrl::fromEncoded(server.url("/search?q=boots")), &whyNot));
        fetcher->abort();
        fetcher->abort();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<FetchedPage>().outcome, Outcome::Aborted);
        QVERIFY(!running());
    }
}

QTEST_GUILESS_MAIN(TestSearchFetcher)
#include "tst_SearchFetcher.moc"
