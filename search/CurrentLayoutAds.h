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
void ReadCurrentLayoutAds(QByteArrayView pageText, QByteArrayView keyword, AdRowSink& sink);

} // namespace velmora::search
