// The reader of today's results pages over arbitrary pages. Checks that it always ends (the
// fuzzer's time-out), that every cell is valid UTF-8 with no control character and no blank at
// either end, that no title is empty, that positions run 1..k, that the keyword is written
// unchanged, and that no cell holds markup: a '<' that starts a tag can only come from a
// character reference, so a page without '&' never gives one.

#include "search/ReadAds.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

using velmora::search::AdRow;

bool isMarkupStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

void checkCell(const QByteArray& cell, bool pageHasReferences) {
    if (!QByteArrayView(cell).isValidUtf8())
        std::abort();
    if (cell.startsWith(' ') || cell.endsWith(' '))
        std::abort();
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const auto c = static_cast<unsigned char>(cell[i]);
        if (c < 0x20 || c == 0x7F)
            std::abort();
        if (c == '<' && !pageHasReferences && i + 1 < cell.size() && isMarkupStart(cell[i + 1]))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray keyword("kw \xff\"");
    const QList<AdRow> rows = velmora::search::ReadAds(page, keyword, velmora::search::AdLayout::Current);
    const bool pageHasReferences = page.contains('&');
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const AdRow& row = rows[i];
        if (row.title.isEmpty() || row.keyword != keyword || row.position != QByteArray::number(i + 1))
            std::abort();
        checkCell(row.title, pageHasReferences);
        checkCell(row.text, pageHasReferences);
        checkCell(row.url, pageHasReferences);
    }
    return 0;
}
