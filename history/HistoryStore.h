#pragma once

// The store of searches and the ads seen in them. One record per search (time, keyword, market,
// device, how the page was loaded, outcome) with its ads in page order; an ad is one row however
// often it is seen, a sighting links it to a search with its position and block, and per keyword
// and ad the store keeps first seen, last seen and times seen.
//
// Every search is written in one transaction, so a crash loses at most the search being written.
// Every value reaches SQL as a bound parameter. A file the store cannot write (read-only, full,
// damaged, made by a newer version) is never overwritten or deleted: the store says why in one
// sentence and the search goes on without it.

#include "history/HistoryLocation.h"
#include "history/SqlDialect.h"
#include "search/Device.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <memory>

namespace velmora::history {

using Device = search::Device;
enum class LoadMethod { Download, Scripts };
enum class SearchOutcome { AdsRead, NoAds, Verdict, Error };

// Names as stored: "desktop", "phone"; "download", "scripts"; "ads", "no ads", "verdict", "error".
using search::DeviceName;
QString LoadMethodName(LoadMethod method);
QString OutcomeName(SearchOutcome outcome);

struct SightedAd {
    QByteArray title;
    QByteArray text;
    QByteArray url; // as displayed
    int position = 0;
    QByteArray block; // "top", "bottom", or empty where the page does not say
};

struct SearchRecord {
    QDateTime time; // stored as UTC
    QByteArray keyword;
    QByteArray market; // country and language, empty for none
    Device device = Device::Desktop;
    LoadMethod loadMethod = LoadMethod::Download;
    SearchOutcome outcome = SearchOutcome::AdsRead;
    QString outcomeText;  // the verdict sentence or the error
    QList<SightedAd> ads; // in page order
    QByteArray page;      // kept only when the store keeps pages
};

// What the history knew of one ad of a stored search, for the results list.
struct AdMark {
    bool isNew = false; // never seen before for this keyword
    QDateTime firstSeen;
    qint64 timesSeen = 0; // this search included
};

struct StoreResult {
    bool stored = false;
    QString sentence;      // why not, one sentence
    QList<AdMark> marks;   // one per ad of the record, in its order
    bool cellsCut = false; // a cell was longer than MaxCellBytes and is stored cut
    qint64 searchId = -1;
};

class HistoryStore {
public:
    static constexpr int SchemaVersion = 2;

    struct Options {
        bool keepPages = false;
        int busyTimeoutMs = 5000; // how long a busy file is waited for, per attempt
        int attempts = 5;         // a transaction refused as busy is tried this often
    };

    explicit HistoryStore(HistoryLocation location, Options options);
    explicit HistoryStore(HistoryLocation location);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Connects and brings the schema up to SchemaVersion. False, with sentence(), when the
    // history cannot be used.
    bool open();
    bool isOpen() const;
    // Why the history could not be opened or written: "History could not be written: ...".
    const QString& sentence() const { return m_sentence; }

    // Writes more inside the search's transaction, so both are stored or neither. Given the new
    // search's id it returns true, or false with *error for a failed statement (tried again like
    // the search), or false with only *refused: the search is then not stored, and the result's
    // sentence is *refused.
    using AlsoWrite = std::function<bool(qint64 searchId, QSqlError* error, QString* refused)>;
    StoreResult storeSearch(const SearchRecord& record, const AlsoWrite& alsoWrite = {});
    // Drops the connection and opens it again, after a server went away.
    bool reopen();

    // Deletes every search and ad and gives the space back. False, with *sentence.
    bool clear(QString* sentence);

    // The schema version the file or server holds; 0 for none, -1 when it cannot be read.
    int storedSchemaVersion();
    // The stored page of a search, uncompressed; empty when none was kept.
    QByteArray pageOfSearch(qint64 searchId);

    void setKeepPages(bool keep) { m_options.keepPages = keep; }
    const HistoryLocation& location() const { return m_location; }
    const SqlDialect& dialect() const { return m_dialect; }
    // The connection, for the history window's queries (on this thread only).
    QSqlDatabase database() const;

private:
    struct Statements;
    bool migrate();
    // Writes the search inside the open transaction; the statement that failed, or nothing.
    QSqlQuery* writeSearch(const SearchRecord& record, StoreResult& result);
    QString failure(const QSqlError& error);
    QString failure(const QString& reason);

    HistoryLocation m_location;
    Options m_options;
    SqlDialect m_dialect;
    QString m_connectionName;
    QString m_sentence;
    bool m_open = false;
    bool m_damaged = false; // a damaged file is left alone for the rest of the run
    std::unique_ptr<Statements> m_statements;
};

} // namespace velmora::history
