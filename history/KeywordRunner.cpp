#include "history/KeywordRunner.h"

#include "history/HistoryStore.h"
#include "search/PageVerdict.h"
#include "search/ReadAds.h"
#include "search/SearchFetcher.h"

#include <QDateTime>
#include <QTimer>

namespace velmora::history {

KeywordRunner::KeywordRunner(Options options, search::SearchFetcher& fetcher, util::RandomSource& random,
                             HistoryStore* store, Schedule schedule, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_fetcher(fetcher), m_random(random), m_store(store),
      m_schedule(std::move(schedule)) {
    if (!m_schedule) {
        m_schedule = [this](int ms, std::function<void()> then) {
            QTimer::singleShot(ms, this, std::move(then));
        };
    }
    connect(&m_fetcher, &search::SearchFetcher::finished, this, &KeywordRunner::fetched);
    connect(&m_fetcher, &search::SearchFetcher::userNeeded, this, &KeywordRunner::userNeeded);
}

KeywordRunner::~KeywordRunner() = default;

bool KeywordRunner::start(QList<QByteArray> keywords) {
    if (m_running)
        return false;
    m_keywords = std::move(keywords);
    m_failed.clear();
    m_next = 0;
    m_historySaid = false;
    return resume();
}

bool KeywordRunner::resume() {
    if (m_running)
        return false;
    m_running = true;
    m_sentence.clear();
    m_failuresInARow = 0;
    ++m_generation;
    runNext();
    return true;
}

void KeywordRunner::stop() {
    if (!m_running)
        return;
    ++m_generation; // a pending pause ends nothing later
    // Not running any more, so the aborted fetch's end is not counted as a failure.
    m_running = false;
    m_fetcher.abort();
    end(End::Stopped);
}

void KeywordRunner::runNext() {
    if (m_next >= m_keywords.size()) {
        end(m_failed.isEmpty() ? End::AllDone : End::SomeFailed);
        return;
    }
    const QByteArray& keyword = m_keywords.at(m_next);
    emit keywordStarted(m_next, int(m_keywords.size()), keyword);
    const QByteArray url = search::SearchUrl(m_options.searchUrlPrefix, keyword, m_options.market);
    QString whyNot;
    // A page that cannot be fetched at all (no temporary file, no web engine) fails this
    // search; the list goes on.
    if (!m_fetcher.start(QUrl::fromEncoded(url), &whyNot))
        keywordFailed(whyNot.isEmpty() ? QStringLiteral("Another download was running.") : whyNot);
}

void KeywordRunner::fetched(const search::FetchedPage& page) {
    if (!m_running || m_waiting)
        return;
    using Outcome = search::FetchedPage::Outcome;
    if (page.outcome == Outcome::Failed || page.outcome == Outcome::Aborted) {
        record(SearchOutcome::Error, page.why, {}, page.throughEngine);
        keywordFailed(page.why);
        return;
    }
    if (page.outcome == Outcome::Verdict) {
        // Asking again at once would only hammer the engine: the run stops before this keyword.
        m_sentence = page.why;
        record(SearchOutcome::Verdict, m_sentence, {}, page.throughEngine);
        emit keywordFinished(m_next, false, m_sentence);
        end(End::StoppedAtVerdict);
        return;
    }
    const QByteArray& keyword = m_keywords.at(m_next);
    const QList<search::AdRow> rows = search::ReadAds(page.pageText, keyword);
    record(rows.isEmpty() ? SearchOutcome::NoAds : SearchOutcome::AdsRead, {}, rows, page.throughEngine);
    m_failuresInARow = 0;
    emit rowsRead(rows);
    emit keywordFinished(m_next, true, {});
    advance();
}

void KeywordRunner::keywordFailed(const QString& why) {
    m_failed.append(m_keywords.at(m_next));
    emit keywordFinished(m_next, false, why);
    if (++m_failuresInARow >= FailuresBeforePause) {
        m_sentence = QStringLiteral("The list is paused: %1 searches in a row failed, the last with \"%2\"")
                         .arg(m_failuresInARow)
                         .arg(why);
        ++m_next;
        end(End::PausedAfterFailures);
        return;
    }
    advance();
}

void KeywordRunner::advance() {
    ++m_next;
    if (m_next >= m_keywords.size()) {
        runNext(); // ends the run: no pause after the last search
        return;
    }
    m_waiting = true;
    const quint64 generation = m_generation;
    m_schedule(search::NextPauseMs(m_options.pause, m_random), [this, generation] {
        if (generation != m_generation || !m_running)
            return;
        m_waiting = false;
        runNext();
    });
}

void KeywordRunner::end(End how) {
    m_running = false;
    m_waiting = false;
    emit finished(how);
}

void KeywordRunner::record(SearchOutcome outcome, const QString& outcomeText,
                           const QList<search::AdRow>& rows, bool throughEngine) {
    if (!m_store)
        return;
    SearchRecord record;
    record.time = QDateTime::currentDateTimeUtc();
    record.keyword = m_keywords.at(m_next);
    record.market = search::MarketName(m_options.market);
    record.device = m_options.device;
    record.loadMethod = throughEngine ? LoadMethod::Scripts : LoadMethod::Download;
    record.outcome = outcome;
    record.outcomeText = outcomeText;
    for (const search::AdRow& row : rows)
        record.ads.append({row.title, row.text, row.url, row.position.toInt(), {}});
    QString why;
    if (!m_store->isOpen() && !m_store->open()) {
        why = m_store->sentence();
    } else {
        const StoreResult result = m_store->storeSearch(record);
        if (!result.stored)
            why = result.sentence;
    }
    if (!why.isEmpty() && !m_historySaid) {
        m_historySaid = true;
        emit historyNotWritten(why);
    }
}

} // namespace velmora::history
