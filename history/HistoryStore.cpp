#include "history/HistoryStore.h"

#include "history/AdIdentity.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QVariant>

#include <variant>

#ifdef Q_OS_UNIX
#include <sys/statvfs.h>
#endif

namespace velmora::history {
namespace {

// The schema, one list of statements per version; version N's list brings a store of version
// N - 1 to N. Written once for both databases (see SqlDialect for %ID% and %BYTES%).
const QList<QStringList>& Migrations() {
    static const QList<QStringList> migrations = {
        // Version 1.
        {
            QStringLiteral(
                "CREATE TABLE keywords (id %ID%, digest TEXT NOT NULL UNIQUE, keyword TEXT NOT NULL)"),
            QStringLiteral(
                "CREATE TABLE pages (id %ID%, digest TEXT NOT NULL UNIQUE, body %BYTES% NOT NULL)"),
            QStringLiteral("CREATE TABLE searches (id %ID%, searched_at TEXT NOT NULL,"
                           " keyword_id BIGINT NOT NULL REFERENCES keywords(id), market TEXT NOT NULL,"
                           " device TEXT NOT NULL, load_method TEXT NOT NULL, outcome TEXT NOT NULL,"
                           " outcome_text TEXT NOT NULL, ad_count INTEGER NOT NULL,"
                           " page_id BIGINT REFERENCES pages(id))"),
            QStringLiteral("CREATE TABLE ads (id %ID%, identity TEXT NOT NULL UNIQUE, title TEXT NOT NULL,"
                           " ad_text TEXT NOT NULL, url TEXT NOT NULL, host TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE sightings (search_id BIGINT NOT NULL REFERENCES searches(id),"
                           " ad_id BIGINT NOT NULL REFERENCES ads(id), ad_position INTEGER NOT NULL,"
                           " block TEXT NOT NULL, PRIMARY KEY (search_id, ad_position))"),
            QStringLiteral("CREATE TABLE keyword_ads (keyword_id BIGINT NOT NULL REFERENCES keywords(id),"
                           " ad_id BIGINT NOT NULL REFERENCES ads(id), first_seen TEXT NOT NULL,"
                           " last_seen TEXT NOT NULL, times_seen INTEGER NOT NULL,"
                           " best_position INTEGER NOT NULL, last_position INTEGER NOT NULL,"
                           " last_block TEXT NOT NULL, PRIMARY KEY (keyword_id, ad_id))"),
            QStringLiteral("CREATE INDEX searches_time ON searches (searched_at)"),
            QStringLiteral("CREATE INDEX sightings_ad ON sightings (ad_id)"),
            QStringLiteral("CREATE INDEX ads_host ON ads (host)"),
            QStringLiteral("CREATE INDEX keyword_ads_first_seen ON keyword_ads (first_seen)"),
            QStringLiteral("CREATE INDEX keyword_ads_last_seen ON keyword_ads (last_seen)"),
            QStringLiteral("CREATE INDEX keyword_ads_ad ON keyword_ads (ad_id)"),
        },
        // Version 2: keyword lists and how far they got. A keyword is pending, leased (a runner
        // or worker searches it until lease_until, milliseconds since 1970 UTC), done or failed.
        {
            QStringLiteral("CREATE TABLE lists (id %ID%, name TEXT NOT NULL, market TEXT NOT NULL,"
                           " device TEXT NOT NULL, pause_min INTEGER NOT NULL, pause_max INTEGER NOT NULL,"
                           " total INTEGER NOT NULL, created_at TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE list_keywords (list_id BIGINT NOT NULL REFERENCES lists(id),"
                           " position INTEGER NOT NULL, keyword TEXT NOT NULL, state TEXT NOT NULL,"
                           " lease_until BIGINT, worker TEXT, search_id BIGINT REFERENCES searches(id),"
                           " PRIMARY KEY (list_id, position))"),
            QStringLiteral("CREATE INDEX lists_name ON lists (name)"),
            QStringLiteral("CREATE INDEX list_keywords_state ON list_keywords (list_id, state, position)"),
        },
    };
    return migrations;
}

QString NextConnectionName() {
    static QAtomicInt counter;
    return QStringLiteral("velmora-history-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString StoredTime(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

// Free bytes where the folder lies; large where the system does not tell.
qint64 BytesAvailable(const QString& folder) {
#ifdef Q_OS_UNIX
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(folder).constData(), &info) == 0)
        return qint64(info.f_bavail) * qint64(info.f_frsize);
#endif
    Q_UNUSED(folder);
    return std::numeric_limits<qint64>::max();
}

QVariant NullId() {
    return QVariant(QMetaType::fromType<qint64>());
}

} // namespace

QString LoadMethodName(LoadMethod method) {
    return method == LoadMethod::Scripts ? QStringLiteral("scripts") : QStringLiteral("download");
}

QString OutcomeName(SearchOutcome outcome) {
    switch (outcome) {
    case SearchOutcome::AdsRead:
        return QStringLiteral("ads");
    case SearchOutcome::NoAds:
        return QStringLiteral("no ads");
    case SearchOutcome::Verdict:
        return QStringLiteral("verdict");
    case SearchOutcome::Error:
        break;
    }
    return QStringLiteral("error");
}

// The statements of one search, prepared once per connection.
struct HistoryStore::Statements {
    explicit Statements(const QSqlDatabase& db)
        : findKeyword(db), keyword(db), findPage(db), page(db), search(db), findAd(db), ad(db), sighting(db),
          keywordAd(db) {}
    QSqlQuery findKeyword, keyword, findPage, page, search, findAd, ad, sighting, keywordAd;
    QList<QSqlQuery*> all() {
        return {&findKeyword, &keyword, &findPage, &page, &search, &findAd, &ad, &sighting, &keywordAd};
    }
};

HistoryStore::HistoryStore(HistoryLocation location, Options options)
    : m_location(std::move(location)),
      m_options(options), m_dialect{m_location.kind == HistoryLocation::Kind::PostgreSQL
                                        ? SqlDialect::Kind::PostgreSQL
                                        : SqlDialect::Kind::SQLite},
      m_connectionName(NextConnectionName()) {}

HistoryStore::HistoryStore(HistoryLocation location) : HistoryStore(std::move(location), Options{}) {}

HistoryStore::~HistoryStore() {
    m_statements.reset();
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

QSqlDatabase HistoryStore::database() const {
    return QSqlDatabase::database(m_connectionName, false);
}

bool HistoryStore::isOpen() const {
    return m_open;
}

QString HistoryStore::failure(const QString& reason) {
    m_sentence = QStringLiteral("History could not be written: %1.").arg(reason);
    return m_sentence;
}

QString HistoryStore::failure(const QSqlError& error) {
    const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    if (m_dialect.kind == SqlDialect::Kind::SQLite) {
        // The primary result code; the driver may give an extended one.
        const int code = error.nativeErrorCode().toInt() & 0xFF;
        const QString file = m_location.describe();
        const QFileInfo fileInfo(m_location.filePath);
        const QString folder = fileInfo.absolutePath();
        const bool readOnly =
            !QFileInfo(folder).isWritable() || (fileInfo.exists() && !fileInfo.isWritable());
        // SQLite says "disk I/O error" for some writes that found no space left.
        const bool full = code == 13 || (code == 10 && BytesAvailable(folder) < 1024 * 1024);
        if (readOnly && (code == 8 || code == 14 || code == 10))
            return failure(QStringLiteral("the file %1 or its folder is read-only").arg(file));
        if (full)
            return failure(QStringLiteral("the disk is full"));
        switch (code) {
        case 8: // SQLITE_READONLY
            return failure(QStringLiteral("the file %1 is read-only").arg(file));
        case 11: // SQLITE_CORRUPT
        case 26: // SQLITE_NOTADB
            m_damaged = true;
            return failure(QStringLiteral("the file %1 is damaged, and it is left as it is").arg(file));
        case 14: // SQLITE_CANTOPEN
            return failure(QStringLiteral("the file %1 cannot be opened for writing (%2)").arg(file, detail));
        case 5: // SQLITE_BUSY
        case 6: // SQLITE_LOCKED
            return failure(QStringLiteral("another program kept the file %1 busy").arg(file));
        default:
            break;
        }
    } else if (error.type() == QSqlError::ConnectionError) {
        return failure(QStringLiteral("the server %1 cannot be reached (%2)")
                           .arg(m_location.describe(), detail.trimmed()));
    }
    return failure(detail.trimmed());
}

bool HistoryStore::open() {
    if (m_open)
        return true;
    if (m_location.kind == HistoryLocation::Kind::Invalid) {
        failure(m_location.error);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(m_dialect.driver(), m_connectionName);
    if (!db.isValid()) {
        failure(QStringLiteral("the database driver %1 is not installed").arg(m_dialect.driver()));
        return false;
    }
    if (m_dialect.kind == SqlDialect::Kind::SQLite) {
        const QString folder = QFileInfo(m_location.filePath).absolutePath();
        if (!QDir().mkpath(folder)) {
            failure(QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(folder)));
            return false;
        }
        db.setDatabaseName(m_location.filePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_options.busyTimeoutMs));
    } else {
        db.setHostName(m_location.host);
        db.setPort(m_location.port);
        db.setUserName(m_location.user);
        db.setPassword(m_location.password);
        db.setDatabaseName(m_location.database);
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    }
    if (!db.open()) {
        failure(db.lastError());
        return false;
    }
    for (const QString& setup : m_dialect.connectionSetup()) {
        QSqlQuery query(db);
        if (!query.exec(setup)) {
            failure(query.lastError());
            db.close();
            return false;
        }
    }
    if (!migrate()) {
        db.close();
        return false;
    }
    m_statements = std::make_unique<Statements>(db);
    Statements& s = *m_statements;
    const bool prepared =
        s.findKeyword.prepare(QStringLiteral("SELECT id FROM keywords WHERE digest = ?")) &&
        s.keyword.prepare(QStringLiteral("INSERT INTO keywords (digest, keyword) VALUES (?, ?)"
                                         " ON CONFLICT (digest) DO NOTHING RETURNING id")) &&
        s.findPage.prepare(QStringLiteral("SELECT id FROM pages WHERE digest = ?")) &&
        s.page.prepare(
            QStringLiteral("INSERT INTO pages (digest, body) VALUES (?, ?)"
                           " ON CONFLICT (digest) DO UPDATE SET digest = excluded.digest RETURNING id")) &&
        s.search.prepare(QStringLiteral(
            "INSERT INTO searches (searched_at, keyword_id, market, device, load_method, outcome,"
            " outcome_text, ad_count, page_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id")) &&
        s.findAd.prepare(QStringLiteral("SELECT id FROM ads WHERE identity = ?")) &&
        s.ad.prepare(
            QStringLiteral("INSERT INTO ads (identity, title, ad_text, url, host) VALUES (?, ?, ?, ?, ?)"
                           " ON CONFLICT (identity) DO NOTHING RETURNING id")) &&
        s.sighting.prepare(QStringLiteral(
            "INSERT INTO sightings (search_id, ad_id, ad_position, block) VALUES (?, ?, ?, ?)")) &&
        s.keywordAd.prepare(QStringLiteral(
            "INSERT INTO keyword_ads (keyword_id, ad_id, first_seen, last_seen, times_seen, best_position,"
            " last_position, last_block) VALUES (?, ?, ?, ?, 1, ?, ?, ?)"
            " ON CONFLICT (keyword_id, ad_id) DO UPDATE SET last_seen = excluded.last_seen,"
            " times_seen = keyword_ads.times_seen + 1,"
            " best_position = CASE WHEN excluded.best_position < keyword_ads.best_position"
            " THEN excluded.best_position ELSE keyword_ads.best_position END,"
            " last_position = excluded.last_position, last_block = excluded.last_block"
            " RETURNING first_seen, times_seen"));
    if (!prepared) {
        failure(db.lastError());
        m_statements.reset();
        db.close();
        return false;
    }
    m_open = true;
    m_sentence.clear();
    return true;
}

bool HistoryStore::reopen() {
    m_statements.reset();
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
    m_open = false;
    return open();
}

int HistoryStore::storedSchemaVersion() {
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")))
        return database().tables().contains(QStringLiteral("schema_version")) ? -1 : 0;
    return query.next() ? query.value(0).toInt() : 0;
}

bool HistoryStore::migrate() {
    QSqlDatabase db = database();
    for (int attempt = 1;; ++attempt) {
        QSqlQuery query(db);
        auto run = [&](const QString& sql) { return query.exec(m_dialect.statement(sql)); };
        bool ok = run(m_dialect.beginWrite());
        for (const QString& lock : m_dialect.migrationLock())
            ok = ok && run(lock);
        ok =
            ok && run(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"));
        ok = ok && run(QStringLiteral("SELECT MAX(version) FROM schema_version"));
        int version = 0;
        if (ok && query.next())
            version = query.value(0).toInt();
        if (ok && version > SchemaVersion) {
            run(QStringLiteral("ROLLBACK"));
            failure(
                QStringLiteral("the history %1 was made by a newer version of Velmora (schema %2, this one "
                               "reads %3), and it is left as it is")
                    .arg(m_location.describe())
                    .arg(version)
                    .arg(SchemaVersion));
            return false;
        }
        for (int next = version + 1; ok && next <= SchemaVersion; ++next)
            for (const QString& statement : Migrations().at(next - 1))
                ok = ok && run(statement);
        if (ok && version < SchemaVersion) {
            ok = run(QStringLiteral("DELETE FROM schema_version"));
            ok = ok && query.prepare(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"));
            query.addBindValue(SchemaVersion);
            ok = ok && query.exec();
        }
        ok = ok && run(QStringLiteral("COMMIT"));
        if (ok)
            return true;
        const QSqlError error = query.lastError();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        if (!m_dialect.isRetryable(error) || attempt >= m_options.attempts) {
            failure(error);
            return false;
        }
        QThread::msleep(20 * attempt);
    }
}

StoreResult HistoryStore::storeSearch(const SearchRecord& record, const AlsoWrite& alsoWrite) {
    StoreResult result;
    if (!m_open || m_damaged) {
        result.sentence = m_sentence;
        return result;
    }
    QSqlDatabase db = database();
    for (int attempt = 1;; ++attempt) {
        result.marks.clear();
        QSqlQuery control(db);
        QSqlError error;
        QString refused;
        if (!control.exec(m_dialect.beginWrite()))
            error = control.lastError();
        else if (QSqlQuery* failed = writeSearch(record, result))
            error = failed->lastError();
        else if (alsoWrite && !alsoWrite(result.searchId, &error, &refused) && !error.isValid()) {
            for (QSqlQuery* query : m_statements->all())
                query->finish();
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            result.marks.clear();
            result.sentence = refused;
            return result;
        } else if (!error.isValid() && !control.exec(QStringLiteral("COMMIT")))
            error = control.lastError();
        if (!error.isValid()) {
            result.stored = true;
            return result;
        }
        for (QSqlQuery* query : m_statements->all())
            query->finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        if (!m_dialect.isRetryable(error) || attempt >= m_options.attempts) {
            result.marks.clear();
            result.sentence = failure(error);
            return result;
        }
        QThread::msleep(20 * attempt);
    }
}

QSqlQuery* HistoryStore::writeSearch(const SearchRecord& record, StoreResult& result) {
    Statements& s = *m_statements;
    auto runReturning = [](QSqlQuery& query) { return query.exec() && query.next(); };
    bool cut = false;
    auto cell = [&cut](QByteArrayView bytes) {
        bool thisCut = false;
        QString text = StoredCell(bytes, &thisCut);
        cut = cut || thisCut;
        return text;
    };
    const QString time = StoredTime(record.time);

    // Known rows are looked up, not written again: a server keeps no dead copy of them. A row
    // that a concurrent writer inserted first is found by the second lookup.
    auto findOrInsert = [&](QSqlQuery& find, QSqlQuery& insert, const QString& key,
                            const QList<QVariant>& values) -> std::variant<qint64, QSqlQuery*> {
        for (int round = 0; round < 2; ++round) {
            find.addBindValue(key);
            if (!find.exec())
                return &find;
            if (find.next()) {
                const qint64 id = find.value(0).toLongLong();
                find.finish();
                return id;
            }
            find.finish();
            if (round == 1)
                break;
            insert.addBindValue(key);
            for (const QVariant& value : values)
                insert.addBindValue(value);
            if (!insert.exec())
                return &insert;
            if (insert.next()) {
                const qint64 id = insert.value(0).toLongLong();
                insert.finish();
                return id;
            }
            insert.finish();
        }
        return &find;
    };

    const QString keyword = cell(record.keyword);
    const auto keywordRow =
        findOrInsert(s.findKeyword, s.keyword, QString::fromLatin1(HexDigest(keyword.toUtf8())), {keyword});
    if (auto* failed = std::get_if<QSqlQuery*>(&keywordRow))
        return *failed;
    const qint64 keywordId = std::get<qint64>(keywordRow);

    QVariant pageId = NullId();
    if (m_options.keepPages && !record.page.isEmpty()) {
        const QString digest = QString::fromLatin1(HexDigest(record.page));
        s.findPage.addBindValue(digest);
        if (!s.findPage.exec())
            return &s.findPage;
        if (s.findPage.next()) {
            pageId = s.findPage.value(0);
        } else {
            s.page.addBindValue(digest);
            s.page.addBindValue(qCompress(record.page, 9));
            if (!runReturning(s.page))
                return &s.page;
            pageId = s.page.value(0);
            s.page.finish();
        }
        s.findPage.finish();
    }

    s.search.addBindValue(time);
    s.search.addBindValue(keywordId);
    s.search.addBindValue(cell(record.market));
    s.search.addBindValue(DeviceName(record.device));
    s.search.addBindValue(LoadMethodName(record.loadMethod));
    s.search.addBindValue(OutcomeName(record.outcome));
    s.search.addBindValue(NotNull(record.outcomeText));
    s.search.addBindValue(int(record.ads.size()));
    s.search.addBindValue(pageId);
    if (!runReturning(s.search))
        return &s.search;
    result.searchId = s.search.value(0).toLongLong();
    s.search.finish();

    // An ad shown twice on one page is one more sighting but counts once for the keyword.
    QHash<qint64, AdMark> marked;
    for (const SightedAd& ad : record.ads) {
        const auto adRow =
            findOrInsert(s.findAd, s.ad, QString::fromLatin1(AdIdentity(ad.title, ad.text, ad.url)),
                         {cell(ad.title), cell(ad.text), cell(ad.url), DisplayedHost(ad.url)});
        if (auto* failed = std::get_if<QSqlQuery*>(&adRow))
            return *failed;
        const qint64 adId = std::get<qint64>(adRow);

        const QString block = cell(ad.block);
        s.sighting.addBindValue(result.searchId);
        s.sighting.addBindValue(adId);
        s.sighting.addBindValue(ad.position);
        s.sighting.addBindValue(block);
        if (!s.sighting.exec())
            return &s.sighting;

        if (auto it = marked.constFind(adId); it != marked.cend()) {
            result.marks.append(*it);
            continue;
        }
        s.keywordAd.addBindValue(keywordId);
        s.keywordAd.addBindValue(adId);
        s.keywordAd.addBindValue(time);
        s.keywordAd.addBindValue(time);
        s.keywordAd.addBindValue(ad.position);
        s.keywordAd.addBindValue(ad.position);
        s.keywordAd.addBindValue(block);
        if (!runReturning(s.keywordAd))
            return &s.keywordAd;
        AdMark mark;
        mark.firstSeen = QDateTime::fromString(s.keywordAd.value(0).toString(), Qt::ISODateWithMs);
        mark.timesSeen = s.keywordAd.value(1).toLongLong();
        mark.isNew = mark.timesSeen == 1;
        s.keywordAd.finish();
        marked.insert(adId, mark);
        result.marks.append(mark);
    }
    result.cellsCut = cut;
    return nullptr;
}

bool HistoryStore::clear(QString* sentence) {
    if (!m_open || m_damaged) {
        if (sentence)
            *sentence = m_sentence;
        return false;
    }
    QSqlDatabase db = database();
    QSqlQuery query(db);
    bool ok = query.exec(m_dialect.beginWrite());
    // Lists keep their progress: a keyword searched stays done, only its link to the search goes.
    ok = ok &&
         query.exec(QStringLiteral("UPDATE list_keywords SET search_id = NULL WHERE search_id IS NOT NULL"));
    for (const char* table : {"sightings", "keyword_ads", "searches", "ads", "keywords", "pages"})
        ok = ok && query.exec(QStringLiteral("DELETE FROM %1").arg(QLatin1StringView(table)));
    ok = ok && query.exec(QStringLiteral("COMMIT"));
    if (!ok) {
        const QSqlError error = query.lastError();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        const QString why = failure(error);
        if (sentence)
            *sentence = QStringLiteral("History could not be cleared") + why.mid(why.indexOf(u':'));
        return false;
    }
    for (const QString& statement : m_dialect.compact()) {
        if (!query.exec(statement)) {
            if (sentence)
                *sentence = QStringLiteral("The history was cleared, but its file could not be made "
                                           "smaller: %1.")
                                .arg(query.lastError().text());
            return false;
        }
    }
    return true;
}

QByteArray HistoryStore::pageOfSearch(qint64 searchId) {
    QSqlQuery query(database());
    query.prepare(
        QStringLiteral("SELECT p.body FROM searches s JOIN pages p ON p.id = s.page_id WHERE s.id = ?"));
    query.addBindValue(searchId);
    if (!query.exec() || !query.next())
        return {};
    return qUncompress(query.value(0).toByteArray());
}

} // namespace velmora::history
