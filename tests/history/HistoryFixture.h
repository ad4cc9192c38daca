#pragma once

// What the history tests share: a fresh, empty store on either database, and searches to put in.

#include "PostgresServer.h"

#include "history/HistoryStore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <memory>

namespace velmora::testing {

// The one server of the test program, started at its first use.
inline PostgresServer& TestServer() {
    static PostgresServer server{QStringLiteral(VELMORA_PG_BINDIR)};
    return server;
}

// The databases the tests run on: SQLite, and PostgreSQL where the configure step found it.
inline QStringList Backends() {
    if (QByteArrayView(VELMORA_PG_BINDIR).isEmpty())
        return {QStringLiteral("sqlite")};
    return {QStringLiteral("sqlite"), QStringLiteral("postgresql")};
}

// The "backend" column of every table that runs on both databases.
inline void AddBackendRows() {
    for (const QString& backend : Backends())
        QTest::newRow(qPrintable(backend)) << backend;
}

// A test slot, with its _data table, that runs once on each database.
#define BACKEND_TEST(name)                                                                                   \
    void name##_data() {                                                                                     \
        QTest::addColumn<QString>("backend");                                                                \
        AddBackendRows();                                                                                    \
    }                                                                                                        \
    void name();

// A place for a new, empty store of the backend: a file in a temporary folder or a new database.
class FreshLocation {
public:
    explicit FreshLocation(const QString& backend) {
        if (backend == QStringLiteral("sqlite")) {
            m_text = m_dir.filePath(QStringLiteral("history.sqlite"));
            return;
        }
        PostgresServer& server = TestServer();
        if (!server.unavailable().isEmpty()) {
            m_error = server.unavailable();
            return;
        }
        static int counter = 0;
        const QString name = QStringLiteral("history%1").arg(++counter);
        if (!server.createDatabase(name))
            m_error = QStringLiteral("cannot make database ") + name;
        m_text = server.url(name);
    }
    // Empty, or why the place could not be made.
    const QString& error() const { return m_error; }
    // The path or URL, as VELMORA_HISTORY would name it.
    const QString& text() const { return m_text; }
    history::HistoryLocation location() const { return history::ParseHistoryLocation(m_text); }
    std::unique_ptr<history::HistoryStore> open() const {
        auto store = std::make_unique<history::HistoryStore>(location());
        if (!store->open())
            qWarning("%s", qPrintable(store->sentence()));
        return store;
    }

private:
    QTemporaryDir m_dir;
    QString m_text;
    QString m_error;
};

#define VELMORA_FRESH_LOCATION(name, backend)                                                                \
    FreshLocation name(backend);                                                                             \
    QVERIFY2(name.error().isEmpty(), qPrintable(name.error()))

inline history::SightedAd Ad(const char* title, const char* text, const char* url, int position,
                             const char* block = "top") {
    return {title, text, url, position, block};
}

inline history::SearchRecord Search(const QByteArray& keyword, QList<history::SightedAd> ads,
                                    QDateTime time = QDateTime(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC)) {
    history::SearchRecord record;
    record.time = time;
    record.keyword = keyword;
    record.outcome = ads.isEmpty() ? history::SearchOutcome::NoAds : history::SearchOutcome::AdsRead;
    record.ads = std::move(ads);
    return record;
}

// The first column of the first row of a query on the store's connection, or an invalid value.
inline QVariant QueryValue(history::HistoryStore& store, const QString& sql) {
    QSqlQuery query(store.database());
    if (!query.exec(sql) || !query.next())
        return {};
    return query.value(0);
}

// A connection of the test's own to the store's file or database, past the store's checks.
inline QSqlDatabase RawConnection(const history::HistoryLocation& location, const QString& name) {
    const bool file = location.kind == history::HistoryLocation::Kind::SQLite;
    QSqlDatabase db =
        QSqlDatabase::addDatabase(file ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
    if (file) {
        db.setDatabaseName(location.filePath);
    } else {
        db.setHostName(location.host);
        db.setPort(location.port);
        db.setUserName(location.user);
        db.setDatabaseName(location.database);
    }
    if (!db.open())
        qWarning("%s", qPrintable(db.lastError().text()));
    return db;
}

} // namespace velmora::testing
