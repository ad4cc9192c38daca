#include "history/SqlDialect.h"

namespace velmora::history {

QString SqlDialect::driver() const {
    return kind == Kind::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
}

QString SqlDialect::idColumn() const {
    return kind == Kind::SQLite ? QStringLiteral("INTEGER PRIMARY KEY")
                                : QStringLiteral("BIGSERIAL PRIMARY KEY");
}

QString SqlDialect::bytesColumn() const {
    return kind == Kind::SQLite ? QStringLiteral("BLOB") : QStringLiteral("BYTEA");
}

QString SqlDialect::beginWrite() const {
    return kind == Kind::SQLite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
}

QStringList SqlDialect::migrationLock() const {
    if (kind == Kind::SQLite)
        return {}; // BEGIN IMMEDIATE already holds the file's write lock
    return {QStringLiteral("SELECT pg_advisory_xact_lock(731518)")};
}

QStringList SqlDialect::connectionSetup() const {
    if (kind == Kind::SQLite) {
        // WAL: readers never block the writer, and a crash loses at most the transaction being
        // written. FULL: a committed search is on disk before the commit returns.
        return {QStringLiteral("PRAGMA journal_mode=WAL"), QStringLiteral("PRAGMA synchronous=FULL"),
                QStringLiteral("PRAGMA foreign_keys=ON")};
    }
    return {QStringLiteral("SET client_min_messages TO WARNING")};
}

QStringList SqlDialect::compact() const {
    if (kind == Kind::SQLite)
        return {QStringLiteral("VACUUM"), QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")};
    return {QStringLiteral("VACUUM")};
}

bool SqlDialect::isRetryable(const QSqlError& error) const {
    const QString code = error.nativeErrorCode();
    if (kind == Kind::SQLite) {
        const int primary = code.toInt() & 0xFF; // the driver may give an extended code
        return primary == 5 || primary == 6;     // BUSY, LOCKED
    }
    // Serialization failure, deadlock, a unique key taken by a concurrent writer.
    return code == QStringLiteral("40001") || code == QStringLiteral("40P01") ||
           code == QStringLiteral("23505");
}

QString SqlDialect::statement(QString sql) const {
    sql.replace(QStringLiteral("%ID%"), idColumn());
    sql.replace(QStringLiteral("%BYTES%"), bytesColumn());
    return sql;
}

} // namespace velmora::history
