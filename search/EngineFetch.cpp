#include "search/EngineFetch.h"

#include "search/PageText.h"

#include <QTimer>

namespace velmora::search {
namespace {

// How often a loaded page is asked whether its document has changed. A change is seen at most
// this late, so a document counts as settled only after it has truly been quiet long enough.
constexpr int PollIntervalMs = 100;

QString seconds(int ms) {
    return QString::number(ms / 1000.0);
}

} // namespace

QString EngineLoadingStatus() {
    return QStringLiteral("Loading the page with scripts...");
}

QString EngineUnavailableStatus(PageVerdict verdict, const QString& whyNot) {
    return PageVerdictSentence(verdict) + QStringLiteral(" It cannot be loaded with scripts: ") + whyNot;
}

QString UserCheckSentence(PageVerdict verdict) {
    if (verdict == PageVerdict::CaptchaPage)
        return QStringLiteral("The search engine asks you to solve a captcha before it shows results.");
    return QStringLiteral("The search engine asks you to confirm before it shows results.");
}

QString EngineFetchEndStatus(const EngineFetchResult& result, bool closing) {
    using Outcome = EngineFetchResult::Outcome;
    if (closing || result.outcome == Outcome::Aborted)
        return QStringLiteral("Download aborted by user.");
    switch (result.outcome) {
    case Outcome::Completed:
        return QStringLiteral("Download completed!");
    case Outcome::NotResults:
        return PageVerdictSentence(result.verdict);
    case Outcome::Failed:
    case Outcome::TimedOut:
    case Outcome::Aborted:
        break;
    }
    return result.errorText;
}

EngineFetch::EngineFetch(EngineFetchSettings settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_pollTimer(new QTimer(this)),
      m_deadline(new QTimer(this)) {
    m_pollTimer->setInterval(PollIntervalMs);
    connect(m_pollTimer, &QTimer::timeout, this, &EngineFetch::poll);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, &EngineFetch::onDeadline);
}

EngineFetch::~EngineFetch() {
    // Quietly: whoever listened may be half destroyed already. The page's own objects are
    // children of this one and go with it.
    m_page.reset();
}

bool EngineFetch::start(const QUrl& url, QString& whyNot) {
    if (isRunning())
        return false;
    if (!m_settings.pages) {
        whyNot = QStringLiteral("No web engine is available.");
        return false;
    }
    std::unique_ptr<OffscreenPage> page = m_settings.pages(this, whyNot);
    if (!page)
        return false;
    m_page = std::move(page);
    m_loads = 0;
    m_loadedOnce = false;
    m_stateSeen = false;
    m_changedSinceLoad = false;
    m_loadError.clear();
    m_userShown = false;
    m_asking = false;
    m_state = {};
    m_judged = {};
    m_page->setEvents({
        [this] { onLoadStarted(); },
        [this](int percent) { emit progress(percent); },
        [this](bool ok, const QString& errorText) { onLoadFinished(ok, errorText); },
    });
    m_deadline->start(m_settings.waitLimitMs);
    m_pollTimer->start();
    m_page->load(url);
    return true;
}

void EngineFetch::abort() {
    finish(ended(EngineFetchResult::Outcome::Aborted));
}

void EngineFetch::onLoadStarted() {
    ++m_loads;
    m_loadError.clear();
    m_stateSeen = false;
    // An answer about the document being left may never come; one that still comes finds a
    // new load and is not taken for the new document.
    m_asking = false;
}

void EngineFetch::onLoadFinished(bool ok, const QString& errorText) {
    m_loadedOnce = true;
    m_loadError = ok                    ? QString()
                  : errorText.isEmpty() ? QStringLiteral("the engine gave no reason")
                                        : errorText;
    m_sinceChange.restart();
    m_stateSeen = false;
    m_changedSinceLoad = false;
}

void EngineFetch::poll() {
    if (!m_page || m_asking || !m_loadedOnce || m_page->isLoading())
        return;
    if (!m_loadError.isEmpty()) {
        // No later load replaced the failed one: the failure stands. A user shown the page
        // sees the engine's error page and may go on from it.
        if (!m_userShown)
            finish(ended(EngineFetchResult::Outcome::Failed,
                         QStringLiteral("The page could not be loaded with scripts: %1.").arg(m_loadError)));
        return;
    }
    m_asking = true;
    m_page->countDocumentChanges([this](qint64 changes) {
        m_asking = false;
        checkChanges(changes);
    });
}

void EngineFetch::checkChanges(qint64 changes) {
    if (!m_page || m_page->isLoading())
        return;
    const DocumentState now{m_loads, changes};
    if (now != m_state) {
        m_changedSinceLoad = m_stateSeen;
        m_state = now;
        m_stateSeen = true;
        m_sinceChange.restart();
        return;
    }
    if (m_sinceChange.elapsed() < m_settings.quietMs || m_state == m_judged)
        return;
    m_asking = true;
    m_page->markup([this, state = m_state](const QString& html) {
        m_asking = false;
        judge(state, html);
    });
}

void EngineFetch::judge(const DocumentState& state, const QString& html) {
    // A document that changed while its markup was taken is looked at again once it settles.
    if (!m_page || state != m_state || state.loads != m_loads || m_page->isLoading())
        return;
    // The engine hands the document over as text; as UTF-8 it needs its mark, or the reader
    // would take a charset the page declared for its original bytes.
    const QByteArray pageText = PageTextFromBytes(QByteArray("\xEF\xBB\xBF") + html.toUtf8());
    const QUrl url = m_page->url();
    const PageVerdict verdict = JudgePage(url, pageText, MarkupSource::ScriptedPage);
    if (verdict == PageVerdict::ResultsPage) {
        EngineFetchResult result = ended(EngineFetchResult::Outcome::Completed);
        result.pageText = pageText;
        finish(std::move(result));
        return;
    }
    m_judged = state;
    if (m_userShown)
        return; // the user is still on the way to the results
    if (verdict == PageVerdict::ConsentPage || verdict == PageVerdict::CaptchaPage) {
        // Only the user can answer: the wait now lasts as long as the user takes.
        m_userShown = true;
        m_deadline->stop();
        emit userNeeded(verdict);
        return;
    }
    EngineFetchResult result = ended(EngineFetchResult::Outcome::NotResults);
    result.verdict = verdict;
    finish(std::move(result));
}

void EngineFetch::onDeadline() {
    const bool changing = m_loadedOnce && m_changedSinceLoad && m_page && !m_page->isLoading();
    finish(ended(EngineFetchResult::Outcome::TimedOut,
                 QStringLiteral("The page was still %1 after %2 seconds; no results were read.")
                     .arg(changing ? QStringLiteral("changing") : QStringLiteral("loading"),
                          seconds(m_settings.waitLimitMs))));
}

EngineFetchResult EngineFetch::ended(EngineFetchResult::Outcome outcome, QString errorText) const {
    EngineFetchResult result;
    result.outcome = outcome;
    result.errorText = std::move(errorText);
    if (m_page)
        result.finalUrl = m_page->url();
    return result;
}

void EngineFetch::finish(EngineFetchResult result) {
    if (!m_page)
        return;
    m_pollTimer->stop();
    m_deadline->stop();
    m_asking = false;
    // The page goes before anyone hears of the end, so no engine object outlives the fetch.
    m_page.reset();
    emit finished(result);
}

} // namespace velmora::search
