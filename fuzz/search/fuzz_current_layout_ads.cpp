// The reader of today's results pages over arbitrary pages. Checks that it always ends (the
// fuzzer's time-out), that every cell is valid UTF-8 with no control character and no blank at
// either end, that no title is empty, that positions run 1..k, that the keyword is written
// unchanged, and that no cell holds markup. Text on a page can look like a tag once a character
// reference is decoded or an invisible character between '<' and a letter is left out; on a page
// of plain ASCII without '&', a '<' that starts a tag in a cell can only be the page's markup.

#include "search/ReadAds.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

using velmora::search::AdRow;

bool isMarkupStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

void checkCell(const QByteArray& cell, bool plainPage) {
    if (!QByteArrayView(cell).isValidUtf8())
        std::abort();
    if (cell.startsWith(' ') || cell.endsWith(' '))
        std::abort();
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const auto c = static_cast<unsigned char>(cell[i]);
        if (c < 0x20 || c == 0x7F)
            std::abort();
        if (c == '<' && plainPage && i + 1 < cell.size() && isMarkupStart(cell[i + 1]))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray keyword("kw \xff\"");
    const QList<AdRow> rows = velmora::search::ReadAds(page, keyword, velmora::search::AdLayout::Current);
    const bool plainPage = !page.contains('&') && std::all_of(page.begin(), page.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte >= 0x20 && byte < 0x7F) || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f';
    });
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const AdRow& row = rows[i];
        if (row.title.isEmpty() || row.keyword != keyword || row.position != QByteArray::number(i + 1))
            std::abort();
        checkCell(row.title, plainPage);
        checkCell(row.text, plainPage);
        checkCell(row.url, plainPage);
    }
    return 0;
}
