#pragma once

#include "search/AdRow.h"

#include <QByteArrayView>
#include <QList>

namespace velmora::search {

// Cuts every sponsored ad out of a results page and appends one row per ad to the sink,
// in page order: first the ads whose anchor id starts with "an", then those starting with
// "pa", numbered 1, 2, 3 ... through both groups. The page is walked once, front to back,
// with fixed markers; title, text and displayed URL are cleaned with CleanHtmlText, the
// keyword is written unchanged into every row. Existing rows in the sink are left alone.
// Linear in the size of the page, however many ads it holds.
void ExtractAds(QByteArrayView pageText, QByteArrayView keyword, AdRowSink& sink);

// The same, collecting the rows in a list.
QList<AdRow> ExtractAds(QByteArrayView pageText, QByteArrayView keyword);

} // namespace velmora::search
