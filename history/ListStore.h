#pragma once

// Keyword lists kept in the history, so a run survives a closed window, a killed process or a
// machine gone down, and several workers can share one list on a PostgreSQL server.
//
// A keyword is pending, leased, done or failed. A runner leases the next keyword before it
// searches it; the lease names the worker ("host/pid") and runs out at a time after which any
// runner may take the keyword again. The search and the keyword's end are written in one
// transaction (HistoryStore::storeSearch with finishInSearch), so after a crash a keyword is
// either stored and done, or neither and searched again. On PostgreSQL the next keyword is
// taken with SELECT ... FOR UPDATE SKIP LOCKED, so two workers never take the same one; on
// SQLite the file's write lock (BEGIN IMMEDIATE) does the same. Lease times are the clock of the
// machine that takes the keyword: workers' clocks need to agree to within a small part of a lease.

#include "history/HistoryStore.h"
#include "search/SearchPacing.h"
#include "search/SearchUrl.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace velmora::history {

struct StoredList {
    qint64 id = -1;
    QString name;
    QByteArray market; // search::MarketName form, "de/en"
    Device device = Device::Desktop;
    search::PauseRange pause;
    int total = 0; // keywords in the list
    int done = 0;  // searched or failed for good
    int left() const { return total - done; }
    QDateTime created;
};

// A keyword leased to a runner.
struct ListKeyword {
    int position = -1; // 0 for the list's first keyword
    QByteArray keyword;
};

class ListStore {
public:
    // Milliseconds since 1970 UTC; tests pass their own.
    using Clock = std::function<qint64()>;

    // On the store's connection; the store outlives this object and is opened by it when needed.
    explicit ListStore(HistoryStore& store, Clock clock = {});

    std::optional<StoredList> create(const QString& name, const QList<QByteArray>& keywords,
                                     const search::Market& market, Device device, search::PauseRange pause,
                                     QString* why);
    // The newest unfinished list of that name; nullopt with *why empty when there is none.
    std::optional<StoredList> find(const QString& name, QString* why);
    // Every unfinished list, newest first.
    QList<StoredList> unfinished(QString* why);
    // The list as stored now (its done count changes while runners work).
    std::optional<StoredList> reload(qint64 listId, QString* why);

    // Leases the next keyword to worker for leaseMs: the first pending one, or else the first
    // whose lease ran out. nullopt with *why empty: none is free (all ended or leased).
    std::optional<ListKeyword> take(const StoredList& list, const QString& worker, qint64 leaseMs,
                                    QString* why);
    // Ends the keyword inside HistoryStore::storeSearch's transaction (as its AlsoWrite): done
    // (ok) or failed, linked to the search. Refuses when the keyword is no longer leased to
    // worker (its lease ran out and another took it): the search is then not stored twice.
    HistoryStore::AlsoWrite finishInSearch(const StoredList& list, int position, const QString& worker,
                                           bool ok);
    // Gives a leased keyword back (pending), for a run paused or stopped before its search ended.
    bool release(const StoredList& list, int position, const QString& worker, QString* why);
    // Gives back the keywords leased by processes of this machine that no longer run, so a list
    // resumed after a crash starts with the keyword that was in flight. Returns how many.
    int releaseOrphans(const StoredList& list, QString* why);
    // How many keywords are leased now (by any worker).
    int leasedCount(const StoredList& list, QString* why);
    // The keywords of the list that failed for good, in list order.
    QList<QByteArray> failedKeywords(const StoredList& list, QString* why);

    // "host/pid": this process as the lease names it.
    static QString ThisWorker();

private:
    bool ready(QString* why);
    qint64 now() const;

    HistoryStore& m_store;
    Clock m_clock;
};

// "Resume the list 'shoes' (188 of 300 left)".
QString ResumeOffer(const StoredList& list);

} // namespace velmora::history
