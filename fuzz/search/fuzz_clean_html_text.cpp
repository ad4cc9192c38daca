// CleanHtmlText over arbitrary bytes: it must never crash, must give only printable ASCII,
// and must agree with the plain reading of its rules (one library replace per row, a
// filter, one more halving), which is slow but obviously right.

#include "search/CleanHtmlText.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

QByteArray referenceClean(QByteArray text) {
    static const char* const rows[][2] = {
        {"<b>", ""},           {"</b>", ""},     {"</ol>", ""},   {"<br>", ""},  {"<strong>", ""},
        {"</strong>", ""},     {"<em>", ""},     {"</em>", ""},   {"<h3>", ""},  {"</h3>", ""},
        {"<b>...</b>", "..."}, {"&quot;", "\""}, {"&apos;", "'"}, {"&gt;", ">"}, {"&lt;", "<"},
        {"&amp;", "&"},        {"&#39;", "'"},   {"&nbsp;", ""},  {"  ", " "},
    };
    for (const auto& row : rows)
        text.replace(row[0], row[1]);
    QByteArray printable;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) <= 126)
            printable.append(c);
    }
    return printable.replace("  ", " ");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray cleaned = velmora::search::CleanHtmlText(input);
    for (const char c : cleaned) {
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126)
            std::abort();
    }
    if (cleaned.size() > input.size())
        std::abort();
    if (cleaned != referenceClean(input))
        std::abort();
    return 0;
}
