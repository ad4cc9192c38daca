#include "search/DownloadFetcher.h"

#include "search/PageDownload.h"

#include <exception>

namespace velmora::search {

FetchedPage FetchedFromDownload(const DownloadResult& result) {
    FetchedPage page;
    page.finalUrl = result.finalUrl;
    switch (result.outcome) {
    case DownloadResult::Outcome::Aborted:
        page.outcome = FetchedPage::Outcome::Aborted;
        page.why = DownloadEndStatus(result, false);
        return page;
    case DownloadResult::Outcome::Failed:
        page.outcome = FetchedPage::Outcome::Failed;
        page.why = DownloadEndStatus(result, false);
        return page;
    case DownloadResult::Outcome::Completed:
        break;
    }
    page.verdict = JudgePage(result.finalUrl, result.pageText);
    if (page.verdict != PageVerdict::ResultsPage) {
        page.outcome = FetchedPage::Outcome::Verdict;
        page.why = PageVerdictSentence(page.verdict);
        return page;
    }
    page.outcome = FetchedPage::Outcome::Completed;
    page.pageText = result.pageText;
    return page;
}

DownloadFetcher::DownloadFetcher(PageDownload& download, QObject* parent)
    : SearchFetcher(parent), m_download(download) {
    connect(&m_download, &PageDownload::finished, this, &DownloadFetcher::downloaded);
}

bool DownloadFetcher::start(const QUrl& url, QString* whyNot) {
    try {
        return m_download.start(url);
    } catch (const std::exception& error) {
        // The temporary file could not be made: nothing was sent.
        if (whyNot)
            *whyNot = QString::fromUtf8(error.what());
        return false;
    }
}

void DownloadFetcher::abort() {
    m_download.abort();
}

bool DownloadFetcher::isRunning() const {
    return m_download.isRunning();
}

void DownloadFetcher::downloaded(const DownloadResult& result) {
    emit finished(FetchedFromDownload(result));
}

} // namespace velmora::search
