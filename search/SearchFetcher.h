#pragma once

#include "search/OffscreenPage.h"
#include "search/PageVerdict.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

namespace velmora::search {

// How one fetch of a results page ended, as plain values.
struct FetchedPage {
    enum class Outcome { Completed, Failed, Verdict, Aborted };
    Outcome outcome = Outcome::Failed;
    QByteArray pageText; // Completed: the page as read by search::ReadAds
    QUrl finalUrl;
    bool throughEngine = false;                     // loaded with scripts (history LoadMethod::Scripts)
    PageVerdict verdict = PageVerdict::ResultsPage; // Verdict: what the page is
    QString why;                                    // Failed / Verdict: one sentence
};

// Where a search gets its results page from: a plain download, the web engine, or the one then
// the other. Runners and windows hold one of these and do not care which.
class SearchFetcher : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts fetching url. One fetch at a time: false while one runs; false with the reason in
    // *whyNot when it cannot start at all.
    virtual bool start(const QUrl& url, QString* whyNot) = 0;
    // Stops a running fetch: finished(Aborted) comes before this returns, if one ran. Does
    // nothing otherwise, so calling it twice is harmless.
    virtual void abort() = 0;

signals:
    // Only fetchers that may show a page to the user emit this: the run waits (no time limit)
    // until the user got through to results (then finished(Completed)) or abort().
    void userNeeded(velmora::search::PageVerdict verdict, velmora::search::OffscreenPage* page);
    // Exactly once per started fetch.
    void finished(const velmora::search::FetchedPage& page);
};

} // namespace velmora::search
