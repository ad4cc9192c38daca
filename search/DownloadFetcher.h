#pragma once

#include "search/SearchFetcher.h"

namespace velmora::search {

class PageDownload;
struct DownloadResult;

// The desktop page as the engine gives it to a client without scripts: a plain download, judged.
// A page that asks for scripts, consent or a captcha ends the fetch as a Verdict; nothing is
// ever shown to the user.
class DownloadFetcher final : public SearchFetcher {
    Q_OBJECT

public:
    // The download outlives the fetcher, and runs only this fetcher's fetches.
    explicit DownloadFetcher(PageDownload& download, QObject* parent = nullptr);

    bool start(const QUrl& url, QString* whyNot) override;
    void abort() override;
    bool isRunning() const;

private:
    void downloaded(const DownloadResult& result);

    PageDownload& m_download;
};

// A finished download as a fetched page: failures and non-results pages with their sentence.
FetchedPage FetchedFromDownload(const DownloadResult& result);

} // namespace velmora::search
