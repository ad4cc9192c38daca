// The history store's figures. Goals on the 2-core machine: a search of 20 ads stored in a median
// of at most 5 ms on SQLite; on a store of 1,000,000 sightings over 5,000 keywords the history
// window's first rows within 200 ms, a keyword filter within 50 ms, the file at most 150 MB.
// Every figure on SQLite and, where PostgreSQL's programs are installed, on a server started for
// the run (VELMORA_BENCH_PG=0 leaves it out). The large SQLite store is built once and kept in
// VELMORA_BENCH_HISTORY_DIR (default: the system's temporary folder) for later runs.

#include "PostgresServer.h"

#include "history/HistoryAdsModel.h"
#include "history/HistoryStore.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace {

using namespace velmora::history;

constexpr int Keywords = 5000;
constexpr int SearchesPerKeyword = 10;
constexpr int AdsPerSearch = 20;
constexpr int AdsPerKeyword = 30; // each search shows 20 of its keyword's 30
constexpr int Advertisers = 2000;

QByteArray KeywordName(int k) {
    return "keyword " + QByteArray::number(k);
}

// The k-th keyword's s-th search: 20 of its 30 ads, in an order that moves between searches.
SearchRecord BigSearch(int k, int s, const QDateTime& start) {
    SearchRecord record;
    record.time = start.addSecs(qint64(s) * 86400 * 10 + k * 17);
    record.keyword = KeywordName(k);
    for (int i = 0; i < AdsPerSearch; ++i) {
        const int j = (i + s * 3) % AdsPerKeyword;
        const QByteArray id = QByteArray::number(k) + '-' + QByteArray::number(j);
        record.ads.append(
            {"Offer " + id + " for " + record.keyword, "Free delivery, order today, ad " + id,
             "www.advertiser" + QByteArray::number((k * 7 + j) % Advertisers) + ".example/" + id, i + 1,
             i < 4 ? "top" : "bottom"});
    }
    return record;
}

struct Backend {
    QString name;
    QString location; // path or URL
    QString file;     // the SQLite file, for its size
};

std::unique_ptr<velmora::testing::PostgresServer> g_server;
std::map<QString, Backend> g_big;                 // the large stores, by backend name
std::map<QString, std::vector<double>> g_samples; // milliseconds, by figure

bool BuildBig(const QString& location) {
    HistoryStore store(ParseHistoryLocation(location));
    if (!store.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(store.sentence()));
        return false;
    }
    QSqlQuery query(store.database());
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM sightings")) && query.next() &&
        query.value(0).toLongLong() == qint64(Keywords) * SearchesPerKeyword * AdsPerSearch)
        return true; // built by an earlier run
    if (store.dialect().kind == SqlDialect::Kind::SQLite)
        query.exec(QStringLiteral("PRAGMA synchronous=OFF")); // building only; the figures run as shipped
    std::fprintf(stderr, "Building 1,000,000 sightings at %s ...\n", qPrintable(location));
    QElapsedTimer timer;
    timer.start();
    const QDateTime start(QDate(2025, 1, 1), QTime(8, 0), Qt::UTC);
    for (int s = 0; s < SearchesPerKeyword; ++s)
        for (int k = 0; k < Keywords; ++k)
            if (!store.storeSearch(BigSearch(k, s, start)).stored) {
                std::fprintf(stderr, "%s\n", qPrintable(store.sentence()));
                return false;
            }
    if (store.dialect().kind == SqlDialect::Kind::SQLite)
        query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    else
        query.exec(QStringLiteral("VACUUM ANALYZE"));
    std::fprintf(stderr, "... built in %.1f s\n", double(timer.elapsed()) / 1000);
    return true;
}

double Median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void Record(benchmark::State& state, const QString& figure, double ms) {
    state.SetIterationTime(ms / 1000);
    g_samples[figure].push_back(ms);
}

void BM_StoreSearch(benchmark::State& state, QString backend) {
    QTemporaryDir dir;
    QString location;
    if (backend == QStringLiteral("sqlite")) {
        location = dir.filePath(QStringLiteral("history.sqlite"));
    } else {
        static int counter = 0;
        const QString name = QStringLiteral("store%1").arg(++counter);
        if (!g_server || !g_server->createDatabase(name)) {
            state.SkipWithError("no server");
            return;
        }
        location = g_server->url(name);
    }
    HistoryStore store(ParseHistoryLocation(location));
    if (!store.open()) {
        state.SkipWithError(qPrintable(store.sentence()));
        return;
    }
    const QDateTime start = QDateTime::currentDateTimeUtc();
    int search = 0;
    for (auto _ : state) {
        // Fifty keywords in turn: most ads are known, some are new.
        const SearchRecord record = BigSearch(search % 50, search / 50, start);
        ++search;
        QElapsedTimer timer;
        timer.start();
        const bool stored = store.storeSearch(record).stored;
        Record(state, backend + QStringLiteral(" store a search of 20 ads"),
               double(timer.nsecsElapsed()) / 1e6);
        if (!stored)
            state.SkipWithError("not stored");
    }
}

// The window's first rows: the count line and the first screenful of rows, all columns. With
// atEnd, the screenful at the end of the table, where the scroll bar's thumb is dragged to.
double FirstRows(const QSqlDatabase& db, const HistoryFilter& filter, bool atEnd = false) {
    QElapsedTimer timer;
    timer.start();
    HistoryAdsModel model;
    model.setQuery(db, filter);
    const int first = atEnd ? std::max(0, model.rowCount() - 30) : 0;
    for (int row = first; row < std::min(first + 30, model.rowCount()); ++row)
        for (int column = 0; column < model.columnCount(); ++column)
            benchmark::DoNotOptimize(model.index(row, column).data());
    return double(timer.nsecsElapsed()) / 1e6;
}

void BM_FirstRows(benchmark::State& state, QString backend, bool byKeyword, bool atEnd) {
    const auto big = g_big.find(backend);
    if (big == g_big.end()) {
        state.SkipWithError("no large store");
        return;
    }
    HistoryStore store(ParseHistoryLocation(big->second.location));
    if (!store.open()) {
        state.SkipWithError(qPrintable(store.sentence()));
        return;
    }
    int k = 0;
    for (auto _ : state) {
        HistoryFilter filter;
        if (byKeyword)
            filter.keyword = QString::fromLatin1(KeywordName((k++ * 997) % Keywords));
        const QString figure = byKeyword ? QStringLiteral(" keyword filter")
                               : atEnd   ? QStringLiteral(" rows at the end of the table")
                                         : QStringLiteral(" window's first rows");
        Record(state, backend + figure, FirstRows(store.database(), filter, atEnd));
    }
    if (!big->second.file.isEmpty())
        state.counters["file_MB"] = double(QFileInfo(big->second.file).size()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);

    QList<QString> backends{QStringLiteral("sqlite")};
    const QString folder = qEnvironmentVariableIsEmpty("VELMORA_BENCH_HISTORY_DIR")
                               ? QDir::temp().filePath(QStringLiteral("velmora-bench-history"))
                               : qEnvironmentVariable("VELMORA_BENCH_HISTORY_DIR");
    QDir().mkpath(folder);
    const QString bigFile = QDir(folder).filePath(QStringLiteral("big.sqlite"));
    if (BuildBig(bigFile))
        g_big[QStringLiteral("sqlite")] = {QStringLiteral("sqlite"), bigFile, bigFile};
    if (!QByteArrayView(VELMORA_BENCH_PG_BINDIR).isEmpty() &&
        qEnvironmentVariable("VELMORA_BENCH_PG") != u"0") {
        g_server =
            std::make_unique<velmora::testing::PostgresServer>(QStringLiteral(VELMORA_BENCH_PG_BINDIR));
        if (!g_server->unavailable().isEmpty()) {
            std::fprintf(stderr, "PostgreSQL left out: %s\n", qPrintable(g_server->unavailable()));
        } else {
            backends.append(QStringLiteral("postgresql"));
            if (g_server->createDatabase(QStringLiteral("big")) &&
                BuildBig(g_server->url(QStringLiteral("big"))))
                g_big[QStringLiteral("postgresql")] = {
                    QStringLiteral("postgresql"), g_server->url(QStringLiteral("big")), {}};
        }
    }
    for (const QString& backend : backends) {
        const std::string name = backend.toStdString();
        benchmark::RegisterBenchmark(("BM_StoreSearch/" + name).c_str(), BM_StoreSearch, backend)
            ->UseManualTime()
            ->Iterations(300)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_FirstRows/" + name).c_str(), BM_FirstRows, backend, false, false)
            ->UseManualTime()
            ->Iterations(15)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_LastRows/" + name).c_str(), BM_FirstRows, backend, false, true)
            ->UseManualTime()
            ->Iterations(5)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_KeywordFilter/" + name).c_str(), BM_FirstRows, backend, true, false)
            ->UseManualTime()
            ->Iterations(50)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    // The summary: medians against the goals.
    const std::map<QString, double> goals{{QStringLiteral("store a search of 20 ads"), 5},
                                          {QStringLiteral("window's first rows"), 200},
                                          {QStringLiteral("keyword filter"), 50}};
    for (const auto& [figure, samples] : g_samples) {
        double goal = 0;
        for (const auto& [name, ms] : goals)
            if (figure.endsWith(name))
                goal = ms;
        const QString goalText = goal > 0 ? QStringLiteral(" (goal %1 ms)").arg(goal) : QString();
        std::printf("%s: median %.2f ms%s over %zu runs\n", qPrintable(figure), Median(samples),
                    qPrintable(goalText), samples.size());
    }
    if (const auto big = g_big.find(QStringLiteral("sqlite")); big != g_big.end())
        std::printf("sqlite file of 1,000,000 sightings: %.1f MB (goal 150 MB)\n",
                    double(QFileInfo(big->second.file).size()) / 1e6);
    if (g_big.count(QStringLiteral("postgresql"))) {
        HistoryStore store(ParseHistoryLocation(g_big[QStringLiteral("postgresql")].location));
        QSqlQuery query(store.open() ? store.database() : QSqlDatabase());
        if (query.exec(QStringLiteral("SELECT pg_database_size(current_database())")) && query.next())
            std::printf("postgresql database of 1,000,000 sightings: %.1f MB (goal 150 MB)\n",
                        query.value(0).toDouble() / 1e6);
        // What the data itself takes, without the room earlier row versions left behind.
        if (query.exec(QStringLiteral("VACUUM FULL")) &&
            query.exec(QStringLiteral("SELECT pg_database_size(current_database())")) && query.next())
            std::printf("postgresql database after VACUUM FULL: %.1f MB\n", query.value(0).toDouble() / 1e6);
    }
    return 0;
}
