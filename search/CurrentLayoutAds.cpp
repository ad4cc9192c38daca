#include "search/CurrentLayoutAds.h"

#include "search/AdMarkers.h"
#include "search/AdRegions.h"
#include "search/PageCharset.h"

#include <QChar>

#include <gumbo.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace velmora::search {
namespace {

// ---- Cell text -------------------------------------------------------------------------------

constexpr char32_t ReplacementCharacter = 0xFFFD;

// Decodes one UTF-8 sequence at text[i]; malformed bytes give U+FFFD one at a time.
char32_t decodeUtf8(QByteArrayView text, qsizetype& i) {
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return ReplacementCharacter;
    }
    if (i + length > text.size()) {
        ++i;
        return ReplacementCharacter;
    }
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return ReplacementCharacter;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return ReplacementCharacter;
    }
    i += length;
    return cp;
}

void appendUtf8(char32_t cp, QByteArray& out) {
    if (cp < 0x80) {
        out.append(char(cp));
    } else if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xF0 | (cp >> 18)));
        out.append(char(0x80 | ((cp >> 12) & 0x3F)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

bool isBlank(char32_t cp) {
    return cp == ' ' || (cp >= 0x09 && cp <= 0x0D) || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
           (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F ||
           cp == 0x3000;
}

// Characters that show nothing: controls, soft hyphen, zero-width and direction marks.
bool isInvisible(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0xAD || (cp >= 0x200B && cp <= 0x200F) ||
           (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x206F) || cp == 0xFEFF;
}

// The text as a person reads it: runs of blanks as one space, nothing invisible, no blank at
// either end, valid UTF-8.
QByteArray collapsed(QByteArrayView text) {
    QByteArray out;
    out.reserve(text.size());
    bool blankPending = false;
    for (qsizetype i = 0; i < text.size();) {
        const char32_t cp = decodeUtf8(text, i);
        if (isBlank(cp)) {
            blankPending = !out.isEmpty();
        } else if (!isInvisible(cp)) {
            if (blankPending)
                out.append(' ');
            blankPending = false;
            appendUtf8(cp, out);
        }
    }
    return out;
}

// How much a block of collapsed text says: its letters and digits.
qsizetype weight(QByteArrayView text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (QChar::isLetterOrNumber(decodeUtf8(text, i)))
            ++count;
    }
    return count;
}

// ---- The parsed region ---------------------------------------------------------------------------

bool isBlockLevel(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_P:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TBODY:
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TFOOT:
    case GUMBO_TAG_TH:
    case GUMBO_TAG_THEAD:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_UL:
        return true;
    default:
        return false;
    }
}

// Elements that hold no text of an ad: controls and embedded things.
bool holdsNoAdText(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_BUTTON:
    case GUMBO_TAG_SELECT:
    case GUMBO_TAG_OPTION:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_APPLET:
    case GUMBO_TAG_VIDEO:
    case GUMBO_TAG_AUDIO:
    case GUMBO_TAG_CANVAS:
        return true;
    default:
        return false;
    }
}

bool listHas(std::span<const QByteArrayView> list, QByteArrayView value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

QByteArrayView attribute(const GumboNode* node, const char* name) {
    const GumboAttribute* attr = gumbo_get_attribute(&node->v.element.attributes, name);
    return attr ? QByteArrayView(attr->value) : QByteArrayView();
}

bool hasAttribute(const GumboNode* node, const char* name) {
    return gumbo_get_attribute(&node->v.element.attributes, name) != nullptr;
}

// One node of the region's tree, in document order; its subtree is the range [index, end).
struct Item {
    const GumboNode* node = nullptr;
    qsizetype parent = -1;
    qsizetype end = 0;
    bool element = false;
    bool text = false;
    bool hidden = false;    // itself or an ancestor
    bool heading = false;   // a heading not inside another heading
    bool inHeading = false; // a heading, or inside one
    bool address = false;
    bool link = false;
    bool adClick = false;
    bool adBlock = false;
    bool inAdBlock = false; // an ad block, or inside one
    QByteArrayView place;   // the nearest ad block's place (TopBlock, BottomBlock), or empty
    bool label = false;     // a shown text that is an ad label
    bool blockLevel = false;
    bool noText = false; // a control, or an element with a skipped role
    qsizetype adClickAncestor = -1;
    qsizetype linkAncestor = -1;
    qsizetype containerAncestor = -1; // the nearest ad container, itself included
};

// Memory for one parse, freed at once when the region has been read: the tree builder makes many
// small blocks, and handing each back on its own costs more than the parse.
class ParseArena {
public:
    static void* allocate(void* arena, size_t size) { return static_cast<ParseArena*>(arena)->take(size); }
    static void release(void*, void*) {}

private:
    static constexpr size_t BlockSize = 256 * 1024;
    static constexpr size_t Alignment = alignof(std::max_align_t);

    void* take(size_t size) {
        size = (size + Alignment - 1) / Alignment * Alignment;
        if (size > BlockSize / 4) {
            m_blocks.emplace_back(new std::byte[size]); // left unfilled: the parser writes before it reads
            return m_blocks.back().get();
        }
        if (!m_current || m_used + size > BlockSize) {
            m_blocks.emplace_back(new std::byte[BlockSize]);
            m_current = m_blocks.back().get();
            m_used = 0;
        }
        void* block = m_current + m_used;
        m_used += size;
        return block;
    }

    std::vector<std::unique_ptr<std::byte[]>> m_blocks;
    std::byte* m_current = nullptr;
    size_t m_used = 0;
};

// How many items of a kind a subtree holds, from running counts over the items in document order.
class RunningCount {
public:
    template <typename Items, typename Pred> void build(const Items& items, Pred pred) {
        m_before.assign(items.size() + 1, 0);
        for (size_t i = 0; i < items.size(); ++i)
            m_before[i + 1] = m_before[i] + (pred(items[i], qsizetype(i)) ? 1 : 0);
    }
    qsizetype in(qsizetype from, qsizetype end) const { return m_before[end] - m_before[from]; }

private:
    std::vector<qsizetype> m_before;
};

class RegionReader {
public:
    RegionReader(const RegionMarkup& markup, QByteArrayView keyword, qsizetype& position, AdRowSink& sink)
        : m_markup(markup), m_markers(CurrentAdMarkers()), m_keyword(keyword.toByteArray()),
          m_position(position), m_sink(sink) {}

    // True when the region holds an ad beyond the page's number of ads.
    bool overLimit() const { return m_overLimit; }
    // True when the region shows the signs of a text ad that no row accounts for.
    bool missedAds() const { return m_missedAds; }

    void read() {
        ParseArena arena; // holds the whole tree; nothing of it outlives this call
        GumboOptions options = kGumboDefaultOptions;
        options.allocator = &ParseArena::allocate;
        options.deallocator = &ParseArena::release;
        options.userdata = &arena;
        options.max_errors = 0;
        options.fragment_context = GUMBO_TAG_DIV;
        const GumboOutput* output =
            gumbo_parse_with_options(&options, m_markup.html.constData(), size_t(m_markup.html.size()));
        if (!output || !output->root)
            return;
        flatten(output->root);
        findTitles();
        readAds();
        if (!m_overLimit)
            findMissedAds();
    }

private:
    void flatten(const GumboNode* root) {
        std::vector<std::pair<const GumboNode*, qsizetype>> pending{{root, -1}};
        while (!pending.empty()) {
            const auto [node, parent] = pending.back();
            pending.pop_back();
            const qsizetype index = qsizetype(m_items.size());
            m_items.push_back(describe(node, parent));
            m_items[index].end = index + 1;
            if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
                const GumboVector& children = node->v.element.children;
                for (unsigned k = children.length; k-- > 0;)
                    pending.emplace_back(static_cast<const GumboNode*>(children.data[k]), index);
            }
        }
        for (qsizetype i = qsizetype(m_items.size()) - 1; i > 0; --i) {
            Item& parent = m_items[m_items[i].parent];
            parent.end = std::max(parent.end, m_items[i].end);
        }
        m_headings.build(m_items, [](const Item& item, qsizetype) { return item.heading; });
        m_looseHeadings.build(m_items,
                              [](const Item& item, qsizetype) { return item.heading && !item.inAdBlock; });
        m_adClicks.build(m_items, [](const Item& item, qsizetype) { return item.adClick; });
        m_links.build(m_items, [](const Item& item, qsizetype) { return item.link; });
        m_labels.build(m_items, [](const Item& item, qsizetype) { return item.label; });
        m_addresses.build(m_items, [](const Item& item, qsizetype) { return item.address && !item.hidden; });
    }

    Item describe(const GumboNode* node, qsizetype parentIndex) const {
        Item item;
        item.node = node;
        item.parent = parentIndex;
        const Item* parent = parentIndex >= 0 ? &m_items[parentIndex] : nullptr;
        if (parent) {
            item.hidden = parent->hidden;
            item.inHeading = parent->inHeading;
            item.inAdBlock = parent->inAdBlock;
            item.place = parent->place;
            item.adClickAncestor = parent->adClick ? parentIndex : parent->adClickAncestor;
            item.linkAncestor = parent->link ? parentIndex : parent->linkAncestor;
            item.containerAncestor = parent->containerAncestor;
        }
        item.text = node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE;
        item.element = node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE;
        if (item.text)
            item.label = !item.hidden && isLabel(node->v.text.text);
        if (!item.element)
            return item;
        const GumboTag tag = node->v.element.tag;
        const QByteArrayView tagName(gumbo_normalized_tagname(tag));
        const QByteArrayView role = attribute(node, region_attr::Role);
        item.hidden = item.hidden || hasAttribute(node, region_attr::Hidden) ||
                      node->v.element.tag_namespace != GUMBO_NAMESPACE_HTML || tag == GUMBO_TAG_TEMPLATE;
        const bool heading = role == m_markers.headingRole || listHas(m_markers.headingTags, tagName);
        item.heading = heading && !item.inHeading;
        item.inHeading = item.inHeading || heading;
        item.address = role == m_markers.addressRole || listHas(m_markers.addressTags, tagName);
        item.link = tag == GUMBO_TAG_A;
        item.adClick = item.link && hasAttribute(node, region_attr::AdClick);
        item.adBlock = hasAttribute(node, region_attr::AdBlock);
        if (item.adBlock)
            item.place = attribute(node, region_attr::AdBlock);
        item.inAdBlock = item.inAdBlock || item.adBlock;
        item.blockLevel = isBlockLevel(tag);
        item.noText = holdsNoAdText(tag) || listHas(m_markers.skippedRoles, role);
        if (hasAttribute(node, region_attr::AdContainer))
            item.containerAncestor = qsizetype(m_items.size());
        return item;
    }

    qsizetype in(const RunningCount& count, qsizetype i) const { return count.in(i, m_items[i].end); }

    // The nearest element around item i (itself included) that holds one of `count`, or -1.
    qsizetype nearestHolding(const RunningCount& count, qsizetype i) const {
        while (i >= 0 && in(count, i) == 0)
            i = m_items[i].parent;
        return i;
    }

    // A heading that may title an ad: shown, and inside an ad-click link or holding one, or else a
    // link's heading whose nearest ad-click link is its own (older layouts put the ad-click link
    // apart, beside the link a person sees).
    bool mayTitle(qsizetype i) const {
        const Item& item = m_items[i];
        if (!item.heading || item.hidden)
            return false;
        if (item.adClickAncestor >= 0 || in(m_adClicks, i) > 0)
            return true;
        if (item.linkAncestor < 0 && in(m_links, i) == 0)
            return false;
        const qsizetype around = nearestHolding(m_adClicks, item.parent);
        return around >= 0 && in(m_headings, around) == 1;
    }

    // Titles: in an ad container, the headings that may title an ad; elsewhere only those nearest
    // to a label of their own. So the headings of sitelinks, whose nearest label is their ad's,
    // and the tiles of a carousel, which share one label, title nothing.
    void findTitles() {
        std::vector<bool> candidate(m_items.size(), false);
        for (qsizetype i = 0; i < qsizetype(m_items.size()); ++i)
            candidate[size_t(i)] = mayTitle(i);
        m_candidates.build(m_items, [&](const Item&, qsizetype i) { return bool(candidate[size_t(i)]); });
        m_title.assign(m_items.size(), false);
        for (qsizetype i = 0; i < qsizetype(m_items.size()); ++i) {
            if (!candidate[size_t(i)])
                continue;
            if (m_items[i].containerAncestor >= 0) {
                m_title[size_t(i)] = true;
                continue;
            }
            const qsizetype labelled = nearestHolding(m_labels, i);
            m_title[size_t(i)] = labelled >= 0 && in(m_candidates, labelled) == 1;
        }
        m_titles.build(m_items, [&](const Item&, qsizetype i) { return bool(m_title[size_t(i)]); });
    }

    // The element that holds the ad of this title: its container, or the largest element around
    // it that holds no other title and stays inside the region and inside its block of ads.
    qsizetype adAround(qsizetype title) const {
        const qsizetype container = m_items[title].containerAncestor;
        return container >= 0 ? container : adReach(title);
    }

    // All of the page that belongs to the ad around `unit`: up to the largest element that holds no
    // other title, inside its block of ads, and, outside the blocks, no other heading (of a result,
    // say). What stands there (a panel of more ads that a person does not see, a hidden copy of the
    // address, a box of searches that follows the ad) is the ad's.
    qsizetype adReach(qsizetype unit) const {
        const qsizetype ownLoose = in(m_looseHeadings, unit);
        while (true) {
            const qsizetype parent = m_items[unit].parent;
            if (parent <= 0 || m_items[parent].adBlock || in(m_titles, parent) != 1 ||
                in(m_looseHeadings, parent) != ownLoose)
                return unit;
            unit = parent;
        }
    }

    qsizetype offsetOf(qsizetype i) const {
        const GumboNode* node = m_items[i].node;
        return qsizetype(m_items[i].element ? node->v.element.start_pos.offset
                                            : node->v.text.start_pos.offset);
    }

    bool isOwn(qsizetype i) const {
        const qsizetype offset = offsetOf(i);
        return offset >= m_markup.ownStart && offset < m_markup.ownEnd;
    }

    void readAds() {
        std::vector<bool> used(m_items.size(), false);
        for (qsizetype i = 0; i < qsizetype(m_items.size()) && !m_overLimit; ++i) {
            if (!m_title[size_t(i)] || !isOwn(i))
                continue;
            const qsizetype unit = adAround(i);
            if (used[size_t(unit)])
                continue; // a second title in one ad: a sitelink
            used[size_t(unit)] = true;
            if (readAd(unit, i))
                m_reaches.push_back(adReach(unit));
        }
    }

    // A label in a block of ads or in an ad-click link that no ad read accounts for, whose nearest
    // ad-click link is its own and which has a displayed address: the sign of a text ad that was
    // not read (its title missing, or markup this reader does not know). A label shared by the
    // tiles of a carousel, a label without an ad-click link (a box of the engine's own), a label
    // whose nearest ad-click link is anywhere in the block (the block's caption) and one outside
    // the blocks of ads and ad-click links are no such sign.
    void findMissedAds() {
        for (qsizetype i = 0; i < qsizetype(m_items.size()) && !m_missedAds; ++i) {
            const Item& label = m_items[i];
            if (!label.label || !(label.inAdBlock || label.adClickAncestor >= 0) || !isOwn(i))
                continue;
            const bool accounted = std::any_of(m_reaches.begin(), m_reaches.end(), [&](qsizetype reach) {
                return i >= reach && i < m_items[reach].end;
            });
            if (accounted)
                continue;
            const qsizetype around = nearestHolding(m_adClicks, m_items[i].parent);
            if (around < 0 || m_items[around].adBlock || in(m_candidates, around) > 1)
                continue;
            m_missedAds = in(m_addresses, around) > 0 || besideLabel(i) >= 0;
        }
    }

    QByteArray textOf(qsizetype from) const {
        QByteArray raw;
        for (qsizetype i = from; i < m_items[from].end; ++i) {
            const Item& item = m_items[i];
            if (item.element && (item.hidden || item.noText)) {
                i = item.end - 1;
            } else if (item.text) {
                raw.append(item.node->v.text.text);
            } else if (item.element && (item.blockLevel || item.node->v.element.tag == GUMBO_TAG_BR)) {
                raw.append(' ');
            }
        }
        return collapsed(raw);
    }

    bool isLabel(QByteArrayView text) const {
        if (text.size() > LongestLabel)
            return false;
        QByteArray label = collapsed(text);
        while (label.endsWith(' ') || label.endsWith(':') || label.endsWith("\xC2\xB7"))
            label.chop(label.endsWith("\xC2\xB7") ? 2 : 1);
        return listHas(m_markers.labels, label);
    }

    QByteArray shownText(qsizetype i) const {
        return m_items[i].text ? collapsed(m_items[i].node->v.text.text) : textOf(i);
    }

    // The displayed address beside a label ("Ad · www.example.com"): the first of the next few
    // things after the label, or after the small element that holds nothing but the label and a
    // separator, that shows a letter or digit; none when that is no small piece of text (a heading,
    // a block of more). -1 when there is none. It looks at a few small items only, so a page of
    // many labels costs no more per label than one of few.
    qsizetype besideLabel(qsizetype label) const {
        constexpr int SiblingsLooked = 4;
        constexpr qsizetype MostItems = 16; // in an address, or in the element that holds a label
        qsizetype at = label;
        const qsizetype labelWeight = weight(shownText(label));
        for (int level = 0; level < 2 && at > 0; ++level) {
            const qsizetype parent = m_items[at].parent;
            qsizetype s = m_items[at].end;
            for (int looked = 0; looked < SiblingsLooked && s < m_items[parent].end;
                 ++looked, s = m_items[s].end) {
                const Item& sibling = m_items[s];
                if (sibling.element && (sibling.hidden || sibling.noText))
                    continue;
                if (sibling.end - s > MostItems || in(m_headings, s) > 0)
                    return -1;
                if (weight(shownText(s)) > 0)
                    return s;
            }
            at = parent;
            if (m_items[at].end - at > MostItems || weight(textOf(at)) != labelWeight)
                break;
        }
        return -1;
    }

    bool readAd(qsizetype unit, qsizetype title) {
        AdRow row;
        row.title = textOf(title);
        if (row.title.isEmpty())
            return false;
        bool labelled = false;
        QByteArray besideLabelUrl;
        std::vector<bool> besideLabels(size_t(m_items[unit].end - unit), false); // addresses: no ad text
        QByteArray block;
        QByteArray best;
        qsizetype bestWeight = 0;
        const auto endBlock = [&] {
            QByteArray text = collapsed(block);
            block.clear();
            const qsizetype w = weight(text);
            if (w > bestWeight) {
                bestWeight = w;
                best = std::move(text);
            }
        };
        std::vector<qsizetype> openBlocks; // ends of the block elements we are in
        qsizetype linkEnd = -1;            // text inside links is no ad text
        for (qsizetype i = unit; i < m_items[unit].end; ++i) {
            while (!openBlocks.empty() && openBlocks.back() <= i) {
                openBlocks.pop_back();
                endBlock();
            }
            const Item& item = m_items[i];
            if (besideLabels[size_t(i - unit)]) {
                i = item.end - 1;
                continue;
            }
            if (item.text) {
                if (item.label) {
                    labelled = true;
                    if (const qsizetype address = besideLabel(i); address >= 0) {
                        if (address < m_items[unit].end)
                            besideLabels[size_t(address - unit)] = true;
                        if (besideLabelUrl.isEmpty())
                            besideLabelUrl = shownText(address);
                    }
                } else if (i >= linkEnd) {
                    block.append(item.node->v.text.text);
                }
                continue;
            }
            if (!item.element)
                continue;
            // The title is read apart, other headings are no ad text, and an ad inside this one
            // (markup that left the ad's container open) has its own row.
            if (item.hidden || item.noText || item.inHeading || (item.containerAncestor == i && i != unit)) {
                i = item.end - 1;
                continue;
            }
            if (item.address) {
                if (row.url.isEmpty())
                    row.url = textOf(i);
                i = item.end - 1;
                continue;
            }
            if (item.link)
                linkEnd = std::max(linkEnd, item.end);
            if (item.node->v.element.tag == GUMBO_TAG_BR) {
                block.append(' ');
            } else if (item.blockLevel) {
                endBlock();
                openBlocks.push_back(item.end);
            }
        }
        endBlock();
        row.text = std::move(best);
        if (row.url.isEmpty())
            row.url = std::move(besideLabelUrl);
        // A text ad carries its label and shows an address or a text under its title; a labelled
        // heading with neither is the head of some other sponsored box.
        if (!labelled || (row.text.isEmpty() && row.url.isEmpty()))
            return false;
        if (m_position >= MaxAdsPerPage) {
            m_overLimit = true;
            return false;
        }
        row.keyword = m_keyword;
        row.position = QByteArray::number(++m_position);
        row.block = m_items[unit].place.toByteArray();
        m_sink.appendRow(row);
        return true;
    }

    // No label is longer than this, blanks around it included.
    static constexpr qsizetype LongestLabel = 64;

    const RegionMarkup& m_markup;
    const AdMarkerTable& m_markers;
    const QByteArray m_keyword;
    qsizetype& m_position;
    AdRowSink& m_sink;
    std::vector<Item> m_items;
    RunningCount m_headings;
    RunningCount m_looseHeadings; // outside the blocks of ads
    RunningCount m_adClicks;
    RunningCount m_links;
    RunningCount m_labels;
    RunningCount m_addresses;
    RunningCount m_candidates;
    RunningCount m_titles;
    std::vector<bool> m_title;
    std::vector<qsizetype> m_reaches; // of the ads read
    bool m_overLimit = false;
    bool m_missedAds = false;
};

} // namespace

AdsRead ReadCurrentLayoutAds(QByteArrayView pageText, QByteArrayView keyword, AdRowSink& sink) {
    const AdMarkerTable& markers = CurrentAdMarkers();
    PageCharset charset = PageCharset::forPage(pageText);
    QByteArray converted;
    if (!charset.asciiCompatible()) {
        // A UTF-16 page: its markup can only be found once it is UTF-8.
        charset.appendUtf8(pageText, converted);
        pageText = converted;
        charset = std::move(*PageCharset::named("utf-8"));
    }
    qsizetype position = 0;
    bool missedAds = false;
    AdRegionLimits limits;
    limits.maxTotalLength = MaxRegionBytesPerPage;
    const AdRegionList regions = FindAdRegions(pageText, markers, limits);
    MarkupBudget budget{MaxRegionMarkupPerPage, limits.after};
    for (const AdRegion& region : regions.regions) {
        if (budget.markupBytes <= 0)
            return AdsRead::CutShort;
        const RegionMarkup markup = MakeRegionMarkup(pageText, region, markers, charset, budget);
        budget.markupBytes -= markup.html.size();
        RegionReader reader(markup, keyword, position, sink);
        reader.read();
        if (reader.overLimit() || markup.cutShort)
            return AdsRead::CutShort;
        missedAds = missedAds || reader.missedAds();
    }
    if (regions.cutShort)
        return AdsRead::CutShort;
    return missedAds ? AdsRead::MissedAds : AdsRead::Whole;
}

} // namespace velmora::search
