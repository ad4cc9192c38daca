// The search through the web engine, in the real window and the real engine module, against a
// loopback server: ads that only a page's scripts write, the engine's consent page answered in
// the small window, a page that never settles, no module at all, and every way to cancel.
//
// The test links the engine itself only to act as the user would in the consent window (run
// the page's own script behind its button) and to see whether the engine's pages are gone.

#include "SearchWindowFixture.h"
#include "app/ConsentWindow.h"
#include "app/WebEngineLoader.h"
#include "search/ReadAds.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

using velmora::search::AdRow;
using velmora::search::EngineFetchSettings;
using velmora::testing::CannedReply;
using velmora::testing::RecordedRequest;
using velmora::testing::SearchWindow;

namespace {

constexpr int PageTimeoutMs = 30000;
const QString Completed = QStringLiteral("Download completed!");
const QString Aborted = QStringLiteral("Download aborted by user.");
const QString Loading = QStringLiteral("Loading the page with scripts...");
const QString AsksToConfirm =
    QStringLiteral("The search engine asks you to confirm before it shows results.");

// What the engine sends a client without scripts: a page that sends it on to an "enablejs"
// address, and whose scripts write the ads into the document, the second one well after the
// page has loaded but before the first has been quiet for long. The page declares a charset of
// its own, which the engine's markup no longer is in.
const QByteArray ScriptedAdsPage = R"html(<!doctype html>
<html><head><meta charset="windows-1252"><title>shoes - Search</title>
<noscript><meta content="0;url=/httpservice/retry/enablejs?sei=7" http-equiv="refresh"></noscript>
</head><body>
<noscript><div>Please click <a href="/httpservice/retry/enablejs?sei=7">here</a>.</div></noscript>
<div id="tads"></div>
<div id="rso"><div class="g"><a href="https://shoes.example/"><h3>Shoes for everyone</h3></a></div></div>
<script>
function ad(title, address, text) {
    var d = document.createElement('div');
    d.setAttribute('data-text-ad', '1');
    d.innerHTML = '<span>Sponsored</span><a data-rw="/aclk?x" href="/t"><div role="heading"></div>' +
        '<span role="text"></span></a><div><span></span></div>';
    d.querySelector('[role=heading]').textContent = title;
    d.querySelector('[role=text]').textContent = address;
    d.lastChild.firstChild.textContent = text;
    document.getElementById('tads').appendChild(d);
}
setTimeout(function () { ad('Red Shoes Sale', 'https://shoes.example \u203a sale', 'Best shoes in town.'); }, 300);
setTimeout(function () { ad('Caf\u00e9 Racer Boots', 'boots.example', 'Leather & suede, hand-made.'); }, 700);
</script></body></html>
)html";

// The same demand for scripts, without ads.
const QByteArray ScriptDemandPage =
    "<html><head><noscript><meta content=\"0;url=/httpservice/retry/enablejs\" "
    "http-equiv=\"refresh\"></noscript></head><body>Turn on JavaScript.</body></html>";

// A results page as the engine serves it once the user has agreed.
const QByteArray AgreedResultsPage =
    "<html><body><div id=\"tads\"><div data-text-ad=\"1\"><span>Sponsored</span><a data-rw=\"/aclk?y\" "
    "href=\"/t\"><div role=\"heading\">Garden Chairs</div><span role=\"text\">chairs.example</span></a>"
    "<div><span>Teak and steel.</span></div></div></div></body></html>";

// A document that changes for ever.
const QByteArray RestlessPage = "<html><body><p id=clock></p><script>setInterval(function () {"
                                "document.getElementById('clock').textContent = Date.now(); }, 50);"
                                "</script></body></html>";

// A document whose script never finishes arriving.
const QByteArray EndlessLoadPage = "<html><body><p>Wait</p><script src=\"/slow.js\"></script></body></html>";

const QByteArray PlainUserAgent = "MSIE";

bool fromPlainClient(const RecordedRequest& request) {
    return request.header("user-agent").contains(PlainUserAgent);
}

CannedReply reply(const QByteArray& body) {
    CannedReply r;
    r.body = body;
    return r;
}

CannedReply redirect(const QByteArray& location, const QByteArray& cookie = {}) {
    CannedReply r;
    r.status = 302;
    r.headers.append({"Location", location});
    if (!cookie.isEmpty())
        r.headers.append({"Set-Cookie", cookie + "; Path=/"});
    return r;
}

AdRow row(const QByteArray& title, const QByteArray& text, const QByteArray& url, const QByteArray& keyword,
          int position) {
    return {title, text, url, keyword, QByteArray::number(position)};
}

// The engine's consent dialog on its own host; its button stores the answer in a cookie of
// this server's own name (the profile, and so its cookies, last the test program's run) and
// goes back to the results.
void serveConsentFlow(SearchWindow& w) {
    const QByteArray port = QByteArray::number(w.server.port());
    const QByteArray cookie = "CONSENT" + port;
    w.server.setResponder("/search", [=, &w](const RecordedRequest& request) {
        if (fromPlainClient(request))
            return reply(ScriptDemandPage);
        if (request.header("cookie").contains(cookie + "=YES"))
            return reply(AgreedResultsPage);
        return redirect("http://consent.localhost:" + port + "/consent");
    });
    w.server.setReply(
        "/consent", reply("<html><body><p>Before you continue</p><form action=\"http://127.0.0.1:" + port +
                          "/consent/save\"><button id=\"accept\">Accept all</button></form></body></html>"));
    w.server.setReply("/consent/save", redirect(w.server.url("/search?q=shoes"), cookie + "=YES"));
}

int requestsFor(const SearchWindow& w, const QByteArray& path) {
    int count = 0;
    for (const RecordedRequest& request : w.server.requests())
        count += request.path == path;
    return count;
}

} // namespace

class TestEngineSearch : public QObject {
    Q_OBJECT

private slots:
    void adsThatOnlyScriptsWrite();
    void consentAnsweredInTheSmallWindow();
    void pageThatNeverSettles_data();
    void pageThatNeverSettles();
    void withoutTheModule();
    void cancelling_data();
    void cancelling();

private:
    EngineFetchSettings enginePages(int waitLimitMs = 20000) {
        return {velmora::app::moduleOffscreenPageFactory(m_loader), waitLimitMs};
    }
    static velmora::app::ConsentWindow* consentWindow(const SearchWindow& w) {
        return w.f.window->findChild<velmora::app::ConsentWindow*>();
    }
    static QPointer<QWebEnginePage> enginePage(const SearchWindow& w) {
        return w.f.find<QObject>("engineFetch")->findChild<QWebEnginePage*>();
    }

    velmora::app::WebEngineLoader m_loader{QStringLiteral(VELMORA_WEBENGINE_MODULE_DIR)};
};

void TestEngineSearch::adsThatOnlyScriptsWrite() {
    // Read as it arrives, the page has no ad.
    QCOMPARE(velmora::search::ReadAds(ScriptedAdsPage, "shoes").size(), 0);

    SearchWindow w({}, {}, enginePages());
    w.server.setReply("/search", reply(ScriptedAdsPage));
    QVERIFY(w.show());
    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE_WITH_TIMEOUT(w.status()->text(), Loading, PageTimeoutMs);

    // While the engine works, Enter and Search are refused and the status stays.
    w.search(QStringLiteral("boots"));
    QTest::mouseClick(w.f.find("btnSearch"), Qt::LeftButton);
    QCOMPARE(w.status()->text(), Loading);

    QTRY_COMPARE_WITH_TIMEOUT(w.status()->text(), Completed, PageTimeoutMs);
    const QList<AdRow> expected{
        row("Red Shoes Sale", "Best shoes in town.", "https://shoes.example \xe2\x80\xba sale", "boots", 1),
        row("Caf\xc3\xa9 Racer Boots", "Leather & suede, hand-made.", "boots.example", "boots", 2),
    };
    const QList<AdRow>& rows = w.results().rows();
    QCOMPARE(rows.size(), expected.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QCOMPARE(rows[r].title, expected[r].title);
        QCOMPARE(rows[r].text, expected[r].text);
        QCOMPARE(rows[r].url, expected[r].url);
        QCOMPARE(rows[r].keyword, expected[r].keyword);
        QCOMPARE(rows[r].position, expected[r].position);
    }
    QCOMPARE(w.gauge()->maxValue(), 100);
    QCOMPARE(w.gauge()->value(), 100);

    // The same address twice: once plain, once by the engine with its own user agent.
    QList<RecordedRequest> requests = w.server.requests();
    requests.removeIf([](const RecordedRequest& request) { return request.path != "/search"; });
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[1].target, requests[0].target);
    QVERIFY(fromPlainClient(requests[0]));
    QVERIFY2(requests[1].header("user-agent").contains("QtWebEngine"), requests[1].header("user-agent"));
    QVERIFY(enginePage(w).isNull());
    QCOMPARE(w.leftovers(), QStringList());
}

void TestEngineSearch::consentAnsweredInTheSmallWindow() {
    SearchWindow w({}, {}, enginePages());
    serveConsentFlow(w);
    QVERIFY(w.show());
    w.search(QStringLiteral("shoes"));
    QTRY_VERIFY_WITH_TIMEOUT(consentWindow(w) && consentWindow(w)->isVisible(), PageTimeoutMs);
    QPointer<velmora::app::ConsentWindow> consent = consentWindow(w);
    QCOMPARE(consent->findChild<QLabel*>(QStringLiteral("consentReason"))->text(), AsksToConfirm);
    QCOMPARE(w.status()->text(), AsksToConfirm);
    QCOMPARE(requestsFor(w, "/consent"), 1);
    QCOMPARE(w.results().rowCount(), 0);

    // The user presses the button.
    auto* view = consent->findChild<QWebEngineView*>();
    QVERIFY(view);
    view->page()->runJavaScript(QStringLiteral("document.getElementById('accept').click();"));

    // The window closes itself and the results are read.
    QTRY_COMPARE_WITH_TIMEOUT(w.status()->text(), Completed, PageTimeoutMs);
    QTRY_VERIFY(consent.isNull());
    QCOMPARE(w.column(0), QList<QByteArray>{"Garden Chairs"});
    QCOMPARE(w.column(1), QList<QByteArray>{"Teak and steel."});
    QCOMPARE(w.column(2), QList<QByteArray>{"chairs.example"});

    // The answer holds for the next search, which asks nobody.
    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE_WITH_TIMEOUT(w.status()->text(), Loading, PageTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(w.status()->text(), Completed, PageTimeoutMs);
    QCOMPARE(requestsFor(w, "/consent"), 1);
    QCOMPARE(w.column(4), (QList<QByteArray>{"1", "1"}));
}

void TestEngineSearch::pageThatNeverSettles_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("status");
    QTest::newRow("changing") << RestlessPage
                              << QStringLiteral(
                                     "The page was still changing after 1.5 seconds; no results were read.");
    QTest::newRow("loading") << EndlessLoadPage
                             << QStringLiteral(
                                    "The page was still loading after 1.5 seconds; no results were read.");
}

void TestEngineSearch::pageThatNeverSettles() {
    QFETCH(QByteArray, page);
    QFETCH(QString, status);
    SearchWindow w({}, {}, enginePages(1500));
    w.server.setResponder("/search", [page](const RecordedRequest& request) {
        return reply(fromPlainClient(request) ? ScriptDemandPage : page);
    });
    CannedReply endless = reply(QByteArray(100000, ' '));
    endless.contentType = "text/javascript";
    endless.chunkSize = 1;
    endless.intervalMs = 100;
    w.server.setReply("/slow.js", endless);
    QVERIFY(w.show());
    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE_WITH_TIMEOUT(w.status()->text(), Loading, PageTimeoutMs);
    QPointer<QWebEnginePage> engine = enginePage(w);
    QVERIFY(engine);
    QTRY_COMPARE_WITH_TIMEOUT(w.status()->text(), status, PageTimeoutMs);
    QCOMPARE(w.gauge()->value(), 0);
    QCOMPARE(w.results().rowCount(), 0);
    QTRY_VERIFY(engine.isNull());
}

void TestEngineSearch::withoutTheModule() {
    QTemporaryDir empty;
    velmora::app::WebEngineLoader missing(empty.path());
    SearchWindow w({}, {}, {velmora::app::moduleOffscreenPageFactory(missing)});
    w.server.setReply("/search", reply(ScriptedAdsPage));
    QVERIFY(w.show());
    w.search(QStringLiteral("shoes"));
    QTRY_VERIFY(!w.status()->text().startsWith(QStringLiteral("Getting URL")));
    QCOMPARE(
        w.status()->text(),
        QStringLiteral("The search engine asked for JavaScript; no results were read. It cannot be loaded "
                       "with scripts: The web engine module %1 could not be loaded: the file does not exist.")
            .arg(QDir::toNativeSeparators(missing.modulePath())));
    QCOMPARE(w.server.requestCount(), 1);
    QCOMPARE(w.results().rowCount(), 0);
}

void TestEngineSearch::cancelling_data() {
    QTest::addColumn<bool>("consent");     // cancelled in the consent window's time, else while loading
    QTest::addColumn<bool>("closeWindow"); // the main window closes
    QTest::addColumn<bool>("escape");      // Escape, else closing (the consent window, when shown)
    QTest::newRow("Escape while the page loads") << false << false << true;
    QTest::newRow("main window closed while the page loads") << false << true << false;
    QTest::newRow("consent window closed") << true << false << false;
    QTest::newRow("Escape in the consent window") << true << false << true;
    QTest::newRow("main window closed while the consent window shows") << true << true << false;
}

void TestEngineSearch::cancelling() {
    QFETCH(bool, consent);
    QFETCH(bool, closeWindow);
    QFETCH(bool, escape);
    SearchWindow w({}, {}, enginePages());
    if (consent) {
        serveConsentFlow(w);
    } else {
        // The engine gets the page slowly, so the search is caught while it loads.
        w.server.setResponder("/search", [](const RecordedRequest& request) {
            CannedReply r = reply(ScriptedAdsPage);
            if (!fromPlainClient(request)) {
                r.chunkSize = 64;
                r.intervalMs = 100;
            }
            return r;
        });
    }
    QVERIFY(w.show());
    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE_WITH_TIMEOUT(w.status()->text(), Loading, PageTimeoutMs);
    QPointer<QWebEnginePage> engine = enginePage(w);
    QVERIFY(engine);
    QPointer<velmora::app::ConsentWindow> window;
    if (consent) {
        QTRY_VERIFY_WITH_TIMEOUT(consentWindow(w) && consentWindow(w)->isVisible(), PageTimeoutMs);
        window = consentWindow(w);
    } else {
        QVERIFY(w.server.waitForRequests(2, PageTimeoutMs));
    }

    if (closeWindow) {
        QVERIFY(w.f.window->close());
    } else if (consent && escape) {
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    } else if (consent) {
        QVERIFY(window->close());
    } else {
        QTest::keyClick(w.keyword(), Qt::Key_Escape);
    }

    QCOMPARE(w.status()->text(), Aborted);
    QCOMPARE(w.gauge()->value(), 0);
    QVERIFY(!window || !window->isVisible());
    QTRY_VERIFY(window.isNull());
    QTRY_VERIFY(engine.isNull());
    QCOMPARE(w.f.window->isVisible(), !closeWindow);
    QTest::qWait(300); // nothing comes late
    QCOMPARE(w.status()->text(), Aborted);
    QCOMPARE(w.results().rowCount(), 0);
}

QTEST_MAIN(TestEngineSearch)
#include "tst_EngineSearch.moc"
