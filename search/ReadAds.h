#pragma once

#include "search/AdRow.h"
#include "search/CurrentLayoutAds.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace velmora::search {

// Which reader cuts the ads out of a page.
enum class AdLayout {
    Auto,    // the classic rules where the page has their anchors, else the current layouts' reader
    Classic, // the classic rules (ExtractAds) only
    Current, // the current layouts' reader (ReadCurrentLayoutAds) only
};

// "auto", "classic" or "current"; nothing for any other name.
std::optional<AdLayout> AdLayoutFromName(QByteArrayView name);

// True when the page text holds "<a id=an" or "<a id=pa", exactly as the classic rules' loops
// test it: such a page is theirs.
bool HoldsClassicAdAnchors(QByteArrayView pageText);

// Appends the page's ads to the sink with the reader the layout names. With Auto every page that
// the classic rules can read gives exactly their rows, and any other page is read by the current
// layouts' reader. The window and velmora-ads both read pages through here. Says whether the
// whole page was read (the classic rules always read it whole; see ReadCurrentLayoutAds for the
// limits of the other reader).
AdsRead ReadAds(QByteArrayView pageText, QByteArrayView keyword, AdRowSink& sink,
                AdLayout layout = AdLayout::Auto);

// What the status bar adds to "Download completed!" once a page has been read: "No ads on this
// page." when it gave no rows, that later ads may be missing when it was read only in part,
// that the page shows ads which could not be read when it does, and nothing otherwise.
QString AdsReadSentence(AdsRead read, qsizetype rowsRead);

// The same, collecting the rows in a list.
QList<AdRow> ReadAds(QByteArrayView pageText, QByteArrayView keyword, AdLayout layout = AdLayout::Auto);

} // namespace velmora::search
