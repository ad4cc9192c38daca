#pragma once

#include <QByteArrayView>

#include <span>

namespace velmora::search {

// Every sign by which the reader of today's results pages (ReadCurrentLayoutAds) recognises a
// sponsored text ad. The reader holds no marker of its own: a change of the engine's markup is a
// change of the one table in AdMarkers.cpp. All texts are compared as bytes: tag, attribute and
// role names in lower case (the reader lowers them), labels exactly as the page shows them (UTF-8).
//
// How the reader uses the table, in order:
//  1. Scan: the raw page is searched for every `regionSeeds` text. Each hit opens a window some
//     kilobytes before and after it; overlapping windows form a region. Nothing outside a region
//     is ever parsed, so a seed only has to be somewhere inside or near every ad.
//  2. Each region is parsed as HTML. In it an ad-click link is an <a> element that carries one of
//     `adClickAttributes` or whose href contains one of `adClickHrefParts`. A label is a piece of
//     shown text equal to one of `labels` (surrounding blanks and a trailing "·" or ":" ignored).
//  3. A heading (an element with role `headingRole`, or one of `headingTags`) may title an ad when
//     it is inside an ad-click link or holds one, or when it is inside a link (or holds one) and
//     the nearest element around it that holds an ad-click link holds no other heading: older
//     layouts put the ad-click link, hidden, beside the link a person sees.
//  4. Such a heading titles an ad when it stands in an element that carries one of
//     `adContainerAttributes`, or when the nearest element around it that holds a label holds no
//     other heading that may title an ad. So a sitelink's heading (its nearest label is its ad's)
//     and the tiles of a carousel (one label for all of them) title nothing.
//  5. The ad around a title is its container; without one, it is the largest element around the
//     title that holds no other title and does not reach beyond an element whose id is one of
//     `blockIds`.
//  6. The ad is a text ad only when it holds its own label and shows a displayed address or a text.
//  7. Place: an ad inside an element whose id is one of `bottomBlockIds` stands below the
//     results ("bottom"), one inside another of `blockIds` above them ("top"); the nearest such
//     element counts. Outside them, or where the region read does not reach back to the block's
//     start, the place is not known (empty).
//  8. Cells: the title is the heading's text; the displayed address is the first element with role
//     `addressRole` or one of `addressTags` (one element only: a hidden copy later in the ad is not
//     added), or else what stands beside the ad's label ("Ad · www.example.com"); the ad text is the
//     longest block of text in the ad outside links, headings, addresses, labels and
//     `skippedRoles`. Elements that are hidden (`hidden` attribute, or a style attribute with one
//     of `hiddenStyles`) are never read.
//  9. Ads missed: a label inside a block of ads (`blockIds`) or inside an ad-click link that lies
//     outside every ad read, whose nearest element with an ad-click link is not the whole block and
//     holds at most one heading that may title an ad, and that has a displayed address (beside
//     it, or in that element), is the sign of a text ad that was not read; the reader then says
//     so (AdsRead::MissedAds). A box of the engine's own with the same label has no ad-click link;
//     a carousel shares one label among its tiles.
//
// How to add a layout: save a page of it, find its ads with the browser's inspector, and check
// which of the signs above it still carries. Add what is new (a label in another language, a new
// ad-click attribute, a new block id, a seed that stands near every ad) to the lists in
// AdMarkers.cpp, then add the page's cells to the reader's tests. Never add generated class names:
// they change every few months. Only when a layout breaks the steps themselves (an ad without a
// heading, say) does the reader need more than this table.
struct AdMarkerTable {
    std::span<const QByteArrayView> regionSeeds;
    std::span<const QByteArrayView> adClickAttributes;
    std::span<const QByteArrayView> adClickHrefParts;
    std::span<const QByteArrayView> adContainerAttributes;
    std::span<const QByteArrayView> blockIds;
    std::span<const QByteArrayView> bottomBlockIds;
    std::span<const QByteArrayView> labels;
    QByteArrayView headingRole;
    std::span<const QByteArrayView> headingTags;
    QByteArrayView addressRole;
    std::span<const QByteArrayView> addressTags;
    std::span<const QByteArrayView> skippedRoles;
    std::span<const QByteArrayView> hiddenStyles;
};

// The table in force.
const AdMarkerTable& CurrentAdMarkers();

} // namespace velmora::search
