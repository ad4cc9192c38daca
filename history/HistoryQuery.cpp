#include "history/HistoryQuery.h"

#include "history/AdIdentity.h"
#include "search/CsvWriter.h"
#include "util/AtomicSave.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>

#include <array>

namespace velmora::history {
namespace {

struct ColumnInfo {
    const char* caption;
    const char* expression; // a fixed piece of SQL, never user text
    const char* jsonKey;
};

constexpr std::array<ColumnInfo, size_t(HistoryColumn::Count)> Columns{{
    {"Keyword", "k.keyword", "keyword"},
    {"Ad Title", "a.title", "title"},
    {"Ad Text", "a.ad_text", "text"},
    {"Ad URL", "a.url", "url"},
    {"Advertiser", "a.host", "advertiser"},
    {"First Seen", "ka.first_seen", "firstSeen"},
    {"Last Seen", "ka.last_seen", "lastSeen"},
    {"Times Seen", "ka.times_seen", "timesSeen"},
    {"Best Position", "ka.best_position", "bestPosition"},
    {"Last Position", "ka.last_position", "lastPosition"},
    {"Block", "ka.last_block", "block"},
}};

// "%" + text with the LIKE wildcards and the escape character escaped + "%".
QString ContainsPattern(const QString& text) {
    QString escaped;
    for (QChar c : text.toLower()) {
        if (c == u'\\' || c == u'%' || c == u'_')
            escaped += u'\\';
        escaped += c;
    }
    return u'%' + escaped + u'%';
}

QString DayStart(QDate day) {
    return QDateTime(day, QTime(0, 0), Qt::UTC).toString(Qt::ISODateWithMs);
}

QString NextDayStart(QDate day) {
    return DayStart(day.addDays(1));
}

// FROM and WHERE under the filter.
BoundSql FilteredFrom(const HistoryFilter& filter) {
    BoundSql from;
    from.sql = QStringLiteral(" FROM keyword_ads ka JOIN ads a ON a.id = ka.ad_id"
                              " JOIN keywords k ON k.id = ka.keyword_id WHERE 1 = 1");
    if (!filter.keyword.isEmpty()) {
        // Through the keyword's indexed digest, so the filter reads that keyword's rows only.
        from.sql += QStringLiteral(" AND ka.keyword_id IN (SELECT id FROM keywords WHERE digest = ?)");
        from.values.append(QString::fromLatin1(HexDigest(StoredCell(filter.keyword.toUtf8()).toUtf8())));
    }
    for (const QString& word : filter.words.split(u' ', Qt::SkipEmptyParts)) {
        from.sql +=
            QStringLiteral(" AND (LOWER(a.title) LIKE ? ESCAPE '\\' OR LOWER(a.ad_text) LIKE ? ESCAPE '\\')");
        from.values.append(ContainsPattern(word));
        from.values.append(ContainsPattern(word));
    }
    if (!filter.advertiser.trimmed().isEmpty()) {
        from.sql += QStringLiteral(" AND a.host LIKE ? ESCAPE '\\'");
        from.values.append(ContainsPattern(filter.advertiser.trimmed()));
    }
    if (filter.from.isValid()) {
        from.sql += QStringLiteral(" AND ka.last_seen >= ?");
        from.values.append(DayStart(filter.from));
    }
    if (filter.to.isValid()) {
        from.sql += QStringLiteral(" AND ka.first_seen < ?");
        from.values.append(NextDayStart(filter.to));
    }
    if (filter.newSince.isValid()) {
        from.sql += QStringLiteral(" AND ka.first_seen >= ?");
        from.values.append(DayStart(filter.newSince));
    }
    return from;
}

bool Run(QSqlQuery& query, const BoundSql& bound, QString* error) {
    query.setForwardOnly(true);
    bool ok = query.prepare(bound.sql);
    for (const QVariant& value : bound.values)
        query.addBindValue(value);
    ok = ok && query.exec();
    if (!ok && error)
        *error = query.lastError().text();
    return ok;
}

QList<DayCount> PerDay(const QSqlDatabase& db, const BoundSql& bound, QString* error) {
    QSqlQuery query(db);
    QList<DayCount> days;
    if (!Run(query, bound, error))
        return days;
    while (query.next())
        days.append({QDate::fromString(query.value(0).toString(), Qt::ISODate), query.value(1).toLongLong()});
    return days;
}

} // namespace

QString HistoryColumnCaption(HistoryColumn column) {
    return QString::fromLatin1(Columns[size_t(column)].caption);
}

BoundSql HistoryRowsSql(const HistoryFilter& filter, HistoryColumn sortColumn, Qt::SortOrder order) {
    BoundSql rows;
    rows.sql = QStringLiteral("SELECT ");
    for (const ColumnInfo& column : Columns)
        rows.sql += QLatin1StringView(column.expression) + QStringLiteral(", ");
    rows.sql += QStringLiteral("ka.ad_id");
    const BoundSql from = FilteredFrom(filter);
    rows.sql += from.sql;
    const QString direction = order == Qt::AscendingOrder ? QStringLiteral("ASC") : QStringLiteral("DESC");
    rows.sql += QStringLiteral(" ORDER BY %1 %2, ka.ad_id %2, ka.keyword_id %2 LIMIT ? OFFSET ?")
                    .arg(QLatin1StringView(Columns[size_t(sortColumn)].expression), direction);
    rows.values = from.values;
    return rows;
}

BoundSql HistoryCountSql(const HistoryFilter& filter) {
    // Without a filter every ad has a keyword and every keyword's ad counts: no join is needed,
    // and the advertisers are counted from their index.
    if (filter.keyword.isEmpty() && filter.words.trimmed().isEmpty() &&
        filter.advertiser.trimmed().isEmpty() && !filter.from.isValid() && !filter.to.isValid() &&
        !filter.newSince.isValid())
        return {QStringLiteral(
                    "SELECT (SELECT COUNT(*) FROM keyword_ads), (SELECT COUNT(DISTINCT host) FROM ads)"),
                {}};
    const BoundSql from = FilteredFrom(filter);
    return {QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT a.host)") + from.sql, from.values};
}

bool CountHistory(const QSqlDatabase& db, const HistoryFilter& filter, HistoryCount& count, QString* error) {
    QSqlQuery query(db);
    if (!Run(query, HistoryCountSql(filter), error) || !query.next())
        return false;
    count.ads = query.value(0).toLongLong();
    count.advertisers = query.value(1).toLongLong();
    return true;
}

QString HistoryCountLine(const HistoryCount& count) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("%1 %2 from %3 %4")
        .arg(english.toString(count.ads), count.ads == 1 ? QStringLiteral("ad") : QStringLiteral("ads"),
             english.toString(count.advertisers),
             count.advertisers == 1 ? QStringLiteral("advertiser") : QStringLiteral("advertisers"));
}

QList<DayCount> SightingsPerDayOfAd(const QSqlDatabase& db, qint64 adId, const QString& keyword,
                                    QString* error) {
    BoundSql bound{
        QStringLiteral("SELECT SUBSTR(s.searched_at, 1, 10) AS day, COUNT(*) FROM sightings g"
                       " JOIN searches s ON s.id = g.search_id JOIN keywords k ON k.id = s.keyword_id"
                       " WHERE g.ad_id = ?"),
        {adId}};
    if (!keyword.isEmpty()) {
        bound.sql += QStringLiteral(" AND k.keyword = ?");
        bound.values.append(keyword);
    }
    bound.sql += QStringLiteral(" GROUP BY SUBSTR(s.searched_at, 1, 10) ORDER BY day");
    return PerDay(db, bound, error);
}

QList<DayCount> SightingsPerDayOfAdvertiser(const QSqlDatabase& db, const QString& host, QString* error) {
    return PerDay(db,
                  {QStringLiteral("SELECT SUBSTR(s.searched_at, 1, 10) AS day, COUNT(*) FROM ads a"
                                  " JOIN sightings g ON g.ad_id = a.id JOIN searches s ON s.id = g.search_id"
                                  " WHERE a.host = ? GROUP BY SUBSTR(s.searched_at, 1, 10) ORDER BY day"),
                   {host}},
                  error);
}

bool WriteHistoryExport(const QSqlDatabase& db, const HistoryFilter& filter, HistoryColumn sortColumn,
                        Qt::SortOrder order, ExportFormat format, QIODevice* device, QString* error) {
    BoundSql bound = HistoryRowsSql(filter, sortColumn, order);
    bound.values.append(qint64(-1)); // no limit: SQLite takes -1, and so must every row
    bound.values.append(qint64(0));
    if (db.driverName() == QStringLiteral("QPSQL"))
        bound.values[bound.values.size() - 2] = QVariant(QMetaType::fromType<qint64>()); // LIMIT NULL
    QSqlQuery query(db);
    if (!Run(query, bound, error))
        return false;
    auto write = [&](const QByteArray& bytes) {
        if (device->write(bytes) == bytes.size())
            return true;
        if (error)
            *error = device->errorString();
        return false;
    };
    const int columns = int(HistoryColumn::Count);
    if (format == ExportFormat::Csv) {
        QList<QByteArray> header;
        for (const ColumnInfo& column : Columns)
            header.append(QByteArray(column.caption));
        if (!write(search::CsvLine(header)))
            return false;
        while (query.next()) {
            QList<QByteArray> cells;
            for (int i = 0; i < columns; ++i)
                cells.append(query.value(i).toString().toUtf8());
            if (!write(search::CsvLine(cells)))
                return false;
        }
    } else {
        if (!write("["))
            return false;
        bool first = true;
        while (query.next()) {
            QJsonObject object;
            for (int i = 0; i < columns; ++i) {
                const auto column = HistoryColumn(i);
                const bool number = column == HistoryColumn::TimesSeen ||
                                    column == HistoryColumn::BestPosition ||
                                    column == HistoryColumn::LastPosition;
                object.insert(QLatin1StringView(Columns[size_t(i)].jsonKey),
                              number ? QJsonValue(query.value(i).toLongLong())
                                     : QJsonValue(query.value(i).toString()));
            }
            QByteArray line = first ? "\n" : ",\n";
            line += QJsonDocument(object).toJson(QJsonDocument::Compact);
            first = false;
            if (!write(line))
                return false;
        }
        if (!write("\n]\n"))
            return false;
    }
    if (query.lastError().isValid()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    return true;
}

bool SaveHistoryExport(const QSqlDatabase& db, const HistoryFilter& filter, HistoryColumn sortColumn,
                       Qt::SortOrder order, ExportFormat format, const QString& fileName, QString* error) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!WriteHistoryExport(db, filter, sortColumn, order, format, &file, error)) {
        file.cancelWriting();
        return false;
    }
    return util::CommitSave(file, error);
}

} // namespace velmora::history
