#pragma once

// The settings load as plain functions: from the decrypted settings text (and a source of
// random picks) to the BrandSettings fields and every decision the main window applies. The
// window only carries the result over to its widgets; the reseller's tool runs the same code.

#include "brand/BrandSettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace velmora::util {
class RandomSource;
}

namespace velmora::app {

// The numbered series Welcome, Banner and Link hold at most this many items each.
inline constexpr int SeriesLength = 16;

// The tags the load takes, in its fixed reading order, before the numbered series.
inline constexpr QByteArrayView FieldTags[] = {
    "ApplicationName",  "BranderCode",       "BranderType",         "AffiliateURL",    "AffiliateTYPE",
    "AffiliateID",      "MasterNewsBaseURL", "PlatinumNewsBaseURL", "GoldNewsBaseURL", "MasterPublID",
    "PlatinumPublID",   "GoldPublID",        "MakeMoneyButton",     "AppHelpURL",      "CopyrightYears",
    "CopyrightCompany", "AboutText"};
// The numbered series, read after the fields in this order: "Welcome1" ... "Welcome16", ...
inline constexpr QByteArrayView SeriesTags[] = {"Welcome", "Banner", "Link"};

// "<%%" + tag + "%%>" and "<%%/" + tag + "%%>"
QByteArray StartTag(QByteArrayView tag);
QByteArray EndTag(QByteArrayView tag);

// One search of the walk over the settings text, recorded for the reseller's lint.
struct ItemSearch {
    QByteArray tag;          // as the program spells it: "ApplicationName", "Welcome3"
    qsizetype from = 0;      // where the cursor stood before the search
    qsizetype startTag = -1; // where the start tag was found; -1 when it was not
    bool closed = false;     // its end tag followed
    qsizetype to = 0;        // where the cursor stood afterwards
};

// What the walk takes from the settings text: every item in the fixed reading order on one
// cursor, so an item that stands before one read earlier is lost.
struct BrandItems {
    // The sixteen fields that hold their item's value; AffiliateURL with every
    // "%%AFFILIATEID%%" (exact case) replaced by AffiliateID.
    BrandSettings settings;
    QByteArray makeMoneyButton;
    // The series, each up to its first absent or empty item.
    QList<QByteArray> welcome;
    QList<QByteArray> banners;
    QList<QByteArray> links;
};

// Walks the settings text as joined by JoinedSettingsText (ReadSettingsText gives it so).
// searches, when given, receives every search in order.
BrandItems ReadBrandItems(QByteArrayView settingsText, QList<ItemSearch>* searches = nullptr);

// What becomes of the banner panel.
enum class BannerPicture {
    None,     // BannerImage is empty: the panel is hidden
    Missing,  // the banner file is not in the folder: the panel is hidden, without a message
    Animated, // "gif": shown animated in gifBanner, the panel 10 pixels higher than the picture
    Still,    // "bmp", "ico", "jpg", "jpeg": shown in imgBanner, the panel 10 pixels higher
    Metafile, // "wmf", "emf": nothing here draws metafiles, so the panel is hidden
    Unknown,  // any other extension: gifBanner hidden, imgBanner shown without a picture, and
              // the load ends with "Unknown picture file extension (.<ext>)"
};

// The file-name part of a banner picture name: the text after its last "\" or ":", and on
// platforms whose folders are separated by "/", after its last "/" as well.
QByteArrayView PictureFileNamePart(QByteArrayView bannerImage);
// The extension of the file-name part (after its last "."), as written; empty when there is none.
QByteArrayView PictureExtension(QByteArrayView bannerImage);
// Animated, Still, Metafile or Unknown, from the extension lower-cased; the name only decides,
// never the folder's path.
BannerPicture PictureKindOf(QByteArrayView bannerImage);
// The image format Qt's readers take for an Animated or Still picture ("gif", "bmp", "ico",
// "jpeg"); empty for the others.
QByteArray PictureFormatOf(QByteArrayView bannerImage);

// "banner" + (index + 1) + ".dat": the stored file of the banner item with that 0-based index.
QString BannerFileName(int index);

struct BrandLoad {
    BrandSettings settings;
    // ApplicationName + " v" + AppVersion
    QByteArray caption;
    // MakeMoneyButton, or "Make Money" when it is empty
    QByteArray makeMoneyCaption;
    bool newsButtonVisible = false;

    // The chosen Banner item's 0-based index, -1 when there were none; its file is
    // BannerFileName(bannerIndex), loaded from where it is, never moved or renamed.
    int bannerIndex = -1;
    BannerPicture bannerPicture = BannerPicture::None;
    QByteArray pictureFormat;      // for Animated and Still
    bool bannerHandCursor = false; // BannerURL is not empty

    bool linksVisible = false; // Link1Text is not empty

    // Each part of the brand stands on its own: a bad banner item leaves the links alone and
    // a bad link item the banner, and the skin and icon are applied either way. The message
    // of each bad part, empty when it is sound:
    // "List index out of bounds (1)" for a chosen Banner or Link item without two fields,
    // "Unknown picture file extension (.<ext>)" for a banner picture of another kind.
    QString bannerError;
    QString linksError;
    // The chosen Banner item has fewer than two fields: the banner keeps its design.
    bool bannerItemBroken = false;

    // The messages of the bad parts, banner first.
    QStringList errors() const;
    bool bannerPanelHidden() const {
        return bannerPicture == BannerPicture::None || bannerPicture == BannerPicture::Missing ||
               bannerPicture == BannerPicture::Metafile;
    }
};

// Tells whether a file of the given name is in the program's folder.
using FileExists = std::function<bool(const QString& fileName)>;

// A FileExists over a folder on disk.
FileExists FilesIn(const QString& folder);

// The decisions over items already read: the picks draw from random (uniform, one draw per
// pick; the second link is drawn from the links left after the first).
BrandLoad DecideBrand(const BrandItems& items, util::RandomSource& random, const FileExists& fileExists);

// ReadBrandItems and DecideBrand in one.
BrandLoad LoadBrandSettings(QByteArrayView settingsText, util::RandomSource& random,
                            const FileExists& fileExists);

} // namespace velmora::app
