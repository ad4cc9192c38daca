#include "search/EnginePageFetcher.h"

#include "search/DownloadFetcher.h"
#include "search/PageDownload.h"

#include <exception>

namespace velmora::search {

FetchedPage FetchedFromEngine(const EngineFetchResult& result) {
    using Outcome = EngineFetchResult::Outcome;
    FetchedPage page;
    page.finalUrl = result.finalUrl;
    page.throughEngine = true;
    switch (result.outcome) {
    case Outcome::Completed:
        page.outcome = FetchedPage::Outcome::Completed;
        page.pageText = result.pageText;
        break;
    case Outcome::NotResults:
        page.outcome = FetchedPage::Outcome::Verdict;
        page.verdict = result.verdict;
        page.why = PageVerdictSentence(result.verdict);
        break;
    case Outcome::Aborted:
        page.outcome = FetchedPage::Outcome::Aborted;
        page.why = EngineFetchEndStatus(result, false);
        break;
    case Outcome::Failed:
    case Outcome::TimedOut:
        page.outcome = FetchedPage::Outcome::Failed;
        page.why = result.errorText;
        break;
    }
    return page;
}

EnginePageFetcher::EnginePageFetcher(EngineFetchSettings settings, PageDownload* download, QObject* parent)
    : SearchFetcher(parent), m_engine(new EngineFetch(std::move(settings), this)), m_download(download) {
    connect(m_engine, &EngineFetch::userNeeded, this,
            [this](PageVerdict verdict) { emit userNeeded(verdict, m_engine->page()); });
    connect(m_engine, &EngineFetch::finished, this, &EnginePageFetcher::engineFinished);
    if (m_download)
        connect(m_download, &PageDownload::finished, this, &EnginePageFetcher::downloaded);
}

EnginePageFetcher::~EnginePageFetcher() {
    // Quietly: the engine's page goes with it, and nobody is to hear of it.
    m_engine->disconnect(this);
}

bool EnginePageFetcher::start(const QUrl& url, QString* whyNot) {
    if (m_running)
        return false;
    QString reason;
    bool started = false;
    if (m_download) {
        try {
            started = m_download->start(url);
        } catch (const std::exception& error) {
            reason = QString::fromUtf8(error.what());
        }
    } else {
        started = m_engine->start(url, reason);
    }
    if (!started) {
        if (whyNot)
            *whyNot = reason;
        return false;
    }
    m_url = url;
    m_running = true;
    return true;
}

void EnginePageFetcher::abort() {
    if (!m_running)
        return;
    if (m_engine->isRunning())
        m_engine->abort();
    else if (m_download)
        m_download->abort();
}

bool EnginePageFetcher::isRunning() const {
    return m_running;
}

void EnginePageFetcher::downloaded(const DownloadResult& result) {
    if (!m_running)
        return;
    FetchedPage page = FetchedFromDownload(result);
    // Consent, captcha or no scripts: the engine may get through where the download did not.
    if (page.outcome == FetchedPage::Outcome::Verdict) {
        loadWithScripts(page.verdict);
        return;
    }
    m_running = false;
    emit finished(page);
}

void EnginePageFetcher::loadWithScripts(PageVerdict verdict) {
    QString whyNot;
    if (m_engine->start(m_url, whyNot))
        return;
    m_running = false;
    FetchedPage page;
    page.outcome = FetchedPage::Outcome::Verdict;
    page.finalUrl = m_url;
    page.verdict = verdict;
    page.why = EngineUnavailableStatus(verdict, whyNot);
    emit finished(page);
}

void EnginePageFetcher::engineFinished(const EngineFetchResult& result) {
    if (!m_running)
        return;
    m_running = false;
    emit finished(FetchedFromEngine(result));
}

} // namespace velmora::search
