#include "search/AdRegions.h"

#include "html/AsciiCase.h"
#include "html/HtmlTagScan.h"
#include "search/AdRow.h"
#include "search/PageCharset.h"

#include <QByteArrayMatcher>

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <deque>

namespace velmora::search {
namespace {

// Nesting the parser may see: the tree builder's work per tag grows with the depth of its stack.
// Real pages stay far below (the results pages of 2023 reach about 35); where a page goes deeper, the
// innermost half of the open elements is closed, so what follows still gets read, one level further out.
constexpr qsizetype MaxDepth = 128;
// Open formatting elements (<b>, <a> ...), and open cells, captions and objects: beyond these, the
// innermost one of its kind is closed first.
constexpr qsizetype MaxFormatting = 16;
constexpr qsizetype MaxScopes = 16;
// Longer tag names are not elements a reader needs.
constexpr qsizetype MaxNameLength = 64;

// What the tree builder does with an element, as far as the region markup models it.
enum TagClass : unsigned {
    Void = 1u << 0,               // has no end tag
    DroppedWithContent = 1u << 1, // content is no markup, or not shown: left out whole
    Formatting = 1u << 2,         // kept in the list of formatting elements
    Scope = 1u << 3,              // starts a new list of formatting elements
    Boundary = 1u << 4,           // end tags of other elements do not close past it
    ClosesParagraph = 1u << 5,    // its start tag closes an open <p>
    Heading = 1u << 6,            // h1..h6
    TableSection = 1u << 7,       // tbody, thead, tfoot
};

unsigned classOf(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_AREA:
    case GUMBO_TAG_BASE:
    case GUMBO_TAG_BASEFONT:
    case GUMBO_TAG_BGSOUND:
    case GUMBO_TAG_COL:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_FRAME:
    case GUMBO_TAG_IMAGE:
    case GUMBO_TAG_IMG:
    case GUMBO_TAG_INPUT:
    case GUMBO_TAG_KEYGEN:
    case GUMBO_TAG_LINK:
    case GUMBO_TAG_META:
    case GUMBO_TAG_PARAM:
    case GUMBO_TAG_SOURCE:
    case GUMBO_TAG_TRACK:
    case GUMBO_TAG_WBR:
    case GUMBO_TAG_BR:
        return Void;
    case GUMBO_TAG_HR:
        return Void | ClosesParagraph;
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_TITLE:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_SVG:
    case GUMBO_TAG_MATH:
        return DroppedWithContent;
    case GUMBO_TAG_A:
    case GUMBO_TAG_B:
    case GUMBO_TAG_BIG:
    case GUMBO_TAG_CODE:
    case GUMBO_TAG_EM:
    case GUMBO_TAG_FONT:
    case GUMBO_TAG_I:
    case GUMBO_TAG_NOBR:
    case GUMBO_TAG_S:
    case GUMBO_TAG_SMALL:
    case GUMBO_TAG_STRIKE:
    case GUMBO_TAG_STRONG:
    case GUMBO_TAG_TT:
    case GUMBO_TAG_U:
        return Formatting;
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TH:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_MARQUEE:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_APPLET:
        return Scope | Boundary;
    case GUMBO_TAG_HTML:
        return Boundary;
    case GUMBO_TAG_TABLE:
        return Boundary | ClosesParagraph;
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
        return Heading | ClosesParagraph;
    case GUMBO_TAG_TBODY:
    case GUMBO_TAG_THEAD:
    case GUMBO_TAG_TFOOT:
        return TableSection;
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_DIR:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HGROUP:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_MENU:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_P:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_UL:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_LISTING:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DT:
        return ClosesParagraph;
    default:
        return 0;
    }
}

bool isPlainName(QByteArrayView name) {
    if (name.isEmpty() || name.size() > MaxNameLength)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return ascii::isLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':' || c == '.';
    });
}

bool listHas(std::span<const QByteArrayView> list, QByteArrayView value, bool ignoreCase) {
    return std::any_of(list.begin(), list.end(), [&](QByteArrayView item) {
        return ignoreCase ? ascii::equalsIgnoringCase(item, value) : item == value;
    });
}

QByteArray withoutBlanksLowered(QByteArrayView value) {
    QByteArray out;
    out.reserve(value.size());
    for (const char c : value) {
        if (!ascii::isSpace(c))
            out.append(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
    }
    return out;
}

// What the reader needs of one start tag's attributes.
struct TagFlags {
    bool adClick = false;
    bool adContainer = false;
    QByteArrayView adBlock; // TopBlock or BottomBlock, or empty
    bool hidden = false;
    QByteArrayView role; // from the table, or empty
};

// An element name, lowered, with the tree builder's number for it.
struct Name {
    char text[MaxNameLength];
    qsizetype size = 0;
    GumboTag tag = GUMBO_TAG_UNKNOWN;

    QByteArrayView view() const { return QByteArrayView(text, size); }
    bool operator==(const Name& other) const {
        return tag == other.tag && (tag != GUMBO_TAG_UNKNOWN || view() == other.view());
    }
};

// Lowers a plain tag name; false for names no reader needs (too long, odd characters).
bool makeName(QByteArrayView written, Name& name) {
    if (!isPlainName(written))
        return false;
    name.size = written.size();
    for (qsizetype i = 0; i < written.size(); ++i) {
        const char c = written[i];
        name.text[i] = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    name.tag = gumbo_tagn_enum(name.text, unsigned(name.size));
    return true;
}

class RegionWriter {
public:
    RegionWriter(QByteArrayView page, const AdRegion& region, const AdMarkerTable& markers,
                 PageCharset& charset, const MarkupBudget& budget)
        : m_text(page.first(region.end)), m_region(region), m_markers(markers), m_charset(charset),
          m_budget(budget) {
        m_out.reserve(std::min((region.end - region.start) / 2, std::max<qsizetype>(budget.markupBytes, 0)));
        m_stack.reserve(MaxDepth);
    }

    RegionMarkup write() {
        qsizetype pos = m_text.indexOf('<', m_region.start);
        if (pos < 0)
            pos = m_text.size();
        bool cutShort = false;
        while (pos < m_text.size()) {
            if (m_out.size() >= m_budget.markupBytes) {
                cutAt(pos);
                cutShort = true;
                break;
            }
            noteOwnPart(pos);
            noteProgress(pos);
            const qsizetype lt = m_text.indexOf('<', pos);
            if (lt != pos) {
                // A long text is cut where the budget runs out, so that one text cannot overrun it.
                const qsizetype textEnd =
                    std::min(lt < 0 ? m_text.size() : lt, pos + (m_budget.markupBytes - m_out.size()));
                m_charset.appendUtf8(m_text.sliced(pos, textEnd - pos), m_out);
                pos = textEnd;
                continue;
            }
            TagFlags flags;
            const html::Tag tag = html::readTag(m_text, pos, [&](QByteArrayView name, QByteArrayView value) {
                readAttribute(name, value, flags);
            });
            if (!tag.complete)
                break; // the region, or the page, ends inside it
            pos = tag.end;
            switch (tag.kind) {
            case html::TagKind::Text:
                m_out.append("&lt;");
                break;
            case html::TagKind::Comment:
                break;
            case html::TagKind::Start:
                pos = startTag(tag, flags, pos);
                break;
            case html::TagKind::End:
                endTag(tag);
                break;
            }
        }
        if (!cutShort)
            noteOwnPart(m_text.size());
        return {std::move(m_out), m_ownStart < 0 ? m_out.size() : m_ownStart,
                m_ownEnd < 0 ? m_out.size() : m_ownEnd, cutShort};
    }

private:
    struct Open {
        Name name;
        unsigned tagClass = 0;
    };

    void noteOwnPart(qsizetype pos) {
        if (m_ownStart < 0 && pos >= m_region.ownStart)
            m_ownStart = m_out.size();
        if (m_ownEnd < 0 && pos >= m_region.ownEnd)
            m_ownEnd = m_out.size();
    }

    // Keeps, of the points where markup was written so far, the latest one at least `reach`
    // before `pos` and those after it.
    void noteProgress(qsizetype pos) {
        m_progress.emplace_back(pos, m_out.size());
        while (m_progress.size() > 1 && m_progress[1].first <= pos - m_budget.reach)
            m_progress.pop_front();
    }

    // The budget ends the markup at `pos`: only a title at least `reach` before it stays in the own
    // part, so no ad is read without its end.
    void cutAt(qsizetype pos) {
        const auto& [atPos, atOut] =
            m_progress.empty() ? std::pair<qsizetype, qsizetype>{pos, m_out.size()} : m_progress.front();
        const qsizetype limit = atPos <= pos - m_budget.reach ? atOut : 0;
        if (m_ownStart < 0)
            m_ownStart = m_out.size();
        m_ownEnd = std::max(m_ownStart, m_ownEnd < 0 ? limit : std::min(m_ownEnd, limit));
    }

    void readAttribute(QByteArrayView name, QByteArrayView value, TagFlags& flags) const {
        if (ascii::equalsIgnoringCase(name, "href")) {
            for (const QByteArrayView part : m_markers.adClickHrefParts) {
                if (value.contains(part))
                    flags.adClick = true;
            }
        } else if (ascii::equalsIgnoringCase(name, "id")) {
            if (listHas(m_markers.blockIds, value, false))
                flags.adBlock = listHas(m_markers.bottomBlockIds, value, false) ? BottomBlock : TopBlock;
        } else if (ascii::equalsIgnoringCase(name, "role")) {
            const QByteArrayView role = value.trimmed();
            if (ascii::equalsIgnoringCase(role, m_markers.headingRole))
                flags.role = m_markers.headingRole;
            else if (ascii::equalsIgnoringCase(role, m_markers.addressRole))
                flags.role = m_markers.addressRole;
            for (const QByteArrayView skipped : m_markers.skippedRoles) {
                if (ascii::equalsIgnoringCase(role, skipped))
                    flags.role = skipped;
            }
        } else if (ascii::equalsIgnoringCase(name, "hidden")) {
            flags.hidden = true;
        } else if (ascii::equalsIgnoringCase(name, "style")) {
            const QByteArray style = withoutBlanksLowered(value);
            for (const QByteArrayView hiding : m_markers.hiddenStyles) {
                if (style.contains(hiding))
                    flags.hidden = true;
            }
        } else {
            flags.adClick = flags.adClick || listHas(m_markers.adClickAttributes, name, true);
            flags.adContainer = flags.adContainer || listHas(m_markers.adContainerAttributes, name, true);
        }
    }

    // Returns where reading goes on: after the content of an element that is dropped whole.
    qsizetype startTag(const html::Tag& tag, const TagFlags& flags, qsizetype pos) {
        Name name;
        if (!makeName(tag.name, name))
            return pos;
        if (name.tag == GUMBO_TAG_PLAINTEXT)
            return m_text.size();
        const unsigned tagClass = classOf(name.tag);
        if (tagClass & DroppedWithContent)
            return html::skipRawText(m_text, pos, name.view());
        closeImplied(name, tagClass);
        if (tagClass & Void) {
            if (name.tag == GUMBO_TAG_BR || name.tag == GUMBO_TAG_HR)
                appendTag("<", name, ">");
            return pos;
        }
        if (qsizetype(m_stack.size()) >= MaxDepth)
            popTo(MaxDepth / 2);
        if (name.tag == GUMBO_TAG_A) {
            // A link inside a link closes the outer one, as the tree builder's adoption step does.
            if (const qsizetype open = openIndex(GUMBO_TAG_A, true); open >= 0)
                popTo(open);
        }
        if ((tagClass & Formatting) && m_openFormatting >= MaxFormatting)
            popTo(innermost(Formatting));
        if ((tagClass & Scope) && m_openScopes >= MaxScopes)
            popTo(innermost(Scope));
        m_openFormatting += (tagClass & Formatting) ? 1 : 0;
        m_openScopes += (tagClass & Scope) ? 1 : 0;
        m_stack.push_back({name, tagClass});
        ++m_openCount[name.tag];
        appendTag("<", name, "");
        if (flags.adClick && name.tag == GUMBO_TAG_A)
            m_out.append(' ').append(region_attr::AdClick);
        if (flags.adContainer)
            m_out.append(' ').append(region_attr::AdContainer);
        if (!flags.adBlock.isEmpty())
            m_out.append(' ').append(region_attr::AdBlock).append("=\"").append(flags.adBlock).append('"');
        if (flags.hidden)
            m_out.append(' ').append(region_attr::Hidden);
        if (!flags.role.isEmpty())
            m_out.append(' ').append(region_attr::Role).append("=\"").append(flags.role).append('"');
        m_out.append('>');
        return pos;
    }

    void endTag(const html::Tag& tag) {
        Name name;
        if (!makeName(tag.name, name))
            return;
        if (name.tag == GUMBO_TAG_BR) {
            m_out.append("<br>");
            return;
        }
        const qsizetype at = openIndex(name, !(classOf(name.tag) & Boundary));
        if (at >= 0)
            popTo(at);
    }

    void appendTag(const char* open, const Name& name, const char* close) {
        m_out.append(open);
        m_out.append(name.view());
        m_out.append(close);
    }

    // Index of the innermost open element called `name`, not looking past a boundary element
    // when `stopAtBoundary`, nor past an element of `alsoStopAt`; -1 when there is none.
    qsizetype openIndex(const Name& name, bool stopAtBoundary,
                        std::initializer_list<GumboTag> alsoStopAt = {}) const {
        if (m_openCount[name.tag] == 0)
            return -1;
        for (qsizetype i = qsizetype(m_stack.size()) - 1; i >= 0; --i) {
            if (m_stack[i].name == name)
                return i;
            if ((stopAtBoundary && (m_stack[i].tagClass & Boundary)) ||
                std::find(alsoStopAt.begin(), alsoStopAt.end(), m_stack[i].name.tag) != alsoStopAt.end())
                return -1;
        }
        return -1;
    }

    qsizetype openIndex(GumboTag tag, bool stopAtBoundary,
                        std::initializer_list<GumboTag> alsoStopAt = {}) const {
        Name name;
        name.tag = tag;
        return openIndex(name, stopAtBoundary, alsoStopAt);
    }

    // Closes the element at `at` and everything opened inside it, each with its own end tag, innermost
    // first. So the parser is never left to close an element on its own, and never keeps a formatting
    // element that markup closed unevenly, to open it again for each later piece of text.
    void popTo(qsizetype at) {
        while (qsizetype(m_stack.size()) > at) {
            const Open& open = m_stack.back();
            m_openFormatting -= (open.tagClass & Formatting) ? 1 : 0;
            m_openScopes -= (open.tagClass & Scope) ? 1 : 0;
            --m_openCount[open.name.tag];
            appendTag("</", open.name, ">");
            m_stack.pop_back();
        }
    }

    qsizetype innermost(unsigned tagClass) const {
        qsizetype i = qsizetype(m_stack.size()) - 1;
        while (i > 0 && !(m_stack[i].tagClass & tagClass))
            --i;
        return i;
    }

    // The end tags the tree builder implies before this start tag.
    void closeImplied(const Name& name, unsigned tagClass) {
        qsizetype at = -1;
        if (tagClass & ClosesParagraph)
            at = openIndex(GUMBO_TAG_P, true, {GUMBO_TAG_BUTTON});
        if (at >= 0)
            popTo(at);
        at = -1;
        switch (name.tag) {
        case GUMBO_TAG_LI:
            at = openIndex(GUMBO_TAG_LI, true, {GUMBO_TAG_UL, GUMBO_TAG_OL, GUMBO_TAG_MENU});
            break;
        case GUMBO_TAG_DD:
        case GUMBO_TAG_DT:
            at = std::max(openIndex(GUMBO_TAG_DD, true, {GUMBO_TAG_DL}),
                          openIndex(GUMBO_TAG_DT, true, {GUMBO_TAG_DL}));
            break;
        case GUMBO_TAG_TR:
            at = openIndex(GUMBO_TAG_TR, false, {GUMBO_TAG_TABLE});
            break;
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
            at = std::max(openIndex(GUMBO_TAG_TD, false, {GUMBO_TAG_TR, GUMBO_TAG_TABLE}),
                          openIndex(GUMBO_TAG_TH, false, {GUMBO_TAG_TR, GUMBO_TAG_TABLE}));
            break;
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TFOOT:
            at = std::max({openIndex(GUMBO_TAG_TBODY, false, {GUMBO_TAG_TABLE}),
                           openIndex(GUMBO_TAG_THEAD, false, {GUMBO_TAG_TABLE}),
                           openIndex(GUMBO_TAG_TFOOT, false, {GUMBO_TAG_TABLE})});
            break;
        case GUMBO_TAG_OPTION:
        case GUMBO_TAG_OPTGROUP:
            at = openIndex(GUMBO_TAG_OPTION, true, {GUMBO_TAG_SELECT});
            break;
        default:
            if ((tagClass & Heading) && !m_stack.empty() && (m_stack.back().tagClass & Heading))
                at = qsizetype(m_stack.size()) - 1;
            break;
        }
        if (at >= 0)
            popTo(at);
    }

    QByteArrayView m_text;
    const AdRegion& m_region;
    const AdMarkerTable& m_markers;
    PageCharset& m_charset;
    const MarkupBudget& m_budget;
    QByteArray m_out;
    std::deque<std::pair<qsizetype, qsizetype>> m_progress; // page offset, markup offset
    std::vector<Open> m_stack;
    std::array<qsizetype, GUMBO_TAG_LAST + 1> m_openCount{};
    qsizetype m_openFormatting = 0;
    qsizetype m_openScopes = 0;
    qsizetype m_ownStart = -1;
    qsizetype m_ownEnd = -1;
};

// The hits of the seeds in page order. The page is searched a stretch at a time, so that the
// search ends where its caller stops asking, not at the end of the page: a seed that does not
// occur would otherwise be looked for through all of it at the first question.
class SeedScan {
public:
    SeedScan(QByteArrayView page, std::span<const QByteArrayView> seeds)
        : m_page(page), m_seeds(seeds), m_next(seeds.size(), -1), m_knownTo(seeds.size(), 0) {
        for (const QByteArrayView seed : seeds) {
            m_matchers.emplace_back(seed.data(), seed.size());
            m_longestSeed = std::max(m_longestSeed, seed.size());
        }
    }

    qsizetype longestSeed() const { return m_longestSeed; }

    // The first hit at or after `from` (never less than the last question's) and its seed's length;
    // -1 when there is none.
    std::pair<qsizetype, qsizetype> next(qsizetype from) {
        while (true) {
            qsizetype hit = -1;
            qsizetype length = 0;
            for (size_t i = 0; i < m_seeds.size(); ++i) {
                const qsizetype at = nextOf(i, from);
                if (at >= 0 && (hit < 0 || at < hit)) {
                    hit = at;
                    length = m_seeds[i].size();
                }
            }
            if (hit >= 0 || m_searched >= m_page.size())
                return {hit, length};
            m_searched = std::min(m_page.size(), std::max(m_searched, from) + StretchSize);
        }
    }

private:
    static constexpr qsizetype StretchSize = 64 * 1024;

    // The first hit of seed i at or after `from` that starts before `m_searched`, or -1.
    qsizetype nextOf(size_t i, qsizetype from) {
        if (m_next[i] >= from)
            return m_next[i];
        const qsizetype start = std::max(from, m_knownTo[i]);
        if (start >= m_searched)
            return -1;
        const qsizetype end = std::min(m_page.size(), m_searched + m_seeds[i].size() - 1);
        m_next[i] = m_matchers[i].indexIn(m_page.data(), end, start);
        m_knownTo[i] = m_next[i] >= 0 ? m_next[i] + 1 : m_searched;
        return m_next[i];
    }

    QByteArrayView m_page;
    std::span<const QByteArrayView> m_seeds;
    std::vector<QByteArrayMatcher> m_matchers;
    qsizetype m_longestSeed = 0;
    qsizetype m_searched = 0;         // every hit that starts before this can be known
    std::vector<qsizetype> m_next;    // each seed's last hit found, or -1
    std::vector<qsizetype> m_knownTo; // each seed has no hit before this other than m_next
};

// Appends the region of one stretch, as far as `totalLeft` reaches; false when the stretch had to be
// cut there (its own part then ends `after` before the cut, so that an ad in it is whole).
bool appendRegion(qsizetype start, qsizetype end, const AdRegionLimits& limits, qsizetype& totalLeft,
                  std::vector<AdRegion>& regions) {
    if (totalLeft <= 0)
        return false;
    if (end - start <= totalLeft) {
        totalLeft -= end - start;
        regions.push_back({start, end, start, end});
        return true;
    }
    const qsizetype cut = start + totalLeft;
    totalLeft = 0;
    regions.push_back({start, cut, start, std::max(start, cut - limits.after)});
    return false;
}

} // namespace

AdRegionList FindAdRegions(QByteArrayView page, const AdMarkerTable& markers, const AdRegionLimits& limits) {
    AdRegionList list;
    qsizetype totalLeft = limits.maxTotalLength;
    const qsizetype n = page.size();
    SeedScan scan(page, markers.regionSeeds);
    qsizetype from = 0;
    qsizetype clusterStart = -1;
    qsizetype clusterEnd = -1;
    while (true) {
        const auto [hit, hitLength] = scan.next(from);
        if (hit < 0)
            break;
        const qsizetype windowStart = std::max<qsizetype>(0, hit - limits.before);
        const qsizetype windowEnd = std::min(n, hit + hitLength + limits.after);
        if (clusterStart >= 0 && windowStart <= clusterEnd) {
            clusterEnd = std::max(clusterEnd, windowEnd);
        } else {
            if (clusterStart >= 0 &&
                !appendRegion(clusterStart, clusterEnd, limits, totalLeft, list.regions)) {
                list.cutShort = true;
                return list;
            }
            clusterStart = windowStart;
            clusterEnd = windowEnd;
        }
        if (clusterEnd - clusterStart > totalLeft)
            break; // this stretch is cut anyway: no need to look further
        // A later hit whose window ends inside the stretch adds nothing: skip ahead.
        from = std::max(hit + 1, clusterEnd - limits.after - scan.longestSeed());
    }
    if (clusterStart >= 0)
        list.cutShort = !appendRegion(clusterStart, clusterEnd, limits, totalLeft, list.regions);
    return list;
}

RegionMarkup MakeRegionMarkup(QByteArrayView page, const AdRegion& region, const AdMarkerTable& markers,
                              PageCharset& charset, const MarkupBudget& budget) {
    return RegionWriter(page, region, markers, charset, budget).write();
}

} // namespace velmora::search
