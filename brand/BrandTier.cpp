#include "brand/BrandTier.h"

namespace velmora::app {

BrandTier TierOf(QByteArrayView branderType) {
    if (branderType == QByteArrayView("Master"))
        return BrandTier::Master;
    if (branderType == QByteArrayView("Platinum"))
        return BrandTier::Platinum;
    if (branderType == QByteArrayView("Gold"))
        return BrandTier::Gold;
    if (branderType == QByteArrayView("Free"))
        return BrandTier::Free;
    return BrandTier::None;
}

QByteArrayView TierName(BrandTier tier) {
    switch (tier) {
    case BrandTier::Master:
        return "Master";
    case BrandTier::Platinum:
        return "Platinum";
    case BrandTier::Gold:
        return "Gold";
    case BrandTier::Free:
        return "Free";
    case BrandTier::None:
        break;
    }
    return {};
}

std::optional<TierRow> TierTableRow(BrandTier tier, const BrandSettings& settings) {
    switch (tier) {
    case BrandTier::Master:
        return TierRow{settings.MasterPublID, settings.MasterNewsBaseURL, "BM"};
    case BrandTier::Platinum:
        return TierRow{settings.PlatinumPublID, settings.PlatinumNewsBaseURL, "BP"};
    case BrandTier::Gold:
        return TierRow{settings.GoldPublID, settings.GoldNewsBaseURL, "BG"};
    case BrandTier::Free:
    case BrandTier::None:
        break;
    }
    return std::nullopt;
}

BrandTier NewsButtonTier(const BrandSettings& settings) {
    const BrandTier tier = TierOf(settings.BranderType);
    return tier == BrandTier::Free ? BrandTier::Master : tier;
}

bool NewsButtonVisible(const BrandSettings& settings) {
    const std::optional<TierRow> row = TierTableRow(NewsButtonTier(settings), settings);
    return row && !row->publisherId.isEmpty() && !row->newsBaseURL.isEmpty();
}

std::optional<news::NewsAccount> NewsAccountFor(const BrandSettings& settings) {
    const std::optional<TierRow> row = TierTableRow(TierOf(settings.BranderType), settings);
    if (!row || row->publisherId.isEmpty())
        return std::nullopt;
    news::NewsAccount account;
    account.PublisherId = row->publisherId;
    account.ProductCode = settings.BranderCode;
    account.ProductType = row->productType.toByteArray();
    account.baseUrls = {settings.MasterNewsBaseURL, settings.PlatinumNewsBaseURL, settings.GoldNewsBaseURL};
    return account;
}

} // namespace velmora::app
