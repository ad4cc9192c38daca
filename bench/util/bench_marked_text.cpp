// Walks documents of 1 MB and 10 MB, one marked item per 100 bytes, with ExtractMarked.
// The throughput of both must be about the same: a walk is linear in the document size.

#include "util/MarkedText.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

using velmora::util::ExtractMarked;
using velmora::util::MarkedTextCursor;

namespace {

QByteArray makeDocument(qsizetype size) {
    // Mixed case in the document, so that the case-folding path is the one measured.
    const QByteArray item = "<ITEM id=1>value of the item</Item>";
    QByteArray filler(100 - item.size(), 'x');
    for (qsizetype i = 0; i < filler.size(); i += 7)
        filler[i] = ' ';
    QByteArray document;
    document.reserve(size);
    while (document.size() + 100 <= size)
        document += filler + item;
    return document;
}

void BM_WalkDocument(benchmark::State& state) {
    const QByteArray document = makeDocument(state.range(0));
    std::size_t items = 0;
    for (auto _ : state) {
        MarkedTextCursor cursor(document);
        items = 0;
        while (true) {
            const qsizetype before = cursor.position();
            QByteArray value = ExtractMarked("<item id=", "</item>", 0, cursor);
            if (cursor.position() == before)
                break;
            benchmark::DoNotOptimize(value);
            ++items;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * document.size());
    state.counters["items"] = double(items);
}
BENCHMARK(BM_WalkDocument)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

// Keeps the console output and remembers each run's throughput for the closing line.
class ThroughputReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> mbPerSecond;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end())
                mbPerSecond[run.benchmark_name()] = it->second.value / 1e6;
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ThroughputReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double small = reporter.mbPerSecond["BM_WalkDocument/1048576"];
    const double large = reporter.mbPerSecond["BM_WalkDocument/10485760"];
    if (small > 0 && large > 0) {
        std::printf("ExtractMarked walk: 1 MB %.0f MB/s, 10 MB %.0f MB/s, ratio %.2f (goal: within 1.3)\n",
                    small, large, small > large ? small / large : large / small);
    }
    return 0;
}
