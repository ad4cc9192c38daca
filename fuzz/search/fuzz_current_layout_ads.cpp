// The reader of today's results pages over arbitrary pages. Checks that it always ends (the
// fuzzer's time-out), that every cell is valid UTF-8 with no control character and no blank at
// either end, that no title is empty, that positions run 1..k, that the keyword is written
// unchanged, and that no cell holds markup. A cell may show a '<' that the page shows as text
// (written as a reference, or a '<' that starts no tag); on a page of plain ASCII without '&'
// where every '<' starts markup, a '<' in a cell can only be the page's markup.

#include "search/ReadAds.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

using velmora::search::AdRow;

bool isMarkupStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

void checkCell(const QByteArray& cell, bool onlyMarkup) {
    if (!QByteArrayView(cell).isValidUtf8())
        std::abort();
    if (cell.startsWith(' ') || cell.endsWith(' '))
        std::abort();
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const auto c = static_cast<unsigned char>(cell[i]);
        if (c < 0x20 || c == 0x7F)
            std::abort();
        if (c == '<' && onlyMarkup)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray keyword("kw \xff\"");
    const QList<AdRow> rows = velmora::search::ReadAds(page, keyword, velmora::search::AdLayout::Current);
    bool onlyMarkup = !page.contains('&');
    for (qsizetype i = 0; i < page.size() && onlyMarkup; ++i) {
        const auto byte = static_cast<unsigned char>(page[i]);
        if (byte >= 0x7F || (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f'))
            onlyMarkup = false;
        else if (byte == '<' && (i + 2 >= page.size() || !isMarkupStart(page[i + 1])))
            onlyMarkup = false; // "<" and "</" at the very end are text too
    }
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const AdRow& row = rows[i];
        if (row.title.isEmpty() || row.keyword != keyword || row.position != QByteArray::number(i + 1))
            std::abort();
        checkCell(row.title, onlyMarkup);
        checkCell(row.text, onlyMarkup);
        checkCell(row.url, onlyMarkup);
    }
    return 0;
}
