#pragma once

// Runs a list of keywords one after the other through a page fetcher (a plain download, or the
// web engine for a phone), with a random pause between searches, and stores each search in the
// history with its market, device and how the page was loaded. Three failed searches in a row
// pause the run; a consent or captcha page the fetcher cannot get through stops it at that
// keyword, which is the one a resumed run starts with.

#include "history/HistoryStore.h"
#include "search/AdRow.h"
#include "search/PageVerdict.h"
#include "search/SearchPacing.h"
#include "search/SearchUrl.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

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

    // Starts the list from its first keyword. False while a run is going on.
    bool start(QList<QByteArray> keywords);
    // Goes on after a pause or a verdict, from the keyword the run stopped before.
    bool resume();
    // Ends the run: finished(Stopped) comes before this returns, unless nothing was running.
    void stop();
    bool isRunning() const { return m_running; }

    int keywordCount() const { return int(m_keywords.size()); }
    int nextIndex() const { return m_next; }
    const QList<QByteArray>& failedKeywords() const { return m_failed; }
    // Why the run paused or stopped, one sentence; empty otherwise.
    const QString& sentence() const { return m_sentence; }

signals:
    void keywordStarted(int index, int count, const QByteArray& keyword);
    void rowsRead(const QList<velmora::search::AdRow>& rows);
    // ok false: the search failed, why says so.
    void keywordFinished(int index, bool ok, const QString& why);
    // The history could not store a search, said once per run.
    void historyNotWritten(const QString& sentence);
    // The fetcher shows a consent or captcha page to the user: the search waits until the user
    // got through, or stop() is called.
    void userNeeded(velmora::search::PageVerdict verdict, velmora::search::OffscreenPage* page);
    void finished(velmora::history::KeywordRunner::End end);

private:
    void runNext();
    void fetched(const search::FetchedPage& page);
    void keywordFailed(const QString& why);
    void advance();
    void end(End how);
    void record(SearchOutcome outcome, const QString& outcomeText, const QList<search::AdRow>& rows,
                bool throughEngine);

    Options m_options;
    search::SearchFetcher& m_fetcher;
    util::RandomSource& m_random;
    HistoryStore* m_store;
    Schedule m_schedule;
    QList<QByteArray> m_keywords;
    QList<QByteArray> m_failed;
    QString m_sentence;
    int m_next = 0;
    int m_failuresInARow = 0;
    bool m_running = false;
    bool m_waiting = false; // in the pause before the next search
    bool m_historySaid = false;
    quint64 m_generation = 0; // a pause scheduled by an earlier run does nothing
};

} // namespace velmora::history
