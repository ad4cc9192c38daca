// velmora-ads PAGE KEYWORD [-o FILE] [--keep FILE]
// Reads a results page saved from a browser, cuts the ads out of it the way Velmora does
// after a search, and writes them as CSV (header line included).

#include "ByteNamedFile.h"
#include "search/CsvWriter.h"
#include "search/PageText.h"
#include "search/ReadAds.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

using namespace velmora::search;

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1; // a file could not be read or written
constexpr int ExitUsage = 2;
constexpr int ExitMissedAds = 3; // the CSV is written, but the page shows ads that were not read

constexpr const char* UsageText =
    "Usage: velmora-ads [-o FILE] [--keep FILE] [--layout classic|current|auto] PAGE KEYWORD\n"
    "\n"
    "Pulls the sponsored ads out of a search results page saved from a browser and\n"
    "writes them as comma-delimited text with a header line: Ad Title, Ad Text, Ad URL,\n"
    "Used Keyword, Position, one line per ad in page order.\n"
    "\n"
    "  PAGE            the saved page; - reads it from standard input\n"
    "  KEYWORD         the keyword the page was searched for, written into every line\n"
    "  -o, --output FILE\n"
    "                  write to FILE instead of standard output (- is standard output);\n"
    "                  an existing FILE is replaced only once the new one is complete\n"
    "  --keep FILE     when the page shows ads that could not be read, keep a copy of the\n"
    "                  page, byte for byte, in FILE (to report it)\n"
    "  --layout classic|current|auto\n"
    "                  which reader cuts the ads: the classic rules, the reader of today's\n"
    "                  layouts, or (the default) the classic rules where the page has their\n"
    "                  anchors and today's reader elsewhere\n"
    "  -h, --help      show this help and exit\n"
    "  --              end of options, for a PAGE or KEYWORD that starts with -\n"
    "\n"
    "Today's reader reads at most 100 ads of a page and a bounded part of it, far more than a\n"
    "results page holds; where a page goes beyond, a note on standard error says so.\n"
    "Where a page shows the signs of text ads (their label in a block of ads, an ad-click\n"
    "link) that today's reader could not read, standard error says \"This page shows ads\n"
    "that Velmora could not read.\"; the ads it did read are written all the same.\n"
    "\n"
    "Exit status: 0 on success, 1 when the page cannot be read or the output (or the kept\n"
    "page) cannot be written, 2 on a usage error, 3 when the CSV is written but the page\n"
    "shows ads that could not be read.\n";

struct Options {
    QByteArray page;
    QByteArray keyword;
    std::optional<QByteArray> output;
    std::optional<QByteArray> keep;
    AdLayout layout = AdLayout::Auto;
    bool help = false;
};

void printError(const QByteArray& message) {
    std::fprintf(stderr, "velmora-ads: %s\n", message.constData());
}

// Arguments are taken as raw bytes, so the keyword goes into the CSV exactly as typed.
std::optional<Options> parseArguments(int argc, char** argv) {
    Options options;
    QList<QByteArray> positional;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (optionsEnded || arg == "-" || !arg.startsWith('-')) {
            positional.append(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 >= argc) {
                printError("option " + arg + " needs a file name");
                return std::nullopt;
            }
            options.output = QByteArray(argv[++i]);
        } else if (arg == "--layout" || arg.startsWith("--layout=")) {
            if (arg == "--layout" && i + 1 >= argc) {
                printError("option --layout needs classic, current or auto");
                return std::nullopt;
            }
            const QByteArray name = arg == "--layout" ? QByteArray(argv[++i]) : arg.sliced(9);
            const std::optional<AdLayout> layout = AdLayoutFromName(name);
            if (!layout) {
                printError("unknown layout " + name + " (expected classic, current or auto)");
                return std::nullopt;
            }
            options.layout = *layout;
        } else if (arg == "--keep") {
            if (i + 1 >= argc) {
                printError("option --keep needs a file name");
                return std::nullopt;
            }
            options.keep = QByteArray(argv[++i]);
        } else if (arg.startsWith("--keep=")) {
            options.keep = arg.sliced(qsizetype(std::strlen("--keep=")));
        } else if (arg.startsWith("--output=")) {
            options.output = arg.sliced(qsizetype(std::strlen("--output=")));
        } else if (arg.startsWith("-o")) {
            options.output = arg.sliced(2);
        } else {
            printError("unknown option " + arg);
            return std::nullopt;
        }
    }
    if (options.help)
        return options;
    if (options.output && options.output->isEmpty()) {
        printError("the output file name is empty");
        return std::nullopt;
    }
    if (options.keep && options.keep->isEmpty()) {
        printError("the name of the file to keep the page in is empty");
        return std::nullopt;
    }
    if (positional.size() != 2) {
        printError(positional.size() < 2 ? "expected a PAGE and a KEYWORD" : "too many arguments");
        return std::nullopt;
    }
    options.page = positional[0];
    options.keyword = positional[1];
    return options;
}

std::optional<QByteArray> readPage(const QByteArray& page) {
    QFile file;
    QByteArray reason;
    const bool opened = page == "-" ? file.open(stdin, QIODevice::ReadOnly)
                                    : velmora::ads::openForReading(file, page, &reason);
    if (!opened) {
        printError("cannot read " + page + ": " +
                   (reason.isEmpty() ? file.errorString().toLocal8Bit() : reason));
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        printError("cannot read " + page + ": " + file.errorString().toLocal8Bit());
        return std::nullopt;
    }
    return bytes;
}

// The header line, then one line per ad. Empty, or why writing failed; `read` says how the page
// was read.
QByteArray writeCsv(QIODevice& out, const QByteArray& pageText, const Options& options, AdsRead& read) {
    CsvRowWriter writer(&out);
    writer.writeHeader();
    read = ReadAds(pageText, options.keyword, writer, options.layout);
    if (read == AdsRead::MissedAds)
        std::fputs("velmora-ads: This page shows ads that Velmora could not read.\n", stderr);
    if (read == AdsRead::CutShort) {
        std::fprintf(stderr,
                     "velmora-ads: note: the page was read only in part (at most %lld ads and a "
                     "bounded part of a page are read); later ads may be missing\n",
                     static_cast<long long>(MaxAdsPerPage));
    }
    if (!writer.failed())
        return {};
    const QByteArray reason = writer.errorString().toLocal8Bit();
    return reason.isEmpty() ? QByteArray("not all of the data could be written") : reason;
}

bool writeToStandardOutput(const QByteArray& pageText, const Options& options, AdsRead& read) {
    QFile out;
    QByteArray error;
    if (!out.open(stdout, QIODevice::WriteOnly))
        error = out.errorString().toLocal8Bit();
    else if (error = writeCsv(out, pageText, options, read); error.isEmpty() && !out.flush())
        error = out.errorString().toLocal8Bit();
    if (!error.isEmpty()) {
        printError("cannot write to standard output: " + error);
        return false;
    }
    out.close();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printError(QByteArray("cannot write to standard output: ") + std::strerror(errno));
        return false;
    }
    return true;
}

// The file is replaced only once the whole CSV is in it.
bool writeToFile(const QByteArray& pageText, const Options& options, AdsRead& read) {
    const QByteArray& fileName = *options.output;
    velmora::ads::AtomicFileWriter file(fileName);
    QByteArray error;
    if (!file.open())
        error = file.errorString();
    else if (error = writeCsv(*file.device(), pageText, options, read); error.isEmpty() && !file.commit())
        error = file.errorString();
    if (!error.isEmpty()) {
        printError("cannot write " + fileName + ": " + error);
        return false;
    }
    return true;
}

// Keeps the page's bytes for a report; an existing file is replaced only once the copy is whole.
bool keepPage(const QByteArray& bytes, const QByteArray& fileName) {
    velmora::ads::AtomicFileWriter file(fileName);
    QByteArray error;
    if (!file.open())
        error = file.errorString();
    else if (file.device()->write(bytes) != bytes.size())
        error = file.device()->errorString().toLocal8Bit();
    else if (!file.commit())
        error = file.errorString();
    if (!error.isEmpty()) {
        printError("cannot keep the page in " + fileName + ": " + error);
        return false;
    }
    std::fprintf(stderr, "velmora-ads: the page is kept in %s\n", fileName.constData());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parseArguments(argc, argv);
    if (!options) {
        std::fputs("Try 'velmora-ads --help' for more information.\n", stderr);
        return ExitUsage;
    }
    if (options->help) {
        std::fputs(UsageText, stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            printError(QByteArray("cannot write to standard output: ") + std::strerror(errno));
            return ExitFailure;
        }
        return ExitOk;
    }

    std::optional<QByteArray> page = readPage(options->page);
    if (!page)
        return ExitFailure;
    // The page text replaces the bytes it is made from, so only one of them stays (two only when
    // the bytes may have to be kept).
    const QByteArray bytes = options->keep ? *page : QByteArray();
    *page = PageTextFromBytes(*page);
    AdsRead read = AdsRead::Whole;
    const bool toFile = options->output && *options->output != "-";
    const bool written =
        toFile ? writeToFile(*page, *options, read) : writeToStandardOutput(*page, *options, read);
    if (!written)
        return ExitFailure;
    if (read != AdsRead::MissedAds)
        return ExitOk;
    if (options->keep && !keepPage(bytes, *options->keep))
        return ExitFailure;
    return ExitMissedAds;
}
