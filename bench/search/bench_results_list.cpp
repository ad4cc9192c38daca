// The results list with many rows, in the real main window (offscreen): the rows of one
// search appended and drawn, and the whole list exported. Goals on the 2-core machine:
// 10,000 rows appended in under 100 ms, 100,000 rows exported in under 300 ms.

#include "app/ErrorReporter.h"
#include "app/FMain.h"
#include "app/MessageBox.h"
#include "app/SaveDialog.h"
#include "search/CsvWriter.h"
#include "search/ExtractAds.h"
#include "search/ResultsModel.h"
#include "util/Platform.h"
#include "util/RandomSource.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using velmora::search::AdRow;
using velmora::search::ResultsModel;

class StderrReporter final : public velmora::app::ErrorReporter {
public:
    void report(const QString& message) override { std::fprintf(stderr, "%s\n", qPrintable(message)); }
};

// A results page holding nothing but `ads` first-group ads.
QByteArray pageWithAds(int ads) {
    QByteArray page = "<html><body><div id=tads><ol>\r\n";
    for (int i = 1; i <= ads; ++i) {
        const QByteArray n = QByteArray::number(i);
        page += "<li><h3><a id=an" + n + " href=\"/aclk?ai=" + n + "\">Garden <b>chairs</b> " + n +
                "</a></h3>Teak &amp; steel, delivered free<br>order by Friday<cite>www.shop" + n +
                ".example/chairs</cite>\r\n";
    }
    return page + "</ol></div></body></html>\r\n";
}

struct Window {
    StderrReporter reporter;
    std::unique_ptr<velmora::util::RandomSource> random = velmora::util::SeededRandom(1);
    QTemporaryDir dir;
    velmora::app::TfrmMain window{velmora::app::BrandSettings{},
                                  {velmora::util::SystemPlatform(),
                                   reporter,
                                   dir.path(),
                                   QByteArray(),
                                   {},
                                   velmora::app::SystemMessageBox(),
                                   *random,
                                   QByteArray("http://127.0.0.1:9"),
                                   velmora::app::SystemSaveDialog()}};
    QTableView* list = window.findChild<QTableView*>(QStringLiteral("lvwItems"));

    Window() {
        window.show();
        QApplication::processEvents();
    }
};

void BM_AppendSearchRowsToList(benchmark::State& state) {
    Window w;
    ResultsModel& results = w.window.results();
    const QByteArray page = pageWithAds(int(state.range(0)));
    for (auto _ : state) {
        {
            // What a search does with its page: every ad into the list as one insertion ...
            ResultsModel::Batch batch(results);
            velmora::search::ExtractAds(page, "garden chairs", results);
        }
        // ... and the list laid out and drawn.
        QApplication::processEvents();
        w.list->viewport()->repaint();
        state.PauseTiming();
        if (results.rowCount() != state.range(0))
            state.SkipWithError("wrong row count");
        results.clear();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(state.range(0));
}
BENCHMARK(BM_AppendSearchRowsToList)->ArgName("rows")->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ExportList(benchmark::State& state) {
    Window w;
    ResultsModel& results = w.window.results();
    {
        ResultsModel::Batch batch(results);
        const QByteArray page = pageWithAds(int(state.range(0)));
        velmora::search::ExtractAds(page, "garden chairs", results);
    }
    QApplication::processEvents();
    const QString file = w.dir.filePath(QStringLiteral("results.csv"));
    for (auto _ : state)
        w.window.SaveResultsToCsv(file);
    state.counters["rows"] = double(results.rowCount());
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
}
BENCHMARK(BM_ExportList)->ArgName("rows")->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
