#include "search/AdRegions.h"

#include "search/HtmlTagScan.h"
#include "search/PageCharset.h"

#include <algorithm>

namespace velmora::search {
namespace {

// Nesting the parser may see. Deeper tags are left out: real pages stay far below, and the tree
// builder's work per tag grows with the depth of its stack.
constexpr qsizetype kMaxDepth = 256;
// Open formatting elements (<b>, <a> ...) after the last table cell: the tree builder re-opens all
// of them for every piece of text when markup closed them unevenly.
constexpr qsizetype kMaxFormatting = 12;
// Open cells, captions and objects: each starts a new list of formatting elements.
constexpr qsizetype kMaxScopes = 16;

bool isOneOf(QByteArrayView name, std::initializer_list<QByteArrayView> names) {
    return std::any_of(names.begin(), names.end(), [&](QByteArrayView n) { return name == n; });
}

bool isVoid(QByteArrayView n) {
    return isOneOf(n, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr", "image",
                       "img", "input", "keygen", "link", "meta", "param", "source", "track", "wbr"});
}

// Elements whose content is not markup, or not shown, or of no use to the reader: dropped whole.
bool isDroppedWithContent(QByteArrayView n) {
    return isOneOf(n, {"script", "style", "xmp", "iframe", "noembed", "noframes", "noscript", "textarea",
                       "title", "template", "svg", "math"});
}

bool isFormatting(QByteArrayView n) {
    return isOneOf(
        n, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike", "strong", "tt", "u"});
}

// Elements that start a new list of formatting elements.
bool isScope(QByteArrayView n) {
    return isOneOf(n, {"td", "th", "caption", "marquee", "object", "applet"});
}

// Elements an end tag of another element never closes past.
bool isBoundary(QByteArrayView n) {
    return isScope(n) || isOneOf(n, {"html", "table"});
}

bool closesParagraph(QByteArrayView n) {
    return isOneOf(n,
                   {"address", "article", "aside",    "blockquote", "center", "details", "dialog",  "dir",
                    "div",     "dl",      "fieldset", "figcaption", "figure", "footer",  "header",  "hgroup",
                    "main",    "menu",    "nav",      "ol",         "p",      "section", "summary", "ul",
                    "h1",      "h2",      "h3",       "h4",         "h5",     "h6",      "pre",     "listing",
                    "form",    "table",   "hr",       "li",         "dd",     "dt"});
}

bool isHeadingTag(QByteArrayView n) {
    return isOneOf(n, {"h1", "h2", "h3", "h4", "h5", "h6"});
}

bool isTableSection(QByteArrayView n) {
    return isOneOf(n, {"tbody", "thead", "tfoot"});
}

bool isPlainName(QByteArrayView name) {
    if (name.isEmpty() || name.size() > 64)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return html::isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':' ||
               c == '.';
    });
}

bool listHas(std::span<const QByteArrayView> list, QByteArrayView value, bool ignoreCase) {
    return std::any_of(list.begin(), list.end(), [&](QByteArrayView item) {
        return ignoreCase ? html::equalsIgnoringCase(item, value) : item == value;
    });
}

QByteArray withoutBlanksLowered(QByteArrayView value) {
    QByteArray out;
    out.reserve(value.size());
    for (const char c : value) {
        if (!html::isSpace(c))
            out.append(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
    }
    return out;
}

// What the reader needs of one start tag's attributes.
struct TagFlags {
    bool adClick = false;
    bool adContainer = false;
    bool adBlock = false;
    bool hidden = false;
    QByteArrayView role; // from the table, or empty
};

class RegionWriter {
public:
    RegionWriter(QByteArrayView page, const AdRegion& region, const AdMarkerTable& markers,
                 PageCharset& charset)
        : text_(page.first(region.end)), region_(region), markers_(markers), charset_(charset) {
        out_.reserve((region.end - region.start) / 2);
    }

    RegionMarkup write() {
        qsizetype pos = text_.indexOf('<', region_.start);
        if (pos < 0)
            pos = text_.size();
        while (pos < text_.size()) {
            noteOwnPart(pos);
            const qsizetype lt = text_.indexOf('<', pos);
            if (lt != pos) {
                const qsizetype textEnd = lt < 0 ? text_.size() : lt;
                charset_.appendUtf8(text_.sliced(pos, textEnd - pos), out_);
                pos = textEnd;
                continue;
            }
            TagFlags flags;
            const html::Tag tag = html::readTag(text_, pos, [&](QByteArrayView name, QByteArrayView value) {
                readAttribute(name, value, flags);
            });
            if (!tag.complete)
                break; // the region, or the page, ends inside it
            pos = tag.end;
            switch (tag.kind) {
            case html::TagKind::Text:
                out_.append("&lt;");
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
        noteOwnPart(text_.size());
        return {std::move(out_), ownStart_ < 0 ? out_.size() : ownStart_,
                ownEnd_ < 0 ? out_.size() : ownEnd_};
    }

private:
    void noteOwnPart(qsizetype pos) {
        if (ownStart_ < 0 && pos >= region_.ownStart)
            ownStart_ = out_.size();
        if (ownEnd_ < 0 && pos >= region_.ownEnd)
            ownEnd_ = out_.size();
    }

    void readAttribute(QByteArrayView name, QByteArrayView value, TagFlags& flags) const {
        if (html::equalsIgnoringCase(name, "href")) {
            for (const QByteArrayView part : markers_.adClickHrefParts) {
                if (value.contains(part))
                    flags.adClick = true;
            }
        } else if (html::equalsIgnoringCase(name, "id")) {
            flags.adBlock = flags.adBlock || listHas(markers_.blockIds, value, false);
        } else if (html::equalsIgnoringCase(name, "role")) {
            const QByteArrayView role = value.trimmed();
            if (html::equalsIgnoringCase(role, markers_.headingRole))
                flags.role = markers_.headingRole;
            else if (html::equalsIgnoringCase(role, markers_.addressRole))
                flags.role = markers_.addressRole;
            for (const QByteArrayView skipped : markers_.skippedRoles) {
                if (html::equalsIgnoringCase(role, skipped))
                    flags.role = skipped;
            }
        } else if (html::equalsIgnoringCase(name, "hidden")) {
            flags.hidden = true;
        } else if (html::equalsIgnoringCase(name, "style")) {
            const QByteArray style = withoutBlanksLowered(value);
            for (const QByteArrayView hiding : markers_.hiddenStyles) {
                if (style.contains(hiding))
                    flags.hidden = true;
            }
        } else {
            flags.adClick = flags.adClick || listHas(markers_.adClickAttributes, name, true);
            flags.adContainer = flags.adContainer || listHas(markers_.adContainerAttributes, name, true);
        }
    }

    // Returns where reading goes on: after the content of an element that is dropped whole.
    qsizetype startTag(const html::Tag& tag, TagFlags flags, qsizetype pos) {
        const QByteArray name = tag.name.toByteArray().toLower();
        if (name == "plaintext")
            return text_.size();
        if (isDroppedWithContent(name))
            return html::skipRawText(text_, pos, name);
        if (!isPlainName(name))
            return pos;
        if (isVoid(name)) {
            if (name == "br" || name == "hr")
                out_.append('<' + name + '>');
            return pos;
        }
        closeImplied(name);
        if (qsizetype(stack_.size()) >= kMaxDepth)
            return pos;
        if (isFormatting(name)) {
            if (name == "a")
                closeOpenLink();
            if (formattingSinceScope() >= kMaxFormatting)
                return pos;
            formatting_.push_back(name);
        }
        if (isScope(name)) {
            if (std::count_if(stack_.begin(), stack_.end(), [](const QByteArray& n) { return isScope(n); }) >=
                kMaxScopes)
                return pos;
            formatting_.push_back(QByteArray()); // the scope's marker
        }
        stack_.push_back(name);
        out_.append('<');
        out_.append(name);
        if (flags.adClick && name == "a")
            out_.append(' ').append(region_attr::kAdClick);
        if (flags.adContainer)
            out_.append(' ').append(region_attr::kAdContainer);
        if (flags.adBlock)
            out_.append(' ').append(region_attr::kAdBlock);
        if (flags.hidden)
            out_.append(' ').append(region_attr::kHidden);
        if (!flags.role.isEmpty())
            out_.append(' ').append(region_attr::kRole).append("=\"").append(flags.role).append('"');
        out_.append('>');
        return pos;
    }

    void endTag(const html::Tag& tag) {
        const QByteArray name = tag.name.toByteArray().toLower();
        if (name == "br") {
            out_.append("<br>");
            return;
        }
        if (isFormatting(name))
            forgetFormatting(name);
        const qsizetype at = openIndex(name, !isBoundary(name));
        if (at < 0)
            return;
        popTo(at);
        out_.append("</");
        out_.append(name);
        out_.append('>');
    }

    // Index of the innermost open element called `name`, not looking past a boundary element
    // when `stopAtBoundary`; -1 when there is none.
    qsizetype openIndex(QByteArrayView name, bool stopAtBoundary,
                        std::initializer_list<QByteArrayView> alsoStopAt = {}) const {
        for (qsizetype i = qsizetype(stack_.size()) - 1; i >= 0; --i) {
            if (stack_[i] == name)
                return i;
            if ((stopAtBoundary && isBoundary(stack_[i])) || isOneOf(stack_[i], alsoStopAt))
                return -1;
        }
        return -1;
    }

    // Pops the element at `at` and everything opened inside it. The formatting elements among them
    // stay in the list, as they do in the tree builder; a closed cell ends its list.
    void popTo(qsizetype at) {
        while (qsizetype(stack_.size()) > at) {
            if (isScope(stack_.back())) {
                while (!formatting_.empty() && !formatting_.back().isEmpty())
                    formatting_.pop_back();
                if (!formatting_.empty())
                    formatting_.pop_back();
            }
            stack_.pop_back();
        }
    }

    // The end tags the tree builder implies before this start tag.
    void closeImplied(QByteArrayView name) {
        qsizetype at = -1;
        if (closesParagraph(name))
            at = openIndex("p", true, {"button"});
        if (at >= 0)
            popTo(at);
        at = -1;
        if (name == "li")
            at = openIndex("li", true, {"ul", "ol", "menu"});
        else if (name == "dd" || name == "dt")
            at = std::max(openIndex("dd", true, {"dl"}), openIndex("dt", true, {"dl"}));
        else if (name == "tr")
            at = openIndex("tr", false, {"table"});
        else if (name == "td" || name == "th")
            at = std::max(openIndex("td", false, {"tr", "table"}), openIndex("th", false, {"tr", "table"}));
        else if (isTableSection(name))
            at = std::max({openIndex("tbody", false, {"table"}), openIndex("thead", false, {"table"}),
                           openIndex("tfoot", false, {"table"})});
        else if (name == "option" || name == "optgroup")
            at = openIndex("option", true, {"select"});
        else if (isHeadingTag(name) && !stack_.empty() && isHeadingTag(stack_.back()))
            at = qsizetype(stack_.size()) - 1;
        if (at >= 0)
            popTo(at);
    }

    // A new link closes the one still open, as the tree builder's adoption step does.
    void closeOpenLink() {
        if (!forgetFormatting("a"))
            return;
        const qsizetype at = openIndex("a", true);
        if (at >= 0) {
            popTo(at);
            out_.append("</a>");
        }
    }

    // Removes the innermost entry for `name` from the formatting list; false when there is none.
    bool forgetFormatting(QByteArrayView name) {
        for (auto it = formatting_.rbegin(); it != formatting_.rend() && !it->isEmpty(); ++it) {
            if (*it == name) {
                formatting_.erase(std::next(it).base());
                return true;
            }
        }
        return false;
    }

    qsizetype formattingSinceScope() const {
        qsizetype count = 0;
        for (auto it = formatting_.rbegin(); it != formatting_.rend() && !it->isEmpty(); ++it)
            ++count;
        return count;
    }

    QByteArrayView text_;
    const AdRegion& region_;
    const AdMarkerTable& markers_;
    PageCharset& charset_;
    QByteArray out_;
    std::vector<QByteArray> stack_;
    std::vector<QByteArray> formatting_; // an empty name is a scope's marker
    qsizetype ownStart_ = -1;
    qsizetype ownEnd_ = -1;
};

void appendRegions(qsizetype start, qsizetype end, const AdRegionLimits& limits,
                   std::vector<AdRegion>& regions) {
    if (end - start <= limits.maxLength) {
        regions.push_back({start, end, start, end});
        return;
    }
    // Overlapping pieces: each one's own part has `before` and `after` of context around it.
    const qsizetype step = std::max<qsizetype>(limits.maxLength - limits.before - limits.after, 1);
    for (qsizetype s = start;; s += step) {
        const qsizetype e = std::min(s + limits.maxLength, end);
        regions.push_back({s, e, s == start ? start : s + limits.before, e == end ? end : e - limits.after});
        if (e == end)
            break;
    }
}

} // namespace

std::vector<AdRegion> FindAdRegions(QByteArrayView page, const AdMarkerTable& markers,
                                    const AdRegionLimits& limits) {
    std::vector<AdRegion> regions;
    const qsizetype n = page.size();
    const std::span<const QByteArrayView> seeds = markers.regionSeeds;
    qsizetype longestSeed = 0;
    for (const QByteArrayView seed : seeds)
        longestSeed = std::max(longestSeed, seed.size());
    // The next hit of each seed at or after `from`; -1 once a seed has no more.
    std::vector<qsizetype> next(seeds.size(), -2);
    qsizetype from = 0;
    qsizetype clusterStart = -1;
    qsizetype clusterEnd = -1;
    while (true) {
        qsizetype hit = -1;
        qsizetype hitLength = 0;
        for (size_t i = 0; i < seeds.size(); ++i) {
            if (next[i] == -1)
                continue;
            if (next[i] < from)
                next[i] = page.indexOf(seeds[i], from);
            if (next[i] >= 0 && (hit < 0 || next[i] < hit)) {
                hit = next[i];
                hitLength = seeds[i].size();
            }
        }
        if (hit < 0)
            break;
        const qsizetype windowStart = std::max<qsizetype>(0, hit - limits.before);
        const qsizetype windowEnd = std::min(n, hit + hitLength + limits.after);
        if (clusterStart >= 0 && windowStart <= clusterEnd) {
            clusterEnd = std::max(clusterEnd, windowEnd);
        } else {
            if (clusterStart >= 0)
                appendRegions(clusterStart, clusterEnd, limits, regions);
            clusterStart = windowStart;
            clusterEnd = windowEnd;
        }
        // A later hit whose window ends inside the stretch adds nothing: skip ahead.
        from = std::max(hit + 1, clusterEnd - limits.after - longestSeed);
    }
    if (clusterStart >= 0)
        appendRegions(clusterStart, clusterEnd, limits, regions);
    return regions;
}

RegionMarkup MakeRegionMarkup(QByteArrayView page, const AdRegion& region, const AdMarkerTable& markers,
                              PageCharset& charset) {
    return RegionWriter(page, region, markers, charset).write();
}

} // namespace velmora::search
