#pragma once

// A search as a phone through the web engine module, against a loopback engine: the module
// loaded as the program loads it, the page fetched by the phone's fetcher.

#include "app/WebEngineLoader.h"
#include "search/EnginePageFetcher.h"

#include <QSignalSpy>
#include <QTest>

namespace velmora::testing {

inline search::FetchedPage fetchAsPhone(const QByteArray& url, const search::PhoneProfile& phone) {
    static app::WebEngineLoader loader(QStringLiteral(VELMORA_WEBENGINE_MODULE_DIR));
    search::EnginePageFetcher fetcher({app::modulePhonePageFactory(loader, phone), 30000, 300});
    QSignalSpy finished(&fetcher, &search::SearchFetcher::finished);
    QString whyNot;
    if (!fetcher.start(QUrl::fromEncoded(url), &whyNot)) {
        search::FetchedPage none;
        none.why = whyNot;
        return none;
    }
    if (!finished.wait(40000) || finished.size() != 1)
        return {};
    return finished.first().first().value<search::FetchedPage>();
}

} // namespace velmora::testing
