// Memory of a long keyword list run as a phone through the web engine: 1,000 searches (pause 0)
// against a loopback engine serving one results page, each in a page of its own. Prints the
// resident size of this process (and of the engine's helper processes) after keyword 50 and
// after the last keyword; the page of each search is to be freed, so the two stay within 30 MB.
//
// Usage: bench_phone_memory [KEYWORDS [QUIET_MS]]   (defaults 1000 and 500)

#include "LoopbackServer.h"
#include "app/WebEngineLoader.h"
#include "history/KeywordRunner.h"
#include "search/EnginePageFetcher.h"
#include "util/RandomSource.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace {

// VmRSS of a process in MB, from /proc; 0 when it cannot be read.
double residentMb(const QString& pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// The resident size of the engine's helper processes, children of this one.
double childrenMb() {
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    double total = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!pid.front().isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1) == self)
            total += residentMb(pid);
    }
    return total;
}

// A phone's results page in today's layout: two text ads, and results a script adds.
const QByteArray Page =
    "<!DOCTYPE html><html><head><meta name=viewport content=\"width=device-width\"></head><body>"
    "<div id=\"tads\"><div data-text-ad=\"1\"><span>Sponsored</span><a data-rw=\"/aclk?a\" href=\"/a\">"
    "<div role=\"heading\">Red shoes for less</div><span role=\"text\">shop.example</span></a>"
    "<div><span>Free returns</span></div></div>"
    "<div data-text-ad=\"1\"><span>Sponsored</span><a data-rw=\"/aclk?b\" href=\"/b\">"
    "<div role=\"heading\">Shoes near you</div><span role=\"text\">store.example</span></a>"
    "<div><span>Open today</span></div></div></div><div id=results></div><script>"
    "var r = document.getElementById('results');"
    "for (var i = 0; i < 200; ++i) { var p = document.createElement('p'); p.textContent = 'result ' + i;"
    " r.appendChild(p); }</script></body></html>";

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int keywords = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int quietMs = argc > 2 ? std::atoi(argv[2]) : 500;
    const int early = 50;
    if (keywords < early) {
        std::fprintf(stderr, "bench_phone_memory: at least %d keywords\n", early);
        return 2;
    }

    velmora::testing::LoopbackServer server;
    velmora::testing::CannedReply reply;
    reply.body = Page;
    server.setReply("/search", reply);

    velmora::app::WebEngineLoader loader(QStringLiteral(VELMORA_WEBENGINE_MODULE_DIR));
    if (!loader.module()) {
        std::fprintf(stderr, "bench_phone_memory: %s\n", qPrintable(loader.errorString()));
        return 2;
    }
    velmora::search::EngineFetchSettings settings{
        velmora::app::modulePhonePageFactory(loader, velmora::search::CurrentPhone()), 20000, quietMs};
    velmora::search::EnginePageFetcher fetcher(settings);
    velmora::history::KeywordRunner runner(
        {server.url("/search?q="), {}, velmora::search::Device::Phone, {0, 0}}, fetcher,
        velmora::util::SystemRandom(), nullptr);
    QList<QByteArray> list;
    for (int i = 1; i <= keywords; ++i)
        list.append("shoes " + QByteArray::number(i));

    double atEarly = 0, atEarlyChildren = 0;
    int failed = 0;
    qint64 ads = 0;
    QObject::connect(&runner, &velmora::history::KeywordRunner::rowsRead,
                     [&](const QList<velmora::search::AdRow>& rows) { ads += rows.size(); });
    QObject::connect(&runner, &velmora::history::KeywordRunner::keywordFinished,
                     [&](int index, bool ok, const QString& why) {
                         if (!ok && ++failed <= 3)
                             std::fprintf(stderr, "keyword %d failed: %s\n", index + 1, qPrintable(why));
                         if (index + 1 == early) {
                             atEarly = residentMb(QStringLiteral("self"));
                             atEarlyChildren = childrenMb();
                         }
                         if ((index + 1) % 100 == 0)
                             std::fprintf(stderr, "%d of %d: %.1f MB\n", index + 1, keywords,
                                          residentMb(QStringLiteral("self")));
                     });
    QObject::connect(&runner, &velmora::history::KeywordRunner::finished, [&] {
        // Pages go with deleteLater: let those of the last search go before measuring.
        QTimer::singleShot(500, &application, [&] {
            const double atEnd = residentMb(QStringLiteral("self"));
            const double atEndChildren = childrenMb();
            std::printf("keywords %d, failed %d, ads read %lld, quiet %d ms\n", keywords, failed,
                        static_cast<long long>(ads), quietMs);
            std::printf("resident size after keyword %d: %.1f MB (engine helpers %.1f MB)\n", early, atEarly,
                        atEarlyChildren);
            std::printf("resident size after keyword %d: %.1f MB (engine helpers %.1f MB)\n", keywords, atEnd,
                        atEndChildren);
            std::printf("growth: %.1f MB (limit 30 MB): %s\n", atEnd - atEarly,
                        atEnd - atEarly <= 30 ? "within" : "OVER");
            application.exit(atEnd - atEarly <= 30 && failed == 0 ? 0 : 1);
        });
    });
    runner.start(QStringLiteral("bench"), list);
    return application.exec();
}
