#pragma once

#include "search/EngineFetch.h"
#include "search/SearchFetcher.h"

namespace velmora::search {

class PageDownload;
struct DownloadResult;

// Results pages through the web engine, with scripts: the phone's way, straight into the engine
// with pages that present themselves as a phone; and the desktop window's way, a plain download
// first and the engine only when the downloaded page asks for scripts, consent or a captcha, as
// a single search does. A consent or captcha page in the engine is offered to the user
// (userNeeded) and the fetch waits for as long as the user takes.
class EnginePageFetcher final : public SearchFetcher {
    Q_OBJECT

public:
    // Without a download every page goes straight to the engine (settings.pages makes the
    // pages, phone pages for a phone). The download outlives the fetcher.
    EnginePageFetcher(EngineFetchSettings settings, PageDownload* download = nullptr,
                      QObject* parent = nullptr);
    ~EnginePageFetcher() override;

    bool start(const QUrl& url, QString* whyNot) override;
    void abort() override;
    bool isRunning() const;

    // The engine's load progress of the current page, 0 to 100.
    EngineFetch& engine() { return *m_engine; }

private:
    void downloaded(const DownloadResult& result);
    void loadWithScripts(PageVerdict verdict);
    void engineFinished(const EngineFetchResult& result);

    EngineFetch* m_engine;
    PageDownload* m_download;
    QUrl m_url;
    bool m_running = false;
};

// A finished fetch of the engine as a fetched page.
FetchedPage FetchedFromEngine(const EngineFetchResult& result);

} // namespace velmora::search
