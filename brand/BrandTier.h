#pragma once

// The reseller's tier: which news server and publisher id the program uses, and whether the
// news button shows. The news unit is handed a news::NewsAccount and never sees BrandSettings.

#include "brand/BrandSettings.h"
#include "news/NewsProtocol.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace velmora::app {

enum class BrandTier { None, Master, Platinum, Gold, Free };

// The tier named by BranderType, compared exactly ("master" is no tier).
BrandTier TierOf(QByteArrayView branderType);

// "Master", "Platinum", "Gold", "Free"; empty for None.
QByteArrayView TierName(BrandTier tier);

// One row of the tier table: the settings' publisher id and news base URL of a tier, and the
// product-type code the news requests carry ("BM", "BP", "BG").
struct TierRow {
    QByteArray publisherId;
    QByteArray newsBaseURL;
    QByteArrayView productType;
};

// The table row of Master, Platinum or Gold; nothing for Free and None, which have no row.
std::optional<TierRow> TierTableRow(BrandTier tier, const BrandSettings& settings);

// The tier whose publisher id and news base URL decide the news button: a tier's own, Free
// follows Master's values, and None when BranderType names no tier.
BrandTier NewsButtonTier(const BrandSettings& settings);

// Visible when the tier's (for Free: Master's) publisher id and news base URL are both set.
bool NewsButtonVisible(const BrandSettings& settings);

// The account of the one tier that takes part in news requests: BranderType names Master,
// Platinum or Gold exactly and that tier's publisher id is not empty. It carries the tier's
// publisher id and product-type code, BranderCode, and all three base URLs (the request's
// product-type code picks among them). Otherwise (Free, no tier, no publisher id) no request
// is sent at all.
std::optional<news::NewsAccount> NewsAccountFor(const BrandSettings& settings);

} // namespace velmora::app
