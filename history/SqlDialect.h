#pragma once

// Everything in which SQLite and PostgreSQL differ for the history, in one place. The schema and
// every statement elsewhere are written once, in the SQL both understand; the few words that
// differ are filled in from here.

#include <QSqlError>
#include <QString>
#include <QStringList>

namespace velmora::history {

struct SqlDialect {
    enum class Kind { SQLite, PostgreSQL };
    Kind kind;

    // The Qt driver.
    QString driver() const;
    // Column type of an id made by the database: "INTEGER PRIMARY KEY" / "BIGSERIAL PRIMARY KEY".
    QString idColumn() const;
    // Column type of bytes: "BLOB" / "BYTEA".
    QString bytesColumn() const;
    // Starts the transaction of one search; SQLite takes its write lock at once, so two writers
    // wait for each other instead of failing halfway.
    QString beginWrite() const;
    // Statements that make the schema's migration one writer's work at a time, run right after
    // beginWrite().
    QStringList migrationLock() const;
    // Statements run once per connection.
    QStringList connectionSetup() const;
    // Hands the freed space back to the system after the history was cleared.
    QStringList compact() const;
    // True when the whole transaction may simply be tried again (a busy file, a lost race).
    bool isRetryable(const QSqlError& error) const;

    // Replaces %ID% and %BYTES% in a statement written for both.
    QString statement(QString sql) const;
};

} // namespace velmora::history
