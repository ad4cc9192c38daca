#include "history/ListStore.h"

#include <QCoreApplication>
#include <QHostInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif

namespace velmora::history {
namespace {

constexpr int Attempts = 5;

const QString& ListColumns() {
    static const QString columns = QStringLiteral(
        "SELECT l.id, l.name, l.market, l.device, l.pause_min, l.pause_max, l.total, l.created_at,"
        " (SELECT COUNT(*) FROM list_keywords k WHERE k.list_id = l.id AND k.state IN ('done', 'failed'))"
        " FROM lists l");
    return columns;
}

StoredList ListFromRow(const QSqlQuery& query) {
    StoredList list;
    list.id = query.value(0).toLongLong();
    list.name = query.value(1).toString();
    list.market = query.value(2).toString().toUtf8();
    list.device = query.value(3).toString() == QStringLiteral("phone") ? Device::Phone : Device::Desktop;
    list.pause.minSeconds = query.value(4).toInt();
    list.pause.maxSeconds = query.value(5).toInt();
    list.total = query.value(6).toInt();
    list.created = QDateTime::fromString(query.value(7).toString(), Qt::ISODateWithMs);
    list.done = query.value(8).toInt();
    return list;
}

QString SqlWhy(const QSqlError& error) {
    const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return QStringLiteral("The list could not be kept in the history: %1.").arg(detail.trimmed());
}

#ifdef Q_OS_UNIX
bool ProcessRuns(qint64 pid) {
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}
#endif

} // namespace

ListStore::ListStore(HistoryStore& store, Clock clock) : m_store(store), m_clock(std::move(clock)) {
    if (!m_clock)
        m_clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
}

qint64 ListStore::now() const {
    return m_clock();
}

QString ListStore::ThisWorker() {
    return QStringLiteral("%1/%2").arg(QHostInfo::localHostName()).arg(QCoreApplication::applicationPid());
}

bool ListStore::ready(QString* why) {
    if (m_store.isOpen() || m_store.open())
        return true;
    if (why)
        *why = m_store.sentence();
    return false;
}

std::optional<StoredList> ListStore::create(const QString& name, const QList<QByteArray>& keywords,
                                            const search::Market& market, Device device,
                                            search::PauseRange pause, QString* why) {
    if (!ready(why))
        return std::nullopt;
    QSqlDatabase db = m_store.database();
    const SqlDialect& dialect = m_store.dialect();
    StoredList list;
    list.name = name;
    list.market = search::MarketName(market);
    list.device = device;
    list.pause = pause;
    list.total = int(keywords.size());
    list.created = QDateTime::currentDateTimeUtc();
    for (int attempt = 1;; ++attempt) {
        QSqlQuery query(db);
        bool ok = query.exec(dialect.beginWrite());
        ok = ok &&
             query.prepare(QStringLiteral("INSERT INTO lists (name, market, device, pause_min, pause_max,"
                                          " total, created_at) VALUES (?, ?, ?, ?, ?, ?, ?) RETURNING id"));
        if (ok) {
            query.addBindValue(name);
            query.addBindValue(QString::fromUtf8(list.market.isNull() ? QByteArray("") : list.market));
            query.addBindValue(DeviceName(device));
            query.addBindValue(pause.minSeconds);
            query.addBindValue(pause.maxSeconds);
            query.addBindValue(list.total);
            query.addBindValue(list.created.toString(Qt::ISODateWithMs));
            ok = query.exec() && query.next();
        }
        if (ok) {
            list.id = query.value(0).toLongLong();
            query.finish();
            ok = query.prepare(QStringLiteral("INSERT INTO list_keywords (list_id, position, keyword, state)"
                                              " VALUES (?, ?, ?, 'pending')"));
            for (int i = 0; ok && i < keywords.size(); ++i) {
                query.addBindValue(list.id);
                query.addBindValue(i);
                query.addBindValue(QString::fromUtf8(keywords.at(i)));
                ok = query.exec();
            }
        }
        ok = ok && query.exec(QStringLiteral("COMMIT"));
        if (ok)
            return list;
        const QSqlError error = query.lastError();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        if (!dialect.isRetryable(error) || attempt >= Attempts) {
            if (why)
                *why = SqlWhy(error);
            return std::nullopt;
        }
        QThread::msleep(20 * attempt);
    }
}

QList<StoredList> ListStore::unfinished(QString* why) {
    QList<StoredList> lists;
    if (!ready(why))
        return lists;
    QSqlQuery query(m_store.database());
    if (!query.exec(ListColumns() + QStringLiteral(" ORDER BY l.id DESC"))) {
        if (why)
            *why = SqlWhy(query.lastError());
        return lists;
    }
    while (query.next()) {
        StoredList list = ListFromRow(query);
        if (list.left() > 0)
            lists.append(list);
    }
    return lists;
}

std::optional<StoredList> ListStore::find(const QString& name, QString* why) {
    if (why)
        why->clear();
    if (!ready(why))
        return std::nullopt;
    QSqlQuery query(m_store.database());
    query.prepare(ListColumns() + QStringLiteral(" WHERE l.name = ? ORDER BY l.id DESC"));
    query.addBindValue(name);
    if (!query.exec()) {
        if (why)
            *why = SqlWhy(query.lastError());
        return std::nullopt;
    }
    while (query.next()) {
        StoredList list = ListFromRow(query);
        if (list.left() > 0)
            return list;
    }
    return std::nullopt;
}

std::optional<StoredList> ListStore::reload(qint64 listId, QString* why) {
    if (!ready(why))
        return std::nullopt;
    QSqlQuery query(m_store.database());
    query.prepare(ListColumns() + QStringLiteral(" WHERE l.id = ?"));
    query.addBindValue(listId);
    if (!query.exec() || !query.next()) {
        if (why)
            *why = SqlWhy(query.lastError());
        return std::nullopt;
    }
    return ListFromRow(query);
}

std::optional<ListKeyword> ListStore::take(const StoredList& list, const QString& worker, qint64 leaseMs,
                                           QString* why) {
    if (why)
        why->clear();
    if (!ready(why))
        return std::nullopt;
    QSqlDatabase db = m_store.database();
    const SqlDialect& dialect = m_store.dialect();
    // Pending keywords first, in list order; then one whose worker's lease ran out. A row another
    // transaction holds is passed over, not waited for.
    const QString lock =
        dialect.kind == SqlDialect::Kind::PostgreSQL ? QStringLiteral(" FOR UPDATE SKIP LOCKED") : QString();
    for (int attempt = 1;; ++attempt) {
        const qint64 time = now();
        std::optional<ListKeyword> taken;
        QSqlQuery query(db);
        bool ok = query.exec(dialect.beginWrite());
        for (int round = 0; ok && !taken && round < 2; ++round) {
            ok = query.prepare(round == 0 ? QStringLiteral("SELECT position, keyword FROM list_keywords"
                                                           " WHERE list_id = ? AND state = 'pending'"
                                                           " ORDER BY position LIMIT 1") +
                                                lock
                                          : QStringLiteral("SELECT position, keyword FROM list_keywords"
                                                           " WHERE list_id = ? AND state = 'leased'"
                                                           " AND lease_until < ? ORDER BY position LIMIT 1") +
                                                lock);
            query.addBindValue(list.id);
            if (round == 1)
                query.addBindValue(time);
            ok = ok && query.exec();
            if (ok && query.next())
                taken = ListKeyword{query.value(0).toInt(), query.value(1).toString().toUtf8()};
            query.finish();
        }
        if (ok && taken) {
            ok = query.prepare(QStringLiteral("UPDATE list_keywords SET state = 'leased', lease_until = ?,"
                                              " worker = ? WHERE list_id = ? AND position = ?"));
            query.addBindValue(time + leaseMs);
            query.addBindValue(worker);
            query.addBindValue(list.id);
            query.addBindValue(taken->position);
            ok = ok && query.exec();
        }
        ok = ok && query.exec(QStringLiteral("COMMIT"));
        if (ok)
            return taken;
        const QSqlError error = query.lastError();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        if (!dialect.isRetryable(error) || attempt >= Attempts) {
            if (why)
                *why = SqlWhy(error);
            return std::nullopt;
        }
        QThread::msleep(20 * attempt);
    }
}

HistoryStore::AlsoWrite ListStore::finishInSearch(const StoredList& list, int position, const QString& worker,
                                                  bool ok) {
    return [this, listId = list.id, position, worker, ok](qint64 searchId, QSqlError* error,
                                                          QString* refused) {
        QSqlQuery query(m_store.database());
        if (!query.prepare(
                QStringLiteral("UPDATE list_keywords SET state = ?, search_id = ?, lease_until = NULL"
                               " WHERE list_id = ? AND position = ? AND state = 'leased'"
                               " AND worker = ?"))) {
            *error = query.lastError();
            return false;
        }
        query.addBindValue(ok ? QStringLiteral("done") : QStringLiteral("failed"));
        query.addBindValue(searchId);
        query.addBindValue(listId);
        query.addBindValue(position);
        query.addBindValue(worker);
        if (!query.exec()) {
            *error = query.lastError();
            return false;
        }
        if (query.numRowsAffected() != 1) {
            *refused = QStringLiteral("The keyword's lease ran out and another worker took it: this search "
                                      "is not kept twice.");
            return false;
        }
        return true;
    };
}

bool ListStore::release(const StoredList& list, int position, const QString& worker, QString* why) {
    if (!ready(why))
        return false;
    QSqlQuery query(m_store.database());
    query.prepare(
        QStringLiteral("UPDATE list_keywords SET state = 'pending', lease_until = NULL, worker = NULL"
                       " WHERE list_id = ? AND position = ? AND state = 'leased' AND worker = ?"));
    query.addBindValue(list.id);
    query.addBindValue(position);
    query.addBindValue(worker);
    if (!query.exec()) {
        if (why)
            *why = SqlWhy(query.lastError());
        return false;
    }
    return true;
}

int ListStore::releaseOrphans(const StoredList& list, QString* why) {
    if (!ready(why))
        return 0;
    int released = 0;
#ifdef Q_OS_UNIX
    const QString host = QHostInfo::localHostName() + u'/';
    QSqlQuery query(m_store.database());
    query.prepare(QStringLiteral("SELECT position, worker FROM list_keywords WHERE list_id = ?"
                                 " AND state = 'leased'"));
    query.addBindValue(list.id);
    if (!query.exec()) {
        if (why)
            *why = SqlWhy(query.lastError());
        return 0;
    }
    QList<QPair<int, QString>> orphans;
    while (query.next()) {
        const QString worker = query.value(1).toString();
        if (!worker.startsWith(host))
            continue; // another machine's: its lease decides
        bool number = false;
        const qint64 pid = worker.mid(host.size()).toLongLong(&number);
        if (number && pid != QCoreApplication::applicationPid() && !ProcessRuns(pid))
            orphans.append({query.value(0).toInt(), worker});
    }
    query.finish();
    for (const auto& [position, worker] : orphans)
        if (release(list, position, worker, why))
            ++released;
#else
    Q_UNUSED(list);
#endif
    return released;
}

int ListStore::leasedCount(const StoredList& list, QString* why) {
    if (!ready(why))
        return -1;
    QSqlQuery query(m_store.database());
    query.prepare(
        QStringLiteral("SELECT COUNT(*) FROM list_keywords WHERE list_id = ? AND state = 'leased'"));
    query.addBindValue(list.id);
    if (!query.exec() || !query.next()) {
        if (why)
            *why = SqlWhy(query.lastError());
        return -1;
    }
    return query.value(0).toInt();
}

QList<QByteArray> ListStore::failedKeywords(const StoredList& list, QString* why) {
    QList<QByteArray> failed;
    if (!ready(why))
        return failed;
    QSqlQuery query(m_store.database());
    query.prepare(QStringLiteral("SELECT keyword FROM list_keywords WHERE list_id = ? AND state = 'failed'"
                                 " ORDER BY position"));
    query.addBindValue(list.id);
    if (!query.exec()) {
        if (why)
            *why = SqlWhy(query.lastError());
        return failed;
    }
    while (query.next())
        failed.append(query.value(0).toString().toUtf8());
    return failed;
}

QString ResumeOffer(const StoredList& list) {
    return QStringLiteral("Resume the list '%1' (%2 of %3 left)")
        .arg(list.name)
        .arg(list.left())
        .arg(list.total);
}

} // namespace velmora::history
