// The fetch through the web engine on a scripted stand-in for the engine's page: how it ends
// when the engine fails or settles on something else than a results page, and its one end per
// start. The real engine's page is driven by the window's tests.

#include "search/EngineFetch.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using velmora::search::EngineFetch;
using velmora::search::EngineFetchResult;
using velmora::search::EngineFetchSettings;
using velmora::search::OffscreenPage;
using Outcome = EngineFetchResult::Outcome;

Q_DECLARE_METATYPE(Outcome)

namespace {

// One load as the engine reports it: whether it succeeds, and why not.
struct ScriptedLoad {
    bool ok = true;
    QString errorText;
};

// A page that goes through its loads one after the other, each started and finished on the
// event loop, and then shows a fixed document at a fixed address.
class ScriptedPage final : public OffscreenPage {
public:
    ScriptedPage(QList<ScriptedLoad> loads, QUrl finalUrl, QString html)
        : m_loads(std::move(loads)), m_url(std::move(finalUrl)), m_html(std::move(html)) {}

    void setEvents(Events events) override { m_events = std::move(events); }
    void load(const QUrl&) override {
        m_loading = true;
        QTimer::singleShot(0, &m_context, [this] { next(); });
    }
    bool isLoading() const override { return m_loading; }
    QUrl url() const override { return m_url; }
    void countDocumentChanges(std::function<void(qint64)> done) override { done(7); }
    void markup(std::function<void(const QString&)> done) override { done(m_html); }
    QWidget* createView(QWidget*) override { return nullptr; }

private:
    void next() {
        if (m_loads.isEmpty())
            return;
        const ScriptedLoad load = m_loads.takeFirst();
        m_events.loadStarted();
        m_loading = !m_loads.isEmpty();
        m_events.loadFinished(load.ok, load.errorText);
        if (!m_loads.isEmpty())
            QTimer::singleShot(0, &m_context, [this] { next(); });
    }

    QObject m_context;
    QList<ScriptedLoad> m_loads;
    QUrl m_url;
    QString m_html;
    Events m_events;
    bool m_loading = false;
};

EngineFetchSettings scripted(QList<ScriptedLoad> loads, const char* finalUrl, const char* html) {
    return {[=](QObject*, QString&) -> std::unique_ptr<OffscreenPage> {
                return std::make_unique<ScriptedPage>(loads, QUrl(QString::fromLatin1(finalUrl)),
                                                      QString::fromLatin1(html));
            },
            5000, 50};
}

const char ResultsUrl[] = "http://127.0.0.1:9/search?q=shoes";

} // namespace

class TestEngineFetch : public QObject {
    Q_OBJECT

private slots:
    void ends_data();
    void ends();
    void oneEndPerStart();
    void userAnsweringIsNotCutOff();
};

void TestEngineFetch::ends_data() {
    QTest::addColumn<EngineFetchSettings>("settings");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("status");

    QTest::newRow("results page") << scripted({{}}, ResultsUrl, "<div id=tads></div>") << Outcome::Completed
                                  << QStringLiteral("Download completed!");
    QTest::newRow("load fails")
        << scripted({{false, QStringLiteral("net::ERR_CONNECTION_REFUSED")}}, ResultsUrl, "")
        << Outcome::Failed
        << QStringLiteral("The page could not be loaded with scripts: net::ERR_CONNECTION_REFUSED.");
    QTest::newRow("failed load replaced by the next")
        << scripted({{false, QStringLiteral("net::ERR_ABORTED")}, {}}, ResultsUrl, "<p>results</p>")
        << Outcome::Completed << QStringLiteral("Download completed!");
    QTest::newRow("engine sent on to the script demand")
        << scripted({{}}, "http://127.0.0.1:9/httpservice/retry/enablejs?sei=1", "<p>Turn on JavaScript</p>")
        << Outcome::NotResults
        << QStringLiteral("The search engine asked for JavaScript; no results were read.");
}

void TestEngineFetch::ends() {
    QFETCH(EngineFetchSettings, settings);
    QFETCH(Outcome, outcome);
    QFETCH(QString, status);
    EngineFetch fetch(settings);
    QSignalSpy finished(&fetch, &EngineFetch::finished);
    QString whyNot;
    QVERIFY(fetch.start(QUrl(QString::fromLatin1(ResultsUrl)), whyNot));
    QVERIFY(finished.wait(3000));
    const auto result = finished.first().first().value<EngineFetchResult>();
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(velmora::search::EngineFetchEndStatus(result, false), status);
    QCOMPARE(!result.pageText.isEmpty(), outcome == Outcome::Completed);
    QVERIFY(!fetch.isRunning());
}

void TestEngineFetch::oneEndPerStart() {
    EngineFetch fetch(scripted({{}}, ResultsUrl, "<p>results</p>"));
    QSignalSpy finished(&fetch, &EngineFetch::finished);
    QString whyNot;
    QVERIFY(fetch.start(QUrl(QString::fromLatin1(ResultsUrl)), whyNot));
    QVERIFY(!fetch.start(QUrl(QString::fromLatin1(ResultsUrl)), whyNot)); // refused while it runs
    fetch.abort();
    fetch.abort();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().value<EngineFetchResult>().outcome, Outcome::Aborted);
    QTest::qWait(200); // the page's own events would have come by now
    QCOMPARE(finished.size(), 1);

    // Without pages it says why and starts nothing.
    EngineFetch none({});
    QVERIFY(!none.start(QUrl(QString::fromLatin1(ResultsUrl)), whyNot));
    QCOMPARE(whyNot, QStringLiteral("No web engine is available."));
}

void TestEngineFetch::userAnsweringIsNotCutOff() {
    EngineFetchSettings settings =
        scripted({{}}, "http://consent.localhost:9/consent", "<p>Before you continue</p>");
    settings.waitLimitMs = 600;
    EngineFetch fetch(settings);
    QSignalSpy userNeeded(&fetch, &EngineFetch::userNeeded);
    QSignalSpy finished(&fetch, &EngineFetch::finished);
    QString whyNot;
    QVERIFY(fetch.start(QUrl(QString::fromLatin1(ResultsUrl)), whyNot));
    QVERIFY(userNeeded.wait(3000));

    // The user takes longer than the wait for a page may last, and the fetch still waits.
    QTest::qWait(2 * settings.waitLimitMs);
    QCOMPARE(finished.size(), 0);
    QVERIFY(fetch.isRunning());
    fetch.abort();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().value<EngineFetchResult>().outcome, Outcome::Aborted);
}

QTEST_GUILESS_MAIN(TestEngineFetch)
#include "tst_EngineFetch.moc"
