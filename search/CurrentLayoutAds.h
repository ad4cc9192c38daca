#pragma once

#include "search/AdRow.h"

#include <QByteArrayView>

namespace velmora::search {

// Reads the sponsored text ads of the engine's current results pages (desktop, phone and
// no-script layouts) and appends one row per ad to the sink, in page order, so the ads above the
// results come before those below; positions run 1, 2, 3 ... through all of them. Each row holds
// the ad's title, its text and its displayed address as the page shows them, with the keyword
// unchanged: UTF-8 (converted from the page's own charset), entities decoded, blanks collapsed,
// no markup. Sitelinks, carousels and other boxes are not ads; a page without ads, or one that is
// no results page at all, gives no rows.
//
// The signs it goes by are in AdMarkers. It never parses the whole page: a scan for those signs
// finds the stretches that may hold ads, and only they are parsed, each of bounded length and
// depth. Its time is linear in the size of the page, whatever the page holds.
//
// Its work per page is bounded too, by the limits below, far above what any real results page
// needs (one shows a couple of dozen ads at most, and its stretches come to some 100 KB of page
// and 15 KB of markup). So a page of many megabytes made of ads or of hostile markup costs the scan
// plus a constant. A page that reaches a limit gives its first ads, in page order, whole and
// numbered as usual, and the reader says it was cut short; the ads after that point are not read.
inline constexpr qsizetype MaxAdsPerPage = 100;
// Bytes of the page that the stretches around the signs may cover, all together.
inline constexpr qsizetype MaxRegionBytesPerPage = 1024 * 1024;
// Bytes of markup made of them for the HTML parser, all together.
inline constexpr qsizetype MaxRegionMarkupPerPage = 128 * 1024;

// Whether the reader got through the whole page, and whether it read every ad it shows.
enum class AdsRead {
    Whole,
    CutShort,  // a limit above was reached: there may be more ads after the last row
    MissedAds, // read whole, but the page shows signs of text ads that gave no row (see AdMarkers)
};

AdsRead ReadCurrentLayoutAds(QByteArrayView pageText, QByteArrayView keyword, AdRowSink& sink);

} // namespace velmora::search
