#include "history/KeywordRunner.h"

#include "history/HistoryStore.h"
#include "search/PageVerdict.h"
#include "search/ReadAds.h"
#include "search/SearchFetcher.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>

namespace velmora::history {
namespace {

// How often a runner looks again when every keyword left is leased by another runner.
constexpr int LeasedPollMs = 1000;
constexpr int MostRetryMs = 60 * 1000;

search::Market MarketFromName(const QByteArray& name) {
    const qsizetype slash = name.indexOf('/');
    if (slash < 0)
        return {};
    return {name.left(slash), name.mid(slash + 1)};
}

} // namespace

KeywordRunner::KeywordRunner(Options options, search::SearchFetcher& fetcher, util::RandomSource& random,
                             HistoryStore* store, Schedule schedule, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_fetcher(fetcher), m_random(random), m_store(store),
      m_schedule(std::move(schedule)) {
    if (!m_schedule) {
        m_schedule = [this](int ms, std::function<void()> then) {
            QTimer::singleShot(ms, this, std::move(then));
        };
    }
    m_worker = ListStore::ThisWorker();
    if (m_store)
        m_lists = std::make_unique<ListStore>(*m_store);
    connect(&m_fetcher, &search::SearchFetcher::finished, this, &KeywordRunner::fetched);
    connect(&m_fetcher, &search::SearchFetcher::userNeeded, this, &KeywordRunner::userNeeded);
}

KeywordRunner::~KeywordRunner() = default;

void KeywordRunner::setLease(qint64 ms, const QString& worker) {
    m_leaseMs = ms;
    if (!worker.isEmpty())
        m_worker = worker;
}

int KeywordRunner::keywordCount() const {
    return m_list ? m_list->total : int(m_keywords.size());
}

int KeywordRunner::doneCount() const {
    return m_list ? m_list->done : m_next;
}

std::optional<qint64> KeywordRunner::msLeft() const {
    if (m_searches == 0)
        return std::nullopt;
    const qint64 left = keywordCount() - doneCount();
    if (left <= 0)
        return 0;
    const qint64 meanPauseMs = (qint64(m_options.pause.minSeconds) + m_options.pause.maxSeconds) * 500;
    return left * (m_searchMs / m_searches) + (left - 1) * meanPauseMs;
}

bool KeywordRunner::start(const QString& listName, QList<QByteArray> keywords) {
    if (m_running)
        return false;
    m_list.reset();
    m_keywords.clear();
    m_historySaid = false;
    if (m_lists) {
        QString why;
        m_list =
            m_lists->create(listName, keywords, m_options.market, m_options.device, m_options.pause, &why);
        if (!m_list) {
            m_historySaid = true;
            emit historyNotWritten(why);
        }
    }
    if (!m_list)
        m_keywords = std::move(keywords);
    m_failed.clear();
    m_next = 0;
    return begin();
}

bool KeywordRunner::resumeList(const QString& listName) {
    if (m_running)
        return false;
    if (!m_lists) {
        m_sentence = QStringLiteral("Lists can only be resumed from a history.");
        return false;
    }
    QString why;
    std::optional<StoredList> list = m_lists->find(listName, &why);
    if (!list) {
        m_sentence = why.isEmpty()
                         ? QStringLiteral("There is no unfinished list '%1' in the history.").arg(listName)
                         : why;
        return false;
    }
    if (list->device != m_options.device) {
        // The page fetcher was made for one device: the caller makes a runner for the list's.
        m_sentence =
            QStringLiteral("The list '%1' is searched as a %2, not as a %3.")
                .arg(listName, search::DeviceName(list->device), search::DeviceName(m_options.device));
        return false;
    }
    if (m_store->dialect().kind == SqlDialect::Kind::SQLite)
        m_lists->releaseOrphans(*list, &why);
    m_list = list;
    m_keywords.clear();
    m_options.market = MarketFromName(list->market);
    m_options.device = list->device;
    m_options.pause = list->pause;
    m_failed.clear();
    m_next = 0;
    m_historySaid = false;
    return begin();
}

bool KeywordRunner::begin() {
    m_ads = 0;
    m_searchMs = 0;
    m_searches = 0;
    return resume();
}

bool KeywordRunner::resume() {
    if (m_running)
        return false;
    m_running = true;
    m_pauseAsked = false;
    m_sentence.clear();
    m_failuresInARow = 0;
    m_retryMs = 0;
    ++m_generation;
    runNext();
    return true;
}

void KeywordRunner::pause() {
    if (!m_running)
        return;
    if (m_waiting) {
        ++m_generation; // the pending pause or retry does nothing
        releaseCurrent();
        end(End::Paused);
        return;
    }
    m_pauseAsked = true; // the search under way ends first
}

void KeywordRunner::stop() {
    if (!m_running)
        return;
    ++m_generation; // a pending pause ends nothing later
    // Not running any more, so the aborted fetch's end is not counted as a failure.
    m_running = false;
    m_fetcher.abort();
    releaseCurrent();
    end(End::Stopped);
}

void KeywordRunner::releaseCurrent() {
    if (!m_leased || !m_lists)
        return;
    QString why;
    m_lists->release(*m_list, m_current.position, m_worker, &why);
    m_leased = false; // a release that failed leaves the keyword to its lease's end
}

void KeywordRunner::wait(int ms, std::function<void()> then) {
    m_waiting = true;
    const quint64 generation = m_generation;
    m_schedule(ms, [this, generation, then = std::move(then)] {
        if (generation != m_generation || !m_running)
            return;
        m_waiting = false;
        then();
    });
}

void KeywordRunner::troubled(const QString& why, std::function<void()> again) {
    m_retryMs = m_retryMs == 0 ? 1000 : std::min(m_retryMs * 2, MostRetryMs);
    emit historyNotWritten(QStringLiteral("%1 Trying again in %2 s.").arg(why).arg(m_retryMs / 1000));
    wait(m_retryMs, [this, again = std::move(again)] {
        m_store->reopen();
        again();
    });
}

void KeywordRunner::runNext() {
    if (m_list) {
        QString why;
        const std::optional<ListKeyword> taken = m_lists->take(*m_list, m_worker, m_leaseMs, &why);
        if (!why.isEmpty()) {
            troubled(why, [this] { runNext(); });
            return;
        }
        if (std::optional<StoredList> now = m_lists->reload(m_list->id, &why))
            m_list = now;
        if (!taken) {
            // Keywords leased by other runners end, or their leases run out and they come back.
            if (m_lists->leasedCount(*m_list, &why) > 0) {
                wait(LeasedPollMs, [this] { runNext(); });
                return;
            }
            m_failed = m_lists->failedKeywords(*m_list, &why);
            end(m_failed.isEmpty() ? End::AllDone : End::SomeFailed);
            return;
        }
        m_retryMs = 0;
        m_current = *taken;
        m_leased = true;
    } else {
        if (m_next >= m_keywords.size()) {
            end(m_failed.isEmpty() ? End::AllDone : End::SomeFailed);
            return;
        }
        m_current = {m_next, m_keywords.at(m_next)};
    }
    emit keywordStarted(doneCount(), keywordCount(), m_current.keyword);
    m_searchTime.start();
    m_throughEngine = false;
    const QByteArray url = search::SearchUrl(m_options.searchUrlPrefix, m_current.keyword, m_options.market);
    QString whyNot;
    // A page that cannot be fetched at all (no temporary file, no web engine) fails this
    // search; the list goes on.
    if (!m_fetcher.start(QUrl::fromEncoded(url), &whyNot))
        keywordFailed(whyNot.isEmpty() ? QStringLiteral("Another download was running.") : whyNot);
}

void KeywordRunner::fetched(const search::FetchedPage& page) {
    if (!m_running || m_waiting)
        return;
    m_searchMs += m_searchTime.elapsed();
    ++m_searches;
    m_throughEngine = page.throughEngine;
    using Outcome = search::FetchedPage::Outcome;
    if (page.outcome == Outcome::Failed || page.outcome == Outcome::Aborted) {
        keywordFailed(page.why);
        return;
    }
    if (page.outcome == Outcome::Verdict) {
        // Asking again at once would only hammer the engine: the run stops before this keyword,
        // which goes back to the stored list.
        m_sentence = page.why;
        record(SearchOutcome::Verdict, m_sentence, {}, {});
        releaseCurrent();
        emit keywordFinished(m_current.position, false, m_sentence);
        end(End::StoppedAtVerdict);
        return;
    }
    const QList<search::AdRow> rows = search::ReadAds(page.pageText, m_current.keyword);
    m_failuresInARow = 0;
    m_ads += rows.size();
    // The rows go out before the keyword is marked done: a crash in between searches the keyword
    // again rather than losing its rows.
    emit rowsRead(rows);
    record(rows.isEmpty() ? SearchOutcome::NoAds : SearchOutcome::AdsRead, {}, rows, [this] {
        emit keywordFinished(m_current.position, true, {});
        advance();
    });
}

void KeywordRunner::keywordFailed(const QString& why) {
    record(SearchOutcome::Error, why, {}, [this, why] {
        if (!m_list)
            m_failed.append(m_current.keyword);
        emit keywordFinished(m_current.position, false, why);
        if (++m_failuresInARow >= FailuresBeforePause) {
            m_sentence =
                QStringLiteral("The list is paused: %1 searches in a row failed, the last with \"%2\"")
                    .arg(m_failuresInARow)
                    .arg(why);
            ++m_next;
            end(End::PausedAfterFailures);
            return;
        }
        advance();
    });
}

void KeywordRunner::advance() {
    ++m_next;
    if (m_list) {
        QString why;
        if (std::optional<StoredList> now = m_lists->reload(m_list->id, &why))
            m_list = now;
    }
    if (m_pauseAsked) {
        end(End::Paused);
        return;
    }
    if (m_list ? m_list->left() <= 0 : m_next >= m_keywords.size()) {
        runNext(); // ends the run: no pause after the last search
        return;
    }
    wait(search::NextPauseMs(m_options.pause, m_random), [this] { runNext(); });
}

void KeywordRunner::end(End how) {
    m_running = false;
    m_waiting = false;
    m_pauseAsked = false;
    emit finished(how);
}

void KeywordRunner::record(SearchOutcome outcome, const QString& outcomeText,
                           const QList<search::AdRow>& rows, std::function<void()> then) {
    const auto goOn = [&then] {
        if (then)
            then();
    };
    if (!m_store)
        return goOn();
    SearchRecord search;
    search.time = QDateTime::currentDateTimeUtc();
    search.keyword = m_current.keyword;
    search.market = search::MarketName(m_options.market);
    search.device = m_options.device;
    search.loadMethod = m_throughEngine ? LoadMethod::Scripts : LoadMethod::Download;
    search.outcome = outcome;
    search.outcomeText = outcomeText;
    for (const search::AdRow& row : rows)
        search.ads.append({row.title, row.text, row.url, row.position.toInt(), row.block});
    // A verdict leaves the keyword to be searched again: its search is kept on its own.
    const bool endsKeyword = m_list && m_leased && outcome != SearchOutcome::Verdict;
    QString why;
    bool refused = false;
    StoreResult result;
    if (!m_store->isOpen() && !m_store->open()) {
        why = m_store->sentence();
    } else {
        HistoryStore::AlsoWrite also;
        if (endsKeyword) {
            also = [&, inner = m_lists->finishInSearch(*m_list, m_current.position, m_worker,
                                                       outcome != SearchOutcome::Error)](
                       qint64 id, QSqlError* error, QString* refusal) {
                const bool ok = inner(id, error, refusal);
                refused = !ok && !error->isValid();
                return ok;
            };
        }
        result = m_store->storeSearch(search, also);
        if (!result.stored)
            why = result.sentence;
    }
    if (why.isEmpty() || refused) {
        if (endsKeyword)
            m_leased = false;
        if (refused)
            emit historyNotWritten(why);
        else if (!result.marks.isEmpty())
            emit rowsMarked(result.marks);
        return goOn();
    }
    if (endsKeyword) {
        // The keyword must not end unstored: the run waits for the history and tries again.
        troubled(why, [this, outcome, outcomeText, rows, then = std::move(then)] {
            this->record(outcome, outcomeText, rows, then);
        });
        return;
    }
    if (!m_historySaid) {
        m_historySaid = true;
        emit historyNotWritten(why);
    }
    goOn();
}

QString TimeLeftText(qint64 ms) {
    const qint64 seconds = std::max<qint64>((ms + 500) / 1000, 1);
    if (seconds < 60)
        return QStringLiteral("about %1 s left").arg(seconds);
    const qint64 minutes = (seconds + 30) / 60;
    if (minutes < 60)
        return QStringLiteral("about %1 min left").arg(minutes);
    if (minutes % 60 == 0)
        return QStringLiteral("about %1 h left").arg(minutes / 60);
    return QStringLiteral("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

QString ProgressLine(int number, int total, const QByteArray& keyword, qint64 ads,
                     std::optional<qint64> msLeft) {
    // Between searches (paused, stopped) there is no keyword to name.
    QString line = QStringLiteral("%1 of %2").arg(number).arg(total);
    if (!keyword.isEmpty())
        line += QStringLiteral(" \u00b7 ") + QString::fromUtf8(keyword);
    line += QStringLiteral(" \u00b7 %1 %2 so far")
                .arg(ads)
                .arg(ads == 1 ? QStringLiteral("ad") : QStringLiteral("ads"));
    if (msLeft)
        line += QStringLiteral(" \u00b7 ") + TimeLeftText(*msLeft);
    return line;
}

} // namespace velmora::history
