#pragma once

#include "search/AdMarkers.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

namespace velmora::search {

class PageCharset;

// A stretch of the raw page that may hold ads. Each ad belongs to the one region whose own part
// holds the start of its title, and every region reaches far enough around its own part to hold
// the whole of such an ad. The own part is the whole region except where the stretch was cut.
struct AdRegion {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype ownStart = 0;
    qsizetype ownEnd = 0;
};

// How far a region reaches around each seed, and how much of the page all regions together may
// cover.
struct AdRegionLimits {
    qsizetype before = 16 * 1024;
    qsizetype after = 32 * 1024;
    qsizetype maxTotalLength = 1024 * 1024;
};

struct AdRegionList {
    std::vector<AdRegion> regions;
    bool cutShort = false; // the regions stop at maxTotalLength: the rest of the page was not searched
};

// The regions of a page in page order: every stretch around a hit of one of the table's seeds, as
// far as their total length reaches. One pass over the page per seed, which ends where the regions
// reach their total length: there the last region is cut, and its own part ends `after` earlier.
AdRegionList FindAdRegions(QByteArrayView page, const AdMarkerTable& markers,
                           const AdRegionLimits& limits = {});

// A region as markup for the HTML parser: UTF-8, tags rewritten with only the attributes the reader
// needs (as the flags below), no scripts, styles, comments or embedded SVG, and nesting kept
// shallow: beyond a fixed depth, and beyond a fixed number of open formatting elements, tags are
// left out. So the parser's work is bounded by a constant per byte whatever the page holds.
struct RegionMarkup {
    QByteArray html;
    qsizetype ownStart = 0; // the region's own part, as offsets into html
    qsizetype ownEnd = 0;
    bool cutShort = false; // the budget ended the markup before the region's end
};

// The markup that the regions of one page may still give the parser. When it runs out inside a
// region, the markup ends there, and the region's own part ends `reach` bytes of the page before
// that point, so every ad it still holds is whole.
struct MarkupBudget {
    qsizetype markupBytes = 0;
    qsizetype reach = AdRegionLimits{}.after;
};

RegionMarkup MakeRegionMarkup(QByteArrayView page, const AdRegion& region, const AdMarkerTable& markers,
                              PageCharset& charset, const MarkupBudget& budget);

// The attributes the region markup carries instead of the page's own.
namespace region_attr {
inline constexpr char AdClick[] = "data-ad-click";         // an ad-click link
inline constexpr char AdContainer[] = "data-ad-container"; // holds exactly one ad
inline constexpr char AdBlock[] = "data-ad-block";         // a block of ads: its place, top or bottom
inline constexpr char Hidden[] = "hidden";                 // not shown
inline constexpr char Role[] = "role";                     // one of the table's roles, kept
} // namespace region_attr

} // namespace velmora::search
