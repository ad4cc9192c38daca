// Keyword lists' figures, both sides measured in one run.
// 1. The runner's own cost per keyword against a loopback engine with pause 0: a page fetched,
//    judged and read alone, beside the same page as one keyword of a runner's list (in memory,
//    and with the list kept in a SQLite history). Goal: the runner adds at most 50 ms a keyword.
// 2. Workers on one PostgreSQL list (a server started for the run), 1 against 3 velmora-batch
//    workers, against a loopback engine that takes VELMORA_BENCH_ENGINE_MS (default 200) per
//    search as a real one would: keywords per minute, and every keyword stored exactly once.
// The page is a real desktop results page from ../shared when it is there, else a made-up one.

#include "LoopbackServer.h"
#include "PostgresServer.h"

#include "history/HistoryStore.h"
#include "history/KeywordRunner.h"
#include "history/ListStore.h"
#include "search/DownloadFetcher.h"
#include "search/PageDownload.h"
#include "search/PageVerdict.h"
#include "search/ReadAds.h"
#include "util/RandomSource.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

using namespace velmora;
using velmora::testing::CannedReply;
using velmora::testing::LoopbackServer;

std::map<std::string, std::vector<double>> g_samples; // milliseconds a keyword, by figure
QByteArray g_page;
QString g_pageName;

void LoadPage() {
    QFile file(QStringLiteral(VELMORA_SHARED_TESTDATA "/serp/google-pizza-2020-10-desktop.html"));
    if (file.open(QIODevice::ReadOnly)) {
        g_page = file.readAll();
        g_pageName = QStringLiteral("google-pizza-2020-10-desktop.html");
        return;
    }
    std::fprintf(stderr, "../shared/testdata not found: a made-up page of 3 ads and 400 KB is served\n");
    for (int i = 1; i <= 3; ++i)
        g_page += "<div><a id=an" + QByteArray::number(i) + " href=\"/x\">Pizza " + QByteArray::number(i) +
                  " deals</a> Cheap pizza<cite>shop" + QByteArray::number(i) + ".example</cite></div>";
    g_page = "<html><body>" + g_page + QByteArray(400000, 'x') + "</body></html>";
    g_pageName = QStringLiteral("made-up page");
}

double Median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// One page fetched from the loopback engine, judged and read: what every keyword costs anyway.
void BM_FetchAndRead(benchmark::State& state) {
    LoopbackServer server;
    CannedReply reply;
    reply.body = g_page;
    server.setReply("/search", reply);
    QTemporaryDir folder;
    search::PageDownload download(folder.path(), util::SystemRandom());
    QEventLoop loop;
    search::DownloadResult last;
    QObject::connect(&download, &search::PageDownload::finished, &loop,
                     [&](const search::DownloadResult& result) {
                         last = result;
                         loop.quit();
                     });
    int ads = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        download.start(QUrl::fromEncoded(server.url("/search?q=pizza")));
        loop.exec();
        if (search::JudgePage(last.finalUrl, last.pageText) == search::PageVerdict::ResultsPage)
            ads = int(search::ReadAds(last.pageText, "pizza").size());
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000);
        g_samples["fetch, judge and read alone"].push_back(ms);
    }
    state.counters["ads"] = ads;
}

// The same page as the keywords of a list: the runner's time a keyword, pause 0.
void BM_RunnerKeyword(benchmark::State& state, bool stored) {
    LoopbackServer server;
    CannedReply reply;
    reply.body = g_page;
    server.setReply("/search", reply);
    QTemporaryDir folder;
    std::unique_ptr<history::HistoryStore> store;
    if (stored) {
        history::HistoryLocation location;
        location.kind = history::HistoryLocation::Kind::SQLite;
        location.filePath = folder.filePath(QStringLiteral("history.sqlite"));
        store = std::make_unique<history::HistoryStore>(location);
        if (!store->open()) {
            state.SkipWithError(qPrintable(store->sentence()));
            return;
        }
    }
    search::PageDownload download(folder.path(), util::SystemRandom());
    search::DownloadFetcher fetcher(download);
    history::KeywordRunner runner({server.url("/search?q="), {}, history::Device::Desktop, {0, 0}}, fetcher,
                                  util::SystemRandom(), store.get());
    QEventLoop loop;
    QElapsedTimer timer;
    QObject::connect(&runner, &history::KeywordRunner::keywordFinished, &loop, [&] { loop.quit(); });
    QObject::connect(&runner, &history::KeywordRunner::finished, &loop, [&] { loop.quit(); });
    const int keywords = int(state.max_iterations);
    QList<QByteArray> list;
    for (int i = 0; i < keywords; ++i)
        list << "pizza " + QByteArray::number(i);
    // Each keyword is timed from the end of the one before (or the start) to its own end: the
    // runner's pause of 0, its lease, search, judging, reading and storing.
    timer.start();
    runner.start(QStringLiteral("bench"), list);
    const std::string figure =
        stored ? "runner keyword, list in a SQLite history" : "runner keyword, in memory";
    for (auto _ : state) {
        if (runner.isRunning())
            loop.exec();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        timer.restart();
        state.SetIterationTime(ms / 1000);
        g_samples[figure].push_back(ms);
    }
    runner.stop();
}

// Workers on one PostgreSQL list: keywords per minute, and every keyword stored exactly once.
void Workers(int workers, int keywords, int engineMs) {
    velmora::testing::PostgresServer server{QStringLiteral(VELMORA_BENCH_PG_BINDIR)};
    if (!server.unavailable().isEmpty()) {
        std::printf("workers: PostgreSQL left out: %s\n", qPrintable(server.unavailable()));
        return;
    }
    const QString name = QStringLiteral("workers%1").arg(workers);
    if (!server.createDatabase(name)) {
        std::printf("workers: cannot make a database\n");
        return;
    }
    const QString url = server.url(name);
    {
        history::HistoryStore store(history::ParseHistoryLocation(url));
        QList<QByteArray> list;
        for (int i = 0; i < keywords; ++i)
            list << "pizza " + QByteArray::number(i);
        QString why;
        if (!store.open() || !history::ListStore(store).create(QStringLiteral("bench"), list, {},
                                                               history::Device::Desktop, {0, 0}, &why)) {
            std::printf("workers: %s %s\n", qPrintable(store.sentence()), qPrintable(why));
            return;
        }
    }
    LoopbackServer engine;
    CannedReply reply;
    reply.body = g_page;
    // The body in 16 pieces spread over the engine's time.
    reply.chunkSize = int(g_page.size() / 16 + 1);
    reply.intervalMs = engineMs / 16;
    engine.setReply("/search", reply);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELMORA_SEARCH_BASE_URL"), QString::fromLatin1(engine.url()));
    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<QProcess>> running;
    for (int i = 0; i < workers; ++i) {
        auto worker = std::make_unique<QProcess>();
        worker->setProcessEnvironment(environment);
        worker->setStandardOutputFile(QProcess::nullDevice());
        worker->setStandardErrorFile(QProcess::nullDevice());
        worker->start(QStringLiteral(VELMORA_BATCH_TOOL),
                      {"--worker", "--history", url, "--list", "bench", "--format", "jsonl"});
        running.push_back(std::move(worker));
    }
    bool allZero = true;
    for (auto& worker : running)
        allZero = worker->waitForFinished(600000) && worker->exitStatus() == QProcess::NormalExit &&
                  worker->exitCode() == 0 && allZero;
    const double minutes = double(timer.elapsed()) / 60000;
    history::HistoryStore store(history::ParseHistoryLocation(url));
    QSqlQuery query(store.open() ? store.database() : QSqlDatabase());
    int once = 0, searches = 0;
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM (SELECT keyword_id FROM searches GROUP BY keyword_id"
                                  " HAVING COUNT(*) = 1) t")) &&
        query.next())
        once = query.value(0).toInt();
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM searches")) && query.next())
        searches = query.value(0).toInt();
    std::printf("%d worker%s, %d keywords, engine %d ms a search: %.1f keywords a minute (%.1f s); "
                "stored once: %d of %d, searches stored %d, engine asked %d times%s\n",
                workers, workers == 1 ? "" : "s", keywords, engineMs, keywords / minutes, minutes * 60, once,
                keywords, searches, engine.requestCount(), allZero ? "" : "; a worker did not end with 0");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    LoadPage();
    benchmark::RegisterBenchmark("BM_FetchAndRead", BM_FetchAndRead)
        ->UseManualTime()
        ->Iterations(200)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_RunnerKeyword/memory", BM_RunnerKeyword, false)
        ->UseManualTime()
        ->Iterations(200)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_RunnerKeyword/sqlite", BM_RunnerKeyword, true)
        ->UseManualTime()
        ->Iterations(200)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("page: %s, %lld bytes\n", qPrintable(g_pageName), qlonglong(g_page.size()));
    const double alone = Median(g_samples["fetch, judge and read alone"]);
    for (const auto& [figure, samples] : g_samples) {
        const double median = Median(samples);
        std::printf("%s: median %.2f ms over %zu keywords", figure.c_str(), median, samples.size());
        if (figure != "fetch, judge and read alone")
            std::printf(" (%+.2f ms beyond fetch, judge and read; goal at most 50 ms)", median - alone);
        std::printf("\n");
    }
    if (QByteArrayView(VELMORA_BENCH_PG_BINDIR).isEmpty() ||
        qEnvironmentVariable("VELMORA_BENCH_PG") == u"0") {
        std::printf("workers: PostgreSQL left out\n");
        return 0;
    }
    const int engineMs = qEnvironmentVariableIsEmpty("VELMORA_BENCH_ENGINE_MS")
                             ? 200
                             : qEnvironmentVariableIntValue("VELMORA_BENCH_ENGINE_MS");
    const int keywords = qEnvironmentVariableIsEmpty("VELMORA_BENCH_KEYWORDS")
                             ? 150
                             : qEnvironmentVariableIntValue("VELMORA_BENCH_KEYWORDS");
    Workers(1, keywords, engineMs);
    Workers(3, keywords, engineMs);
    return 0;
}
