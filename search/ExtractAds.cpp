#include "search/ExtractAds.h"

#include "search/CleanHtmlText.h"
#include "util/MarkedText.h"

namespace velmora::search {
namespace {

constexpr QByteArrayView FirstGroupAd = "<a id=an";
constexpr QByteArrayView SecondGroupAd = "<a id=pa";
constexpr QByteArrayView TagEnd = "\">";
constexpr QByteArrayView AnchorEnd = "</a>";
constexpr QByteArrayView UrlStart = "<cite>";
constexpr QByteArrayView UrlEnd = "</cite>";
constexpr QByteArrayView NextItem = "<li";
constexpr QByteArrayView BlockEnd = "</div>";

// A cut whose value is thrown away: no copy is made.
void skip(QByteArrayView startMarker, QByteArrayView endMarker, util::MarkedTextCursor& cursor) {
    util::ExtractMarkedView(startMarker, endMarker, 0, cursor);
}

QByteArray cutClean(QByteArrayView startMarker, QByteArrayView endMarker, util::MarkedTextCursor& cursor) {
    return CleanHtmlText(util::ExtractMarked(startMarker, endMarker, 0, cursor));
}

class ListSink final : public AdRowSink {
public:
    void appendRow(const AdRow& row) override { rows.append(row); }
    QList<AdRow> rows;
};

} // namespace

void ExtractAds(QByteArrayView pageText, QByteArrayView keyword, AdRowSink& sink) {
    // One cursor for the whole page. The loop tests are exact, case-sensitive substring
    // tests while the cuts ignore letter case, so a capital-letter anchor never starts an
    // ad but may be the one a cut takes. Every test and cut is answered from the cursor's
    // per-marker memo or by a search that starts at the cursor, which only moves forward:
    // the page is scanned a bounded number of times in all, never once per ad.
    util::MarkedTextCursor cursor(pageText);
    const QByteArray keywordCell = keyword.toByteArray();
    qsizetype position = 0;

    while (cursor.contains(FirstGroupAd)) {
        ++position;
        skip(FirstGroupAd, TagEnd, cursor); // the rest of the opening tag
        AdRow row;
        row.title = cutClean(TagEnd, AnchorEnd, cursor);
        row.text = cutClean(AnchorEnd, UrlStart, cursor);
        row.url = cutClean(UrlStart, UrlEnd, cursor);
        row.keyword = keywordCell;
        row.position = QByteArray::number(position);
        sink.appendRow(row);
    }

    // What lies between the last first-group ad and the cursor is gone: a second-group ad
    // standing before it is not found.
    while (cursor.contains(SecondGroupAd)) {
        ++position;
        skip(SecondGroupAd, TagEnd, cursor);
        AdRow row;
        row.title = cutClean(TagEnd, AnchorEnd, cursor);
        // Here the text follows the displayed URL; whatever stands between the title and
        // the URL is skipped.
        row.url = cutClean(UrlStart, UrlEnd, cursor);
        if (cursor.contains(SecondGroupAd))
            row.text = cutClean(UrlEnd, NextItem, cursor);
        else
            row.text = cutClean(UrlEnd, BlockEnd, cursor);
        row.keyword = keywordCell;
        row.position = QByteArray::number(position);
        sink.appendRow(row);
    }
}

QList<AdRow> ExtractAds(QByteArrayView pageText, QByteArrayView keyword) {
    ListSink sink;
    ExtractAds(pageText, keyword, sink);
    return std::move(sink.rows);
}

} // namespace velmora::search
