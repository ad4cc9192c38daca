#include "search/AdMarkers.h"

namespace velmora::search {
namespace {

// Raw text near every ad: the ad-click link's attributes and addresses, the ad container's flag.
// Hits inside scripts only cost a little parsing. Which layouts carry each (desktop 2019 and
// 2020, phone 2020, desktop late 2020, desktop and phone 2023, no-script 2023):
constexpr QByteArrayView RegionSeeds[] = {
    "data-text-ad=",                    // desktop and phone 2023
    "data-rw=",                         // phone 2020, desktop late 2020, desktop and phone 2023
    "data-pcu=",                        // desktop late 2020, 2023 (all three)
    "data-agch=",                       // 2023 (all three)
    "data-impdclcc=",                   // 2023 (all three)
    "/aclk?",                           // every layout from 2019 on: the ad-click address itself
    "googleadservices.com/pagead/aclk", // desktop 2019: the hidden ad-click link's address
};

// Attributes that only the engine's ad-click links carry: data-rw from phone 2020 and desktop late
// 2020 on, data-pcu from desktop late 2020 on, data-agch and data-impdclcc on every 2023 page.
constexpr QByteArrayView AdClickAttributes[] = {"data-rw", "data-pcu", "data-agch", "data-impdclcc"};

// The click-through addresses of ads, in the href itself: every layout from 2019 on has them on
// some link of each ad (desktop 2019 and 2020 on a hidden link beside the title's, phone 2020 on
// the call line, the no-script pages of 2023 on the title's).
constexpr QByteArrayView AdClickHrefParts[] = {"/aclk?", "googleadservices.com/pagead/aclk"};

// The element that holds exactly one text ad (desktop and phone 2023; earlier layouts have none:
// there the ad is found from its title and label).
constexpr QByteArrayView AdContainerAttributes[] = {"data-text-ad"};

// The blocks of ads above and below the results; an ad never reaches beyond one. tads, tvcap and
// bottomads stand on every layout from 2019 to 2023 except the no-script pages; tadsb holds the
// lower ads of desktop 2019 and 2020. A label inside them (or inside an ad-click link, for the
// no-script pages) may be the sign of an ad missed.
constexpr QByteArrayView BlockIds[] = {"tads", "tadsb", "bottomads", "tvcap"};

// Those of the blocks above that stand below the results: the rest stand above them.
constexpr QByteArrayView BottomBlockIds[] = {"tadsb", "bottomads"};

// The label each text ad carries beside its displayed address or above its title, as the engine
// writes it in English and a few other languages: "Anzeige" on the German and Swiss German pages
// of 2019, "Ad" on the English pages of 2020 and the no-script pages of 2023, "Sponsored" on the
// desktop and phone pages of 2023.
constexpr QByteArrayView Labels[] = {
    "Sponsored",         "Ad",          "Anzeige",     "Gesponsert",     "Annonce",
    "Sponsoris\xc3\xa9", "Anuncio",     "Patrocinado", "An\xc3\xbancio", "Annuncio",
    "Sponsorizzato",     "Advertentie", "Gesponsord",
};

// Titles: <h3> on desktop 2019 and May 2020; an element with role "heading" on phone 2020, desktop
// late 2020 and every 2023 page.
constexpr QByteArrayView HeadingTags[] = {"h1", "h2", "h3", "h4", "h5", "h6"};

// Displayed addresses: <cite> on desktop 2019 and 2020, role "text" on 2023 pages. Phone 2020 and
// desktop late 2020 have neither: there the address is what stands beside the label.
constexpr QByteArrayView AddressTags[] = {"cite"};

// Controls inside an ad ("Why this ad?" and the like) whose text is no part of the ad (every
// layout from 2019 on).
constexpr QByteArrayView SkippedRoles[] = {"button", "dialog", "menu", "tooltip"};

// Inline styles that hide an element (compared with blanks removed and letters lowered): the
// hidden ad-click link of desktop 2019 and 2020, menus of every layout. Elements hidden by a class
// of the page's style sheet are not seen as hidden; what the ads of 2020 hide that way (a copy of
// the address line, a panel of more ads) lies inside an ad read and is no part of its cells.
constexpr QByteArrayView HiddenStyles[] = {"display:none", "visibility:hidden"};

const AdMarkerTable Table{
    RegionSeeds, AdClickAttributes, AdClickHrefParts, AdContainerAttributes, BlockIds, BottomBlockIds, Labels,
    "heading", // role of the title: phone 2020, desktop late 2020, 2023
    HeadingTags,
    "text", // role of the displayed address: 2023
    AddressTags, SkippedRoles,      HiddenStyles,
};

} // namespace

const AdMarkerTable& CurrentAdMarkers() {
    return Table;
}

} // namespace velmora::search
