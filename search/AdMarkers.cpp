#include "search/AdMarkers.h"

namespace velmora::search {
namespace {

// Raw text near every ad: the ad-click link's attributes and addresses, the ad container's flag.
// Hits inside scripts only cost a little parsing.
constexpr QByteArrayView kRegionSeeds[] = {
    "data-text-ad=",
    "data-rw=",
    "data-pcu=",
    "data-agch=",
    "data-impdclcc=",
    "/aclk?",
    "googleadservices.com/pagead/aclk",
};

// Attributes that only the engine's ad-click links carry (desktop, phone and no-script pages of
// 2023 all carry data-agch and data-impdclcc; the others stand on some of them).
constexpr QByteArrayView kAdClickAttributes[] = {"data-rw", "data-pcu", "data-agch", "data-impdclcc"};

// The click-through addresses of ads, in the href itself (no-script pages, older layouts).
constexpr QByteArrayView kAdClickHrefParts[] = {"/aclk?", "googleadservices.com/pagead/aclk"};

// The element that holds exactly one text ad.
constexpr QByteArrayView kAdContainerAttributes[] = {"data-text-ad"};

// The blocks of ads above and below the results; an ad never reaches beyond one.
constexpr QByteArrayView kBlockIds[] = {"tads", "tadsb", "bottomads", "tvcap"};

// The label each text ad carries, as the engine writes it in English and a few other languages.
constexpr QByteArrayView kLabels[] = {
    "Sponsored",         "Ad",          "Anzeige",     "Gesponsert",     "Annonce",
    "Sponsoris\xc3\xa9", "Anuncio",     "Patrocinado", "An\xc3\xbancio", "Annuncio",
    "Sponsorizzato",     "Advertentie", "Gesponsord",
};

constexpr QByteArrayView kHeadingTags[] = {"h1", "h2", "h3", "h4", "h5", "h6"};

constexpr QByteArrayView kAddressTags[] = {"cite"};

// Controls inside an ad ("Why this ad?" and the like) whose text is no part of the ad.
constexpr QByteArrayView kSkippedRoles[] = {"button", "dialog", "menu", "tooltip"};

// Inline styles that hide an element (compared with blanks removed and letters lowered).
constexpr QByteArrayView kHiddenStyles[] = {"display:none", "visibility:hidden"};

const AdMarkerTable kTable{
    kRegionSeeds,
    kAdClickAttributes,
    kAdClickHrefParts,
    kAdContainerAttributes,
    kBlockIds,
    kLabels,
    "heading",
    kHeadingTags,
    "text",
    kAddressTags,
    kSkippedRoles,
    kHiddenStyles,
};

} // namespace

const AdMarkerTable& CurrentAdMarkers() {
    return kTable;
}

} // namespace velmora::search
