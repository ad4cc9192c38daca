#pragma once

// Runs a list of keywords one after the other through a page fetcher (a plain download, or the
// web engine for a phone), with a random pause between searches, and stores each search in the
// history with its market, device and how the page was loaded. Three failed searches in a row
// pause the run; a consent or captcha page the fetcher cannot get through stops it at that
// keyword, which is the one a resumed run starts with.
//
// With a history store the list itself is kept there (ListStore) before the first search, and
// every keyword is leased before it is searched and ended in the same transaction as its
// search: a run killed at any point loses no keyword, and on resume only the keyword that was in
// flight is searched again (stored once). Several runners, in several processes or on several
// machines, may work on one stored list at once. A history that cannot be reached or written
// pauses the list's run and is tried again with a growing wait. Without a store the list lives
// in memory only.

#include "history/HistoryStore.h"
#include "history/ListStore.h"
#include "search/AdRow.h"
#include "search/PageVerdict.h"
#include "search/SearchPacing.h"
#include "search/SearchUrl.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <optional>

namespace velmora::util {
class RandomSource;
}
namespace velmora::search {
class OffscreenPage;
class SearchFetcher;
struct FetchedPage;
} // namespace velmora::search

namespace velmora::history {

class KeywordRunner final : public QObject {
    Q_OBJECT

public:
    enum class End {
        AllDone,             // every keyword searched
        SomeFailed,          // every keyword tried, some failed (failedKeywords())
        PausedAfterFailures, // three failures in a row; resume() goes on with the next keyword
        StoppedAtVerdict,    // the engine asked for consent or a captcha; resume() tries it again
        Stopped,             // stop() was called
        Paused,              // pause() was called; resume() goes on
    };
    Q_ENUM(End)

    static constexpr int FailuresBeforePause = 3;

    // Calls then after ms milliseconds. The real one is a single-shot timer; tests pass their own.
    using Schedule = std::function<void(int ms, std::function<void()> then)>;

    struct Options {
        QByteArray searchUrlPrefix; // search::SearchUrlPrefix of the engine
        search::Market market;
        search::Device device = search::Device::Desktop; // as the fetcher presents itself
        search::PauseRange pause;
    };

    // The fetcher and the store (which may be null: nothing is stored) outlive the runner.
    KeywordRunner(Options options, search::SearchFetcher& fetcher, util::RandomSource& random,
                  HistoryStore* store, Schedule schedule = {}, QObject* parent = nullptr);
    ~KeywordRunner() override;

    // Starts the list from its first keyword; with a store the list is stored under listName
    // first (a store that cannot keep it is said through historyNotWritten, and the list runs in
    // memory). False while a run is going on.
    bool start(const QString& listName, QList<QByteArray> keywords);
    // Takes up the newest unfinished stored list of that name, with its market, device and pause
    // from the store; keywords leased by processes of this machine that no longer run (SQLite)
    // are taken again first. False, with sentence(), without a store or such a list.
    bool resumeList(const QString& listName);
    // Goes on after a pause or a verdict, from the keyword the run stopped before.
    bool resume();
    // The search under way finishes (its rows are kept), then finished(Paused); in the pause
    // between searches the run pauses at once.
    void pause();
    // Ends the run: finished(Stopped) comes before this returns, unless nothing was running. A
    // keyword whose search is cut off goes back to the stored list.
    void stop();
    bool isRunning() const { return m_running; }
    // Stored lists: how long a keyword stays leased to this runner (a few times a search's time;
    // two minutes unless set), and the name the lease gives it (ListStore::ThisWorker() unless set).
    void setLease(qint64 ms, const QString& worker = {});

    const Options& options() const { return m_options; }
    int keywordCount() const;
    // Keywords searched or failed for good (with a stored list: by every runner of the list).
    int doneCount() const;
    int nextIndex() const { return m_next; }
    qint64 adsSoFar() const { return m_ads; }
    // The time the rest of the list will take: the mean search time so far and the mean pause,
    // for every keyword left; nothing before the first search ended.
    std::optional<qint64> msLeft() const;
    // The stored list the run works on, as of the last keyword.
    const std::optional<StoredList>& storedList() const { return m_list; }
    // Failed keywords: of this run, or of the whole list when it is stored.
    const QList<QByteArray>& failedKeywords() const { return m_failed; }
    // Why the run paused or stopped, one sentence; empty otherwise.
    const QString& sentence() const { return m_sentence; }

signals:
    void keywordStarted(int index, int count, const QByteArray& keyword);
    void rowsRead(const QList<velmora::search::AdRow>& rows);
    // ok false: the search failed, why says so.
    void keywordFinished(int index, bool ok, const QString& why);
    // The history's marks of the rows just read (one per row, in their order), once they are stored.
    void rowsMarked(const QList<velmora::history::AdMark>& marks);
    // The history could not store a search, said once per run.
    void historyNotWritten(const QString& sentence);
    // The fetcher shows a consent or captcha page to the user: the search waits until the user
    // got through, or stop() is called.
    void userNeeded(velmora::search::PageVerdict verdict, velmora::search::OffscreenPage* page);
    void finished(velmora::history::KeywordRunner::End end);

private:
    bool begin();
    void runNext();
    void fetched(const search::FetchedPage& page);
    void keywordFailed(const QString& why);
    void advance();
    void end(End how);
    void wait(int ms, std::function<void()> then);
    // A history that failed: said, and then tried again after a growing wait.
    void troubled(const QString& why, std::function<void()> again);
    // Stores the search (ending the stored keyword with it: done or failed), then calls then.
    void record(SearchOutcome outcome, const QString& outcomeText, const QList<search::AdRow>& rows,
                std::function<void()> then);
    void releaseCurrent();

    Options m_options;
    qint64 m_leaseMs = 2 * 60 * 1000;
    QString m_worker;
    search::SearchFetcher& m_fetcher;
    util::RandomSource& m_random;
    HistoryStore* m_store;
    Schedule m_schedule;
    std::unique_ptr<ListStore> m_lists;
    std::optional<StoredList> m_list; // the stored list, when the run works on one
    ListKeyword m_current;            // the keyword searched now or last
    bool m_leased = false;            // m_current is leased and not yet ended
    QList<QByteArray> m_keywords;
    QList<QByteArray> m_failed;
    QString m_sentence;
    int m_next = 0;
    qint64 m_ads = 0;
    qint64 m_searchMs = 0; // time spent in the searches of this run
    int m_searches = 0;
    int m_retryMs = 0;
    QElapsedTimer m_searchTime;
    bool m_pauseAsked = false;
    bool m_throughEngine = false; // the page of the search under way came through the web engine
    int m_failuresInARow = 0;
    bool m_running = false;
    bool m_waiting = false; // in the pause before the next search
    bool m_historySaid = false;
    quint64 m_generation = 0; // a pause scheduled by an earlier run does nothing
};

// "12 of 300 · red shoes · 41 ads so far · about 1 h 50 min left": number is the keyword's
// place in the run (done + 1 while it is searched); without msLeft the last part is left out.
QString ProgressLine(int number, int total, const QByteArray& keyword, qint64 ads,
                     std::optional<qint64> msLeft);
// "about 1 h 50 min left", "about 4 min left", "about 30 s left".
QString TimeLeftText(qint64 ms);

} // namespace velmora::history
