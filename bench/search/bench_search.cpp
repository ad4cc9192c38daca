// Throughput of the ad extraction and the text cleaning on large pages. The extraction has
// to stay linear in the page size however many ads the page holds: the MB/s figures of the
// 1 MB and the 10 MB pages should be close to each other.

#include "CountingSink.h"
#include "search/AdRow.h"
#include "search/CleanHtmlText.h"
#include "search/ExtractAds.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

namespace {

using velmora::search::AdRow;
using velmora::search::AdRowSink;

constexpr qsizetype kMB = 1000 * 1000;

using velmora::bench::CountingSink;

// Organic results as they stand between and around the ads: tags, links, <cite>, <li> and
// </div> all occur here, so the markers' searches have candidates to reject.
QByteArray organicResult(qsizetype n) {
    return "<li class=g><h3 class=r><a href=\"http://www.site" + QByteArray::number(n) +
           ".example/page\" class=l>Bistro <em>chairs</em> and tables</a></h3><div class=s>Solid wood and "
           "metal chairs &amp; tables for caf&eacute;s.<br><cite>www.site" +
           QByteArray::number(n) + ".example/page</cite></div>\r\n";
}

QByteArray firstGroupAd(qsizetype n) {
    return "<li><h3><a id=an" + QByteArray::number(n) + " href=\"/aclk?ai=" + QByteArray::number(n) +
           "\">Offer <b>" + QByteArray::number(n) + "</b></a></h3>Free delivery<br><cite>ads" +
           QByteArray::number(n) + ".example</cite>\r\n";
}

QByteArray secondGroupAd(qsizetype n) {
    return "<li><h3><a id=pa" + QByteArray::number(n) + " href=\"/aclk?ai=" + QByteArray::number(n) +
           "\">Side <b>" + QByteArray::number(n) + "</b></a></h3><cite>side" + QByteArray::number(n) +
           ".example</cite>Round &amp; square\r\n";
}

// A results page of about `size` bytes with `ads` ads, half in each group, spread evenly
// between organic results.
QByteArray buildPage(qsizetype size, qsizetype ads) {
    QByteArray page;
    page.reserve(size + 4096);
    page += "<!doctype html>\r\n<html><head><title>bistro chairs</title></head><body>\r\n<div id=tads><ol>";
    qsizetype organic = 0;
    const qsizetype firstGroup = ads / 2;
    for (qsizetype i = 1; i <= ads; ++i) {
        if (i == firstGroup + 1)
            page += "</ol></div>\r\n<table id=mbEnd><tr><td><div><ol>";
        page += i <= firstGroup ? firstGroupAd(i) : secondGroupAd(i - firstGroup);
        const qsizetype target = size * i / (ads + 1);
        while (page.size() < target)
            page += organicResult(++organic);
    }
    page += "</ol></div></td></tr></table>\r\n<div id=res><ol>";
    while (page.size() < size - 40)
        page += organicResult(++organic);
    page += "</ol></div></body></html>\r\n";
    return page;
}

// Pages written to trip a walk that searches the whole rest of the page per ad.
enum class Adversary {
    // No ad has a displayed URL: every ad's text and URL cuts fail, over and over.
    MissingMarkers,
    // Capital-letter anchors in front of one lower-case anchor at the very end: the exact
    // loop test finds only that last one, the cuts take the capital ones one by one.
    CapitalAnchors,
};

QByteArray buildAdversarialPage(qsizetype size, Adversary adversary) {
    const QByteArray unit = adversary == Adversary::MissingMarkers
                                ? QByteArray("<li><a id=an1 href=\"/a\">T</a>text<br>\r\n")
                                : QByteArray("<li><A ID=AN1 HREF=\"/a\">T</A>text<CITE>u</CITE>\r\n");
    QByteArray page;
    page.reserve(size + unit.size() * 2);
    while (page.size() < size - 100)
        page += unit;
    page += adversary == Adversary::MissingMarkers
                ? QByteArray("<a id=an2 href=\"/b\">Last</a>text</div>\r\n")
                : QByteArray("<a id=an2 href=\"/b\">Last</a>text<cite>last</cite>\r\n");
    return page;
}

void reportFigures(benchmark::State& state, qsizetype pageSize, qsizetype rows) {
    const auto iterations = double(state.iterations());
    state.counters["MB/s"] =
        benchmark::Counter(iterations * double(pageSize) / kMB, benchmark::Counter::kIsRate);
    state.counters["ads/s"] = benchmark::Counter(iterations * double(rows), benchmark::Counter::kIsRate);
    state.counters["ads"] = double(rows);
    state.SetBytesProcessed(state.iterations() * pageSize);
}

void runExtraction(benchmark::State& state, const QByteArray& page) {
    qsizetype rows = 0;
    for (auto _ : state) {
        CountingSink sink;
        velmora::search::ExtractAds(page, "bistro chairs", sink);
        benchmark::DoNotOptimize(sink.bytes);
        rows = sink.rows;
    }
    reportFigures(state, page.size(), rows);
}

void BM_ExtractAds(benchmark::State& state) {
    const QByteArray page = buildPage(state.range(0) * kMB, state.range(1));
    runExtraction(state, page);
}
// The two pages of the figures, and a 1 MB page as dense with ads as the 10 MB one.
BENCHMARK(BM_ExtractAds)
    ->ArgNames({"MB", "ads"})
    ->Args({1, 20})
    ->Args({10, 100000})
    ->Args({1, 10000})
    ->Unit(benchmark::kMillisecond);

void BM_ExtractAdsAdversarial(benchmark::State& state) {
    const QByteArray page = buildAdversarialPage(state.range(0) * kMB, Adversary(state.range(1)));
    runExtraction(state, page);
}
BENCHMARK(BM_ExtractAdsAdversarial)
    ->ArgNames({"MB", "adversary"})
    ->Args({1, int(Adversary::MissingMarkers)})
    ->Args({10, int(Adversary::MissingMarkers)})
    ->Args({1, int(Adversary::CapitalAnchors)})
    ->Args({10, int(Adversary::CapitalAnchors)})
    ->Unit(benchmark::kMillisecond);

void BM_CleanHtmlText(benchmark::State& state) {
    // A fragment dense with everything the cleaning replaces.
    const QByteArray unit = "<b>Tom</b> &amp; Jerry&#39;s  <br>caf\xc3\xa9 &lt;b&gt; &nbsp;\r\n  <h3>x</h3>";
    QByteArray text;
    while (text.size() < state.range(0) * kMB)
        text += unit;
    for (auto _ : state)
        benchmark::DoNotOptimize(velmora::search::CleanHtmlText(text));
    state.counters["MB/s"] = benchmark::Counter(double(state.iterations()) * double(text.size()) / kMB,
                                                benchmark::Counter::kIsRate);
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_CleanHtmlText)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
