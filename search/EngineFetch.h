#pragma once

#include "search/OffscreenPage.h"
#include "search/PageVerdict.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class QTimer;

namespace velmora::search {

// How a fetch through the web engine ended, as plain values.
struct EngineFetchResult {
    enum class Outcome {
        Completed,  // a results page settled; pageText holds its markup
        Failed,     // the page could not be loaded
        TimedOut,   // the page was still loading or changing when the wait ran out
        NotResults, // the page settled as something else than a results page: see verdict
        Aborted,    // abort() was called while it ran
    };
    Outcome outcome = Outcome::Failed;
    // The document's markup as UTF-8 page text (a byte-order mark first, so that the reader
    // takes it as UTF-8 whatever charset the page once declared); empty unless Completed.
    QByteArray pageText;
    QUrl finalUrl;
    PageVerdict verdict = PageVerdict::ResultsPage; // what the settled page is, for NotResults
    QString errorText;                              // why, for Failed and TimedOut
};

// What the engine path needs from outside: where its pages come from, and how long it waits.
struct EngineFetchSettings {
    OffscreenPageFactory pages;
    // The whole wait for a page to load and settle, unless the user is shown the page.
    int waitLimitMs = 20000;
    // A document is settled when no load runs and it has not changed for this long.
    int quietMs = 500;
};

// The status-bar sentences of the engine path: while it runs; when the engine path cannot run
// for a page the plain download judged, with the reason; and how a fetch ended (while the
// window closes every end counts as an abort).
QString EngineLoadingStatus();
QString EngineUnavailableStatus(PageVerdict verdict, const QString& whyNot);
QString EngineFetchEndStatus(const EngineFetchResult& result, bool closing);
// The sentence above a page shown to the user, saying why it is shown.
QString UserCheckSentence(PageVerdict verdict);

// Loads a results page through the web engine, for a search whose plain download got a page
// that asks for scripts, consent or a captcha first. One fetch at a time, each in a new page:
// it waits until the page has loaded and its document has stayed unchanged for a while, takes
// the document's markup and judges it. A results page ends the fetch. A consent or captcha page
// is offered to the user (userNeeded); from then on the wait has no limit, and the fetch ends
// when the user has got through to a results page, or is aborted. finished() comes exactly
// once per started fetch, and the page is released before it comes.
class EngineFetch final : public QObject {
    Q_OBJECT

public:
    explicit EngineFetch(EngineFetchSettings settings, QObject* parent = nullptr);
    ~EngineFetch() override;

    // Starts loading url in a new page. False, doing nothing, while a fetch runs; false with
    // the reason in whyNot when no page can be made.
    bool start(const QUrl& url, QString& whyNot);
    bool isRunning() const { return m_page != nullptr; }
    // Stops a running fetch: finished() reports Aborted before this returns. Does nothing when
    // none runs, so calling it twice is harmless.
    void abort();
    // The running fetch's page, for showing it to the user; nullptr when none runs.
    OffscreenPage* page() const { return m_page.get(); }

signals:
    // The engine's load progress of the current document, 0 to 100.
    void progress(int percent);
    // The page waits for the user: show page() with UserCheckSentence(verdict).
    void userNeeded(velmora::search::PageVerdict verdict);
    void finished(const velmora::search::EngineFetchResult& result);

private:
    // What identifies one state of the document: the loads begun so far and its change count.
    struct DocumentState {
        int loads = 0;
        qint64 changes = -1;
        bool operator==(const DocumentState&) const = default;
    };

    void onLoadStarted();
    void onLoadFinished(bool ok, const QString& errorText);
    void poll();
    void checkChanges(qint64 changes);
    void judge(const DocumentState& state, const QString& html);
    void onDeadline();
    void finish(EngineFetchResult result);
    EngineFetchResult ended(EngineFetchResult::Outcome outcome, QString errorText = {}) const;

    EngineFetchSettings m_settings;
    std::unique_ptr<OffscreenPage> m_page;
    QTimer* m_pollTimer;
    QTimer* m_deadline;
    int m_loads = 0;           // loads begun in this fetch
    bool m_loadedOnce = false; // a load has finished
    QString m_loadError;       // why the last load failed; empty when it did not
    bool m_userShown = false;
    bool m_asking = false; // a question to the page is under way
    DocumentState m_state;
    bool m_stateSeen = false;        // m_state was seen since the last load began or ended
    bool m_changedSinceLoad = false; // the document changed after the last load ended
    DocumentState m_judged;          // the last state judged to be no results page
    QElapsedTimer m_sinceChange;
};

} // namespace velmora::search
