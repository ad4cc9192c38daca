#include "BrandLint.h"

#include "brand/BrandTier.h"
#include "brand/SettingsText.h"
#include "util/MarkedText.h"
#include "util/UUtils.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace velmora::brand {
namespace {

using app::ItemSearch;

QString Text(QByteArrayView bytes) {
    return QString::fromLatin1(bytes);
}

QString Tag(QByteArrayView name) {
    return Text(app::StartTag(name));
}

// What a tag name stands for, found without regard to letter case as the program finds it.
struct KnownTag {
    enum Kind { Unknown, Field, Series, LastNewsId } kind = Unknown;
    QByteArray canonical; // the program's spelling: "BranderCode", "Welcome3"
    int number = 0;       // for a series: the number as written (may be past SeriesLength)
};

KnownTag Classify(QByteArrayView name) {
    const QByteArray lower = name.toByteArray().toLower();
    for (QByteArrayView tag : app::FieldTags) {
        if (lower == tag.toByteArray().toLower())
            return {KnownTag::Field, tag.toByteArray(), 0};
    }
    if (lower == "lastnewsid")
        return {KnownTag::LastNewsId, "LastNewsId", 0};
    for (QByteArrayView prefix : app::SeriesTags) {
        const QByteArray p = prefix.toByteArray().toLower();
        if (!lower.startsWith(p))
            continue;
        const QByteArray digits = lower.mid(p.size());
        // The program asks for plain decimal numbers: "Welcome01" is never asked for.
        if (digits.isEmpty() || digits.size() > 6 || digits[0] == '0' ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            break;
        const int number = digits.toInt();
        return {KnownTag::Series, prefix.toByteArray() + digits, number};
    }
    return {};
}

bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

struct TagAt {
    qsizetype at;
    QByteArray name;
};

// Every opening tag "<%%name%%>" in the text.
QList<TagAt> OpeningTags(QByteArrayView text) {
    QList<TagAt> tags;
    for (qsizetype at = text.indexOf("<%%"); at >= 0; at = text.indexOf("<%%", at + 1)) {
        qsizetype end = at + 3;
        while (end < text.size() && IsNameByte(text[end]))
            ++end;
        if (end > at + 3 && text.sliced(end).startsWith("%%>"))
            tags.append({at, text.sliced(at + 3, end - at - 3).toByteArray()});
    }
    return tags;
}

class Linter {
public:
    Linter(QByteArrayView plain, const app::FileExists& bannerFiles, const QString& folderShown,
           const PictureProblem& pictureProblem)
        : m_text(app::JoinedSettingsText(plain)), m_bannerFiles(bannerFiles), m_folder(folderShown),
          m_pictureProblem(pictureProblem) {
        m_items = app::ReadBrandItems(m_text, &m_searches);
        for (const ItemSearch& search : m_searches)
            m_searchOf.insert(search.tag, &search);
        for (qsizetype at = m_text.indexOf('\n'); at >= 0; at = m_text.indexOf('\n', at + 1))
            m_lineEnds.append(at);
    }

    QList<Finding> run() {
        checkTags();
        checkUnclosed();
        checkBanners();
        checkLinks();
        checkTier();
        std::stable_sort(m_findings.begin(), m_findings.end(),
                         [](const Finding& a, const Finding& b) { return a.line < b.line; });
        return m_findings;
    }

private:
    int lineOf(qsizetype position) const {
        return 1 + int(std::lower_bound(m_lineEnds.begin(), m_lineEnds.end(), position) - m_lineEnds.begin());
    }

    void add(Finding::Severity severity, int line, const QString& message) {
        m_findings.append({severity, line, message});
    }

    // A value the program reads may hold text that looks like a tag: that is not a tag.
    bool insideValue(qsizetype at) const {
        return std::any_of(m_searches.begin(), m_searches.end(), [&](const ItemSearch& s) {
            return s.startTag >= 0 && s.closed && at > s.startTag && at < s.to;
        });
    }

    // The first search of the walk that carried the cursor past the position.
    const ItemSearch* passedBy(qsizetype at) const {
        for (const ItemSearch& search : m_searches) {
            if (search.to > at)
                return &search;
        }
        return nullptr;
    }

    const QList<QByteArray>& series(QByteArrayView prefix) const {
        if (prefix == app::SeriesTags[0])
            return m_items.welcome;
        if (prefix == app::SeriesTags[1])
            return m_items.banners;
        return m_items.links;
    }

    // Why a numbered item that the walk never asked for is lost; empty when it was asked for.
    QString seriesGap(const KnownTag& tag) const {
        const QByteArray prefix =
            tag.canonical.left(tag.canonical.size() - QByteArray::number(tag.number).size());
        if (tag.number > app::SeriesLength)
            return QStringLiteral("only %1 to %2 are read")
                .arg(Text(prefix + "1"), Text(prefix + QByteArray::number(app::SeriesLength)));
        const qsizetype read = series(prefix).size();
        if (tag.number <= read + 1)
            return {};
        const QByteArray last = prefix + QByteArray::number(read + 1);
        const ItemSearch* search = m_searchOf.value(last);
        const bool present = search && search->startTag >= 0;
        return QStringLiteral("the %1 series ends at %2, which is %3")
            .arg(Text(prefix), Text(last), present ? QStringLiteral("empty") : QStringLiteral("missing"));
    }

    void checkTags() {
        QSet<qsizetype> read;
        for (const ItemSearch& search : m_searches) {
            if (search.startTag >= 0)
                read.insert(search.startTag);
        }
        for (const TagAt& tag : OpeningTags(m_text)) {
            if (read.contains(tag.at) || insideValue(tag.at))
                continue;
            const int line = lineOf(tag.at);
            const KnownTag known = Classify(tag.name);
            if (known.kind == KnownTag::LastNewsId)
                continue; // read by its own reader, wherever it stands
            if (known.kind == KnownTag::Unknown) {
                add(Finding::Severity::Warning, line,
                    QStringLiteral("unknown tag %1: the program never reads it").arg(Tag(tag.name)));
                continue;
            }
            const QString lost = QStringLiteral("%1 is never read").arg(Tag(tag.name));
            if (known.kind == KnownTag::Series) {
                const QString gap = seriesGap(known);
                if (!gap.isEmpty()) {
                    add(Finding::Severity::Warning, line, QStringLiteral("%1: %2").arg(lost, gap));
                    continue;
                }
            }
            const ItemSearch* own = m_searchOf.value(known.canonical);
            if (own && own->startTag >= 0 && own->startTag < tag.at) {
                add(Finding::Severity::Warning, line,
                    QStringLiteral("%1: only the first %2 (line %3) is")
                        .arg(lost, Tag(known.canonical))
                        .arg(lineOf(own->startTag)));
                continue;
            }
            const ItemSearch* past = passedBy(tag.at);
            const QString before =
                past ? QStringLiteral(" it stands before %1 (line %2), which the program reads earlier;")
                           .arg(Tag(past->tag))
                           .arg(lineOf(past->startTag >= 0 ? past->startTag : past->to))
                     : QString();
            add(Finding::Severity::Warning, line,
                QStringLiteral("%1, out of the reading order:%2 items must stand in the order %3, then the "
                               "Welcome, Banner and Link series")
                    .arg(lost, before, ReadingOrder()));
        }
    }

    static QString ReadingOrder() {
        QStringList names;
        for (QByteArrayView tag : app::FieldTags)
            names.append(Text(tag));
        return names.join(QStringLiteral(", "));
    }

    void checkUnclosed() {
        for (const ItemSearch& search : m_searches) {
            if (search.startTag >= 0 && !search.closed)
                add(Finding::Severity::Warning, lineOf(search.startTag),
                    QStringLiteral("%1 has no %2 after it: the program reads it as empty")
                        .arg(Tag(search.tag), Text(app::EndTag(search.tag))));
        }
    }

    int lineOfItem(const QByteArray& tag) const {
        const ItemSearch* search = m_searchOf.value(tag);
        return search && search->startTag >= 0 ? lineOf(search->startTag) : 0;
    }

    void checkBanners() {
        for (qsizetype i = 0; i < m_items.banners.size(); ++i) {
            const QByteArray tag = "Banner" + QByteArray::number(i + 1);
            const int line = lineOfItem(tag);
            QList<QByteArray> fields;
            util::SplitAtChar('^', m_items.banners[i], fields);
            if (fields.size() < 2)
                add(Finding::Severity::Error, line,
                    QStringLiteral("%1: List index out of bounds (1): a banner needs a picture file name and "
                                   "a click URL, separated by \"^\"")
                        .arg(Text(tag)));
            const QByteArray image = fields.value(0);
            if (image.isEmpty()) {
                add(Finding::Severity::Warning, line,
                    QStringLiteral("%1 names no picture file: when it is chosen the banner is hidden")
                        .arg(Text(tag)));
                continue;
            }
            const QString file = app::BannerFileName(int(i));
            const app::BannerPicture kind = app::PictureKindOf(image);
            if (kind == app::BannerPicture::Unknown)
                add(Finding::Severity::Error, line,
                    QStringLiteral("%1: Unknown picture file extension (.%2): use gif, bmp, ico, jpg or jpeg")
                        .arg(Text(tag), Text(app::PictureExtension(image))));
            else if (kind == app::BannerPicture::Metafile)
                add(Finding::Severity::Warning, line,
                    QStringLiteral(
                        "%1: wmf and emf pictures cannot be shown: when it is chosen the banner is "
                        "hidden")
                        .arg(Text(tag)));
            if (!m_bannerFiles(file)) {
                add(Finding::Severity::Error, line,
                    QStringLiteral("%1: its picture file \"%2\" is not in %3")
                        .arg(Text(tag), file, m_folder));
                continue;
            }
            const bool shown = kind == app::BannerPicture::Animated || kind == app::BannerPicture::Still;
            if (shown && m_pictureProblem) {
                const QString problem = m_pictureProblem(file, app::PictureFormatOf(image));
                if (!problem.isEmpty())
                    add(Finding::Severity::Error, line, QStringLiteral("%1: %2").arg(Text(tag), problem));
            }
        }
    }

    void checkLinks() {
        for (qsizetype i = 0; i < m_items.links.size(); ++i) {
            QList<QByteArray> fields;
            util::SplitAtChar('^', m_items.links[i], fields);
            const QByteArray tag = "Link" + QByteArray::number(i + 1);
            if (fields.size() < 2)
                add(Finding::Severity::Error, lineOfItem(tag),
                    QStringLiteral("%1: List index out of bounds (1): a link needs a caption and a URL, "
                                   "separated by \"^\"")
                        .arg(Text(tag)));
        }
    }

    void checkTier() {
        const app::BrandSettings& s = m_items.settings;
        const int line = lineOfItem("BranderType");
        const app::BrandTier tier = app::TierOf(s.BranderType);
        if (tier == app::BrandTier::None) {
            add(Finding::Severity::Warning, line,
                QStringLiteral(
                    "BranderType \"%1\" matches no tier (Master, Platinum, Gold or Free, in exactly "
                    "this case): the news button is hidden and no news is fetched")
                    .arg(Text(s.BranderType)));
            return;
        }
        if (!app::NewsButtonVisible(s)) {
            const QString row = Text(app::TierName(app::NewsButtonTier(s)));
            add(Finding::Severity::Warning, line,
                QStringLiteral("BranderType %1 needs both %2PublID and %2NewsBaseURL: without them the news "
                               "button is hidden")
                    .arg(Text(s.BranderType), row));
        }
    }

    QByteArray m_text;
    const app::FileExists& m_bannerFiles;
    QString m_folder;
    const PictureProblem& m_pictureProblem;
    QList<ItemSearch> m_searches;
    QHash<QByteArray, const ItemSearch*> m_searchOf;
    app::BrandItems m_items;
    QList<qsizetype> m_lineEnds;
    QList<Finding> m_findings;
};

} // namespace

QList<Finding> LintSettings(QByteArrayView plainText, const app::FileExists& bannerFiles,
                            const QString& folderShown, const PictureProblem& pictureProblem) {
    return Linter(plainText, bannerFiles, folderShown, pictureProblem).run();
}

qsizetype ErrorCount(const QList<Finding>& findings) {
    return std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return f.isError(); });
}

} // namespace velmora::brand
