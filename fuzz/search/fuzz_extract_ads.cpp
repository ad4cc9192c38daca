// ExtractAds over arbitrary pages. Checks that it always ends (the fuzzer's time-out), that
// every cleaned cell holds only bytes 32..126, that positions run 1..k without a gap, and
// that its rows equal those of a naive walk that copies and upper-cases the unread rest of
// the page for every search, exactly as the rules are written. The naive walk is quadratic,
// so it only runs on inputs of moderate size.

#include "search/ExtractAds.h"

#include "search/CleanHtmlText.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

using velmora::search::AdRow;

QByteArray upper(QByteArray text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return text;
}

// The cut on a cursor that is a string of its own, step by step as the rules describe.
QByteArray naiveCut(const QByteArray& start, const QByteArray& end, QByteArray& cursor) {
    const qsizetype p = upper(cursor).indexOf(upper(start));
    if (start.isEmpty() || p < 0)
        return {};
    cursor = cursor.mid(p + start.size());
    const qsizetype q = upper(cursor).indexOf(upper(end));
    if (end.isEmpty() || q < 0)
        return {};
    const QByteArray value = cursor.left(q);
    cursor = cursor.mid(q);
    return value;
}

QList<AdRow> naiveExtractAds(const QByteArray& page, const QByteArray& keyword) {
    using velmora::search::CleanHtmlText;
    QList<AdRow> rows;
    QByteArray cursor = page;
    int position = 0;
    while (cursor.contains("<a id=an")) {
        ++position;
        naiveCut("<a id=an", "\">", cursor);
        AdRow row;
        row.title = CleanHtmlText(naiveCut("\">", "</a>", cursor));
        row.text = CleanHtmlText(naiveCut("</a>", "<cite>", cursor));
        row.url = CleanHtmlText(naiveCut("<cite>", "</cite>", cursor));
        row.keyword = keyword;
        row.position = QByteArray::number(position);
        rows.append(row);
    }
    while (cursor.contains("<a id=pa")) {
        ++position;
        naiveCut("<a id=pa", "\">", cursor);
        AdRow row;
        row.title = CleanHtmlText(naiveCut("\">", "</a>", cursor));
        row.url = CleanHtmlText(naiveCut("<cite>", "</cite>", cursor));
        row.text = cursor.contains("<a id=pa") ? CleanHtmlText(naiveCut("</cite>", "<li", cursor))
                                               : CleanHtmlText(naiveCut("</cite>", "</div>", cursor));
        row.keyword = keyword;
        row.position = QByteArray::number(position);
        rows.append(row);
    }
    return rows;
}

bool printable(const QByteArray& cell) {
    for (const char c : cell) {
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126)
            return false;
    }
    return true;
}

constexpr size_t kNaiveLimit = 16 * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray keyword("kw \xff\"");
    const QList<AdRow> rows = velmora::search::ExtractAds(page, keyword);

    for (qsizetype i = 0; i < rows.size(); ++i) {
        const AdRow& row = rows[i];
        if (!printable(row.title) || !printable(row.text) || !printable(row.url))
            std::abort();
        if (row.keyword != keyword || row.position != QByteArray::number(i + 1))
            std::abort();
    }
    if (size <= kNaiveLimit && rows != naiveExtractAds(page, keyword))
        std::abort();
    return 0;
}
