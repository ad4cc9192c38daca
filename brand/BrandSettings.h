#pragma once

#include <QByteArray>

namespace velmora::app {

// The reseller's branding and news-server values, read once from the settings file at
// start-up (LoadBrandSettings in BrandLoader.h fills them) and read-only afterwards. Every field holds the
// item's bytes as they stand in the file (no character set is applied); an absent item leaves its field
// empty.
struct BrandSettings {
    QByteArray MasterNewsBaseURL;
    QByteArray PlatinumNewsBaseURL;
    QByteArray GoldNewsBaseURL;
    QByteArray MasterPublID;
    QByteArray PlatinumPublID;
    QByteArray GoldPublID;
    QByteArray BranderType;
    QByteArray ApplicationName;
    QByteArray BranderCode;
    QByteArray AffiliateID;
    QByteArray AffiliateURL;
    QByteArray AffiliateTYPE;
    QByteArray AppHelpURL;
    QByteArray CopyrightYears;
    QByteArray CopyrightCompany;
    QByteArray AboutText;
    QByteArray WelcomeText;
    QByteArray BannerURL;
    QByteArray BannerImage;
    QByteArray Link1URL;
    QByteArray Link2URL;
    QByteArray Link1Text;
    QByteArray Link2Text;
    QByteArray IconFile;

    friend bool operator==(const BrandSettings&, const BrandSettings&) = default;
};

} // namespace velmora::app
