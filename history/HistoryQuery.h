#pragma once

// The history window's questions to the store: the ads per keyword under a filter, sorted by
// any column, counted, their sightings per day, and the filtered view exported as CSV or JSON.
// Filter text of any kind (quotes, percent signs, SQL words) is a bound value, matched literally.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

class QIODevice;

namespace velmora::history {

struct HistoryFilter {
    QString keyword;    // exactly this keyword, as searched; empty: every keyword
    QString words;      // every word in the title or text (letter case ignored for ASCII)
    QString advertiser; // part of the advertiser's host
    QDate from;         // seen on or after this day (UTC)
    QDate to;           // seen on or before this day (UTC)
    QDate newSince;     // first seen on or after this day (UTC)
};

// The columns of the history table, in order.
enum class HistoryColumn {
    Keyword,
    Title,
    Text,
    Url,
    Advertiser,
    FirstSeen,
    LastSeen,
    TimesSeen,
    BestPosition,
    LastPosition,
    Block,
    Count
};
QString HistoryColumnCaption(HistoryColumn column);

// A statement with its bound values.
struct BoundSql {
    QString sql;
    QList<QVariant> values;
};

// The ads under the filter, sorted by column (ties by the ad's id), LIMIT and OFFSET left to the
// caller as the last two values. Each row: the columns in HistoryColumn's order, then the ad's id.
BoundSql HistoryRowsSql(const HistoryFilter& filter, HistoryColumn sortColumn, Qt::SortOrder order);
// One row: the number of ads and of distinct advertisers under the filter.
BoundSql HistoryCountSql(const HistoryFilter& filter);

struct HistoryCount {
    qint64 ads = 0;
    qint64 advertisers = 0;
};
// Runs HistoryCountSql; nothing (and *error) when it fails.
bool CountHistory(const QSqlDatabase& db, const HistoryFilter& filter, HistoryCount& count, QString* error);
// "1,234 ads from 56 advertisers", with one ad / one advertiser said so.
QString HistoryCountLine(const HistoryCount& count);

// Sightings per UTC day of one ad (under one keyword when keyword is not empty) or of every ad of
// an advertiser, oldest first.
struct DayCount {
    QDate day;
    qint64 sightings = 0;
};
QList<DayCount> SightingsPerDayOfAd(const QSqlDatabase& db, qint64 adId, const QString& keyword,
                                    QString* error);
QList<DayCount> SightingsPerDayOfAdvertiser(const QSqlDatabase& db, const QString& host, QString* error);

enum class ExportFormat { Csv, Json };
// Writes the filtered view, sorted as given: CSV (RFC 4180, UTF-8, header line, CR LF) or a JSON
// array of objects keyed by column. False, with *error, when a query or the device fails.
bool WriteHistoryExport(const QSqlDatabase& db, const HistoryFilter& filter, HistoryColumn sortColumn,
                        Qt::SortOrder order, ExportFormat format, QIODevice* device, QString* error);
// The same into a file, replaced only when the new one is complete and on disk.
bool SaveHistoryExport(const QSqlDatabase& db, const HistoryFilter& filter, HistoryColumn sortColumn,
                       Qt::SortOrder order, ExportFormat format, const QString& fileName, QString* error);

} // namespace velmora::history
