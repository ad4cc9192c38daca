#include "search/ReadAds.h"

#include "search/CurrentLayoutAds.h"
#include "search/ExtractAds.h"

namespace velmora::search {
namespace {

class ListSink final : public AdRowSink {
public:
    void appendRow(const AdRow& row) override { rows.append(row); }
    QList<AdRow> rows;
};

} // namespace

std::optional<AdLayout> AdLayoutFromName(QByteArrayView name) {
    if (name == "auto")
        return AdLayout::Auto;
    if (name == "classic")
        return AdLayout::Classic;
    if (name == "current")
        return AdLayout::Current;
    return std::nullopt;
}

bool HoldsClassicAdAnchors(QByteArrayView pageText) {
    return pageText.contains("<a id=an") || pageText.contains("<a id=pa");
}

AdsRead ReadAds(QByteArrayView pageText, QByteArrayView keyword, AdRowSink& sink, AdLayout layout) {
    if (layout == AdLayout::Auto)
        layout = HoldsClassicAdAnchors(pageText) ? AdLayout::Classic : AdLayout::Current;
    if (layout == AdLayout::Current)
        return ReadCurrentLayoutAds(pageText, keyword, sink);
    ExtractAds(pageText, keyword, sink);
    return AdsRead::Whole;
}

QString AdsReadSentence(AdsRead read, qsizetype rowsRead) {
    if (read == AdsRead::CutShort)
        return QStringLiteral("The page was read only in part; later ads may be missing.");
    if (read == AdsRead::MissedAds)
        return QStringLiteral("This page shows ads that Velmora could not read.");
    if (rowsRead == 0)
        return QStringLiteral("No ads on this page.");
    return {};
}

QList<AdRow> ReadAds(QByteArrayView pageText, QByteArrayView keyword, AdLayout layout) {
    ListSink sink;
    ReadAds(pageText, keyword, sink, layout);
    return std::move(sink.rows);
}

} // namespace velmora::search
