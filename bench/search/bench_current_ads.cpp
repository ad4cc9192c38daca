// Throughput of the reader of today's results pages, beside the classic rules on the same input.
// Inputs: the saved desktop page of 2023 (about 1 MB, from ../shared/testdata; skipped with a line
// when that folder is absent), pages of 1 MB and 10 MB made of repeated ad blocks, and pages of
// 1 MB and 10 MB of hostile nesting. Goal: the desktop page read in under 20 ms, and every page in
// at most 1.5 times the desktop page's time per MB. The counter "xDesktop" is that ratio (the time
// per MB against the same reader's on the desktop page), and a summary line after the table gives
// the figures of the goal. The big pages reach the reader's limits, so "ads" shows what they give.

#include "CountingSink.h"
#include "search/AdRow.h"
#include "search/ExtractAds.h"
#include "search/PageText.h"
#include "search/ReadAds.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace {

using velmora::search::AdLayout;
using velmora::search::AdRow;
using velmora::search::AdRowSink;

constexpr qsizetype kMB = 1000 * 1000;

using velmora::bench::CountingSink;

const std::string kDesktop = "desktop-2023-fixture";

struct Figure {
    double ms = 0; // per page
    double msPerMB = 0;
};

// Each benchmark's last run, by its name.
std::map<std::string, Figure>& figures() {
    static std::map<std::string, Figure> byName;
    return byName;
}

// One text ad as the desktop layout writes it, with sitelinks and a hidden copy of its address,
// between two organic results.
QByteArray adBlock(qsizetype n) {
    const QByteArray k = QByteArray::number(n);
    return "<div id=\"tads\" aria-label=\"Ads\" role=\"region\"><h1>Ads</h1><div class=\"uEierd\"><div "
           "data-text-ad=\"1\"><div class=\"vdQmEd\"><a href=\"https://www.example.com/aclk?sa=l&amp;ai=" +
           k +
           "\" data-agch=\"HJ3bqe\" data-impdclcc=\"1\"><g-img><img src=\"data:image/png;base64,AAAA\" "
           "alt=\"\"></g-img></a><span class=\"U3A9Ac\">Sponsored</span><div><a class=\"sVXRqc\" "
           "data-agch=\"HJ3bqe\" data-impdclcc=\"1\" data-pcu=\"https://shop" +
           k + ".example/\" data-rw=\"https://www.example.com/aclk?sa=l&amp;ai=" + k +
           "\" href=\"https://shop" + k +
           ".example/\"><div aria-level=\"3\" role=\"heading\"><span>Garden hoses &amp; reels " + k +
           "</span></div><div><span>Shop " + k + "</span><span role=\"text\">https://shop" + k +
           ".example</span></div></a><div class=\"oVrGyb\"><span role=\"text\">https://shop" + k +
           ".example</span></div></div><div><div><span>Heavy-duty <em>garden hoses</em> from 9 &euro;. "
           "Free delivery &amp; returns, in stock today.</span></div></div><div>&lrm;<a data-rw=\"/aclk?s=" +
           k + "\" href=\"/s1\">Reels</a> &middot; &lrm;<a data-rw=\"/aclk?s=" + k +
           "\" href=\"/s2\">Carts</a></div></div></div></div></div>\n"
           "<div class=\"g\"><a href=\"https://www.site" +
           k + ".example/\"><h3>Organic result " + k + "</h3></a><div><cite>www.site" + k +
           ".example</cite></div><div>Solid wood and metal garden furniture for cafes and "
           "terraces.</div></div>\n";
}

QByteArray repeatedAdsPage(qsizetype size) {
    QByteArray page = "<!doctype html><html><head><meta charset=\"UTF-8\"><title>hoses</title></head><body>";
    for (qsizetype n = 1; page.size() < size - 32; ++n)
        page += adBlock(n);
    page += "</body></html>";
    return page;
}

enum class Hostility {
    NestedDivs,         // one <div> inside the next, each carrying a seed
    UnclosedFormatting, // formatting elements left open and closed unevenly, over and over
};

QByteArray hostilePage(qsizetype size, Hostility hostility) {
    const QByteArray unit = hostility == Hostility::NestedDivs
                                ? QByteArray("<div data-agch=1>")
                                : QByteArray("<div><b id=x data-agch=1><i>t</div>");
    QByteArray page;
    page.reserve(size + 256);
    page += adBlock(0);
    while (page.size() < size - 256)
        page += unit;
    page += adBlock(1);
    return page;
}

void run(benchmark::State& state, const QByteArray& page, AdLayout layout, const std::string& reader,
         const std::string& input) {
    qsizetype rows = 0;
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        CountingSink sink;
        velmora::search::ReadAds(page, "hoses", sink, layout);
        benchmark::DoNotOptimize(sink.bytes);
        rows = sink.rows;
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - started;
    const auto iterations = double(state.iterations());
    const double ms = elapsed.count() / iterations;
    const Figure figure{ms, ms / (double(page.size()) / kMB)};
    figures()[reader + input] = figure;
    if (const auto desktop = figures().find(reader + kDesktop); desktop != figures().end())
        state.counters["xDesktop"] = figure.msPerMB / desktop->second.msPerMB;
    state.counters["MB/s"] =
        benchmark::Counter(iterations * double(page.size()) / kMB, benchmark::Counter::kIsRate);
    state.counters["MB"] = double(page.size()) / kMB;
    state.counters["ads"] = double(rows);
    state.SetBytesProcessed(state.iterations() * page.size());
}

// Each input is read by the current layouts' reader and by the classic rules.
void registerInput(const std::string& name, const std::function<QByteArray()>& makePage) {
    auto page = std::make_shared<QByteArray>();
    const auto lazyPage = [page, makePage]() -> const QByteArray& {
        if (page->isEmpty())
            *page = makePage();
        return *page;
    };
    benchmark::RegisterBenchmark(("current/" + name).c_str(), [lazyPage, name](benchmark::State& state) {
        run(state, lazyPage(), AdLayout::Current, "current/", name);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("classic/" + name).c_str(), [lazyPage, name](benchmark::State& state) {
        run(state, lazyPage(), AdLayout::Classic, "classic/", name);
    })->Unit(benchmark::kMillisecond);
}

// The goal's figures for the current layouts' reader, from the runs above.
void printSummary() {
    const auto desktop = figures().find("current/" + kDesktop);
    if (desktop == figures().end())
        return;
    const double desktopPerMB = desktop->second.msPerMB;
    std::printf("\ncurrent reader: desktop page %.2f ms, %.2f ms per MB (goal: under 20 ms)\n",
                desktop->second.ms, desktopPerMB);
    double worst = 0;
    for (const auto& [name, figure] : figures()) {
        if (name.starts_with("current/") && name.ends_with("-10MB")) {
            const double ratio = figure.msPerMB / desktopPerMB;
            std::printf("  %-32s %6.2f ms per MB = %.2fx the desktop page's\n", name.c_str(), figure.msPerMB,
                        ratio);
            worst = std::max(worst, ratio);
        }
    }
    std::printf("10 MB pages: at most %.2fx the desktop page's time per MB (goal: 1.5x)\n", worst);
}

} // namespace

int main(int argc, char** argv) {
    const QString desktop =
        QStringLiteral(VELMORA_SHARED_TESTDATA "/serp/google-hotels-2023-05-desktop.html");
    QFile file(desktop);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray body = file.readAll();
        registerInput("desktop-2023-fixture", [body] { return velmora::search::PageTextFromBytes(body); });
    } else {
        std::printf("skipped: the desktop page of 2023 (%s is not there)\n", qPrintable(desktop));
    }
    registerInput("repeated-ads-1MB", [] { return repeatedAdsPage(1 * kMB); });
    registerInput("repeated-ads-10MB", [] { return repeatedAdsPage(10 * kMB); });
    registerInput("nested-divs-1MB", [] { return hostilePage(1 * kMB, Hostility::NestedDivs); });
    registerInput("nested-divs-10MB", [] { return hostilePage(10 * kMB, Hostility::NestedDivs); });
    registerInput("unclosed-formatting-1MB",
                  [] { return hostilePage(1 * kMB, Hostility::UnclosedFormatting); });
    registerInput("unclosed-formatting-10MB",
                  [] { return hostilePage(10 * kMB, Hostility::UnclosedFormatting); });

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
