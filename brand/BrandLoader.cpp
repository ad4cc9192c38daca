#include "brand/BrandLoader.h"

#include "brand/AppGlobals.h"
#include "brand/BrandTier.h"
#include "util/MarkedText.h"
#include "util/RandomSource.h"
#include "util/UUtils.h"

#include <QDir>
#include <QFileInfo>

#include <iterator>

namespace velmora::app {
namespace {

static_assert(std::size(FieldTags) == 17);

// One cursor through the whole text: every take starts where the last found item ended.
class SettingsWalk {
public:
    SettingsWalk(QByteArrayView text, QList<ItemSearch>* searches) : m_cursor(text), m_searches(searches) {}

    QByteArray take(QByteArrayView tag) {
        const QByteArray start = StartTag(tag);
        const QByteArray end = EndTag(tag);
        if (!m_searches)
            return util::ExtractMarked(start, end, 0, m_cursor);

        ItemSearch search{tag.toByteArray(), m_cursor.position(), m_cursor.find(start, true), false, 0};
        QByteArray value = util::ExtractMarked(start, end, 0, m_cursor);
        search.closed = search.startTag >= 0 && m_cursor.find(end, true) == m_cursor.position();
        search.to = m_cursor.position();
        m_searches->append(search);
        return value;
    }

    // tag1, tag2, ... up to the first absent or empty item, at most SeriesLength of them.
    QList<QByteArray> takeSeries(QByteArrayView tag) {
        QList<QByteArray> items;
        for (int n = 1; n <= SeriesLength; ++n) {
            QByteArray value = take(tag.toByteArray() + QByteArray::number(n));
            if (value.isEmpty())
                break;
            items.append(value);
        }
        return items;
    }

private:
    util::MarkedTextCursor m_cursor;
    QList<ItemSearch>* m_searches;
};

const QString ListIndexError = QStringLiteral("List index out of bounds (1)");

// An item of two fields separated by "^"; anything after a second "^" is ignored.
struct TwoFields {
    QByteArray first;
    std::optional<QByteArray> second; // absent when the item yields one field only
};

TwoFields SplitItem(QByteArrayView item) {
    QList<QByteArray> fields;
    util::SplitAtChar('^', item, fields);
    // A non-empty item always yields a first field.
    TwoFields result{fields.value(0), std::nullopt};
    if (fields.size() >= 2)
        result.second = fields[1];
    return result;
}

bool IsPathSeparator(char c) {
    if (c == '\\' || c == ':')
        return true;
    return QDir::separator() == QLatin1Char('/') && c == '/';
}

} // namespace

QByteArray StartTag(QByteArrayView tag) {
    return "<%%" + tag.toByteArray() + "%%>";
}

QByteArray EndTag(QByteArrayView tag) {
    return "<%%/" + tag.toByteArray() + "%%>";
}

BrandItems ReadBrandItems(QByteArrayView settingsText, QList<ItemSearch>* searches) {
    SettingsWalk walk(settingsText, searches);
    BrandItems items;
    BrandSettings& s = items.settings;
    QByteArray* const targets[] = {&s.ApplicationName,
                                   &s.BranderCode,
                                   &s.BranderType,
                                   &s.AffiliateURL,
                                   &s.AffiliateTYPE,
                                   &s.AffiliateID,
                                   &s.MasterNewsBaseURL,
                                   &s.PlatinumNewsBaseURL,
                                   &s.GoldNewsBaseURL,
                                   &s.MasterPublID,
                                   &s.PlatinumPublID,
                                   &s.GoldPublID,
                                   &items.makeMoneyButton,
                                   &s.AppHelpURL,
                                   &s.CopyrightYears,
                                   &s.CopyrightCompany,
                                   &s.AboutText};
    static_assert(std::size(targets) == std::size(FieldTags));
    for (std::size_t i = 0; i < std::size(FieldTags); ++i)
        *targets[i] = walk.take(FieldTags[i]);
    s.AffiliateURL.replace("%%AFFILIATEID%%", s.AffiliateID);

    items.welcome = walk.takeSeries(SeriesTags[0]);
    items.banners = walk.takeSeries(SeriesTags[1]);
    items.links = walk.takeSeries(SeriesTags[2]);
    return items;
}

QByteArrayView PictureFileNamePart(QByteArrayView bannerImage) {
    for (qsizetype i = bannerImage.size(); i > 0; --i) {
        if (IsPathSeparator(bannerImage[i - 1]))
            return bannerImage.sliced(i);
    }
    return bannerImage;
}

QByteArrayView PictureExtension(QByteArrayView bannerImage) {
    const QByteArrayView name = PictureFileNamePart(bannerImage);
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QByteArrayView() : name.sliced(dot + 1);
}

BannerPicture PictureKindOf(QByteArrayView bannerImage) {
    const QByteArray extension = PictureExtension(bannerImage).toByteArray().toLower();
    if (extension == "gif")
        return BannerPicture::Animated;
    if (extension == "bmp" || extension == "ico" || extension == "jpg" || extension == "jpeg")
        return BannerPicture::Still;
    if (extension == "wmf" || extension == "emf")
        return BannerPicture::Metafile;
    return BannerPicture::Unknown;
}

QByteArray PictureFormatOf(QByteArrayView bannerImage) {
    const BannerPicture kind = PictureKindOf(bannerImage);
    if (kind != BannerPicture::Animated && kind != BannerPicture::Still)
        return {};
    const QByteArray extension = PictureExtension(bannerImage).toByteArray().toLower();
    return extension == "jpg" ? QByteArray("jpeg") : extension;
}

QString BannerFileName(int index) {
    return QStringLiteral("banner%1.dat").arg(index + 1);
}

FileExists FilesIn(const QString& folder) {
    return
        [dir = QDir(folder)](const QString& fileName) { return QFileInfo(dir.filePath(fileName)).isFile(); };
}

BrandLoad DecideBrand(const BrandItems& items, util::RandomSource& random, const FileExists& fileExists) {
    BrandLoad load;
    BrandSettings& s = load.settings;
    s = items.settings;
    load.caption = s.ApplicationName + " v" + AppVersion.toByteArray();
    load.newsButtonVisible = NewsButtonVisible(s);
    load.makeMoneyCaption =
        items.makeMoneyButton.isEmpty() ? QByteArray("Make Money") : items.makeMoneyButton;

    if (!items.welcome.isEmpty())
        s.WelcomeText = items.welcome[random.pick(int(items.welcome.size()))];

    if (!items.banners.isEmpty()) {
        load.bannerIndex = random.pick(int(items.banners.size()));
        const TwoFields banner = SplitItem(items.banners[load.bannerIndex]);
        s.BannerImage = banner.first;
        if (banner.second) {
            s.BannerURL = *banner.second;
        } else {
            load.bannerError = ListIndexError;
            load.bannerItemBroken = true;
        }
    }
    load.bannerHandCursor = !s.BannerURL.isEmpty();

    if (load.bannerItemBroken) {
        // The banner is left as it is; the links below do not depend on it.
    } else if (s.BannerImage.isEmpty()) {
        load.bannerPicture = BannerPicture::None;
    } else if (!fileExists(BannerFileName(load.bannerIndex))) {
        load.bannerPicture = BannerPicture::Missing;
    } else {
        load.bannerPicture = PictureKindOf(s.BannerImage);
        load.pictureFormat = PictureFormatOf(s.BannerImage);
        if (load.bannerPicture == BannerPicture::Unknown)
            load.bannerError = QStringLiteral("Unknown picture file extension (.%1)")
                                   .arg(QString::fromLatin1(PictureExtension(s.BannerImage)));
    }

    QList<QByteArray> links = items.links;
    QByteArray* const linkFields[2][2] = {{&s.Link1Text, &s.Link1URL}, {&s.Link2Text, &s.Link2URL}};
    for (auto& [text, url] : linkFields) {
        if (links.isEmpty())
            break;
        const qsizetype pick = random.pick(int(links.size()));
        const TwoFields link = SplitItem(links.takeAt(pick));
        *text = link.first;
        if (!link.second) {
            load.linksError = ListIndexError;
            break;
        }
        *url = *link.second;
    }
    load.linksVisible = load.linksError.isEmpty() && !s.Link1Text.isEmpty();
    s.IconFile = "main.ico";
    return load;
}

QStringList BrandLoad::errors() const {
    QStringList messages;
    for (const QString* error : {&bannerError, &linksError}) {
        if (!error->isEmpty())
            messages.append(*error);
    }
    return messages;
}

BrandLoad LoadBrandSettings(QByteArrayView settingsText, util::RandomSource& random,
                            const FileExists& fileExists) {
    return DecideBrand(ReadBrandItems(settingsText), random, fileExists);
}

} // namespace velmora::app
