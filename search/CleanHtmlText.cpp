#include "search/CleanHtmlText.h"

#include <QByteArrayView>

#include <array>
#include <cstring>

namespace velmora::search {
namespace {

struct Replacement {
    QByteArrayView find;
    QByteArrayView replaceWith;
};

// The order matters: tags go before entities are decoded (so "&lt;b&gt;" ends as "<b>"),
// "<b>...</b>" only matches what the tag removals have just joined, and "&amp;" is decoded
// after the entities that it could otherwise forge but before "&#39;" and "&nbsp;".
// No replacement is longer than what it replaces, which lets every pass work in place.
// clang-format off
constexpr std::array<Replacement, 19> kReplacements{{
    {"<b>", ""},
    {"</b>", ""},
    {"</ol>", ""},
    {"<br>", ""},
    {"<strong>", ""},
    {"</strong>", ""},
    {"<em>", ""},
    {"</em>", ""},
    {"<h3>", ""},
    {"</h3>", ""},
    {"<b>...</b>", "..."},
    {"&quot;", "\""},
    {"&apos;", "'"},
    {"&gt;", ">"},
    {"&lt;", "<"},
    {"&amp;", "&"},
    {"&#39;", "'"},
    {"&nbsp;", ""},
    {"  ", " "},
}};
// clang-format on

constexpr Replacement kHalveSpaces{"  ", " "};

static_assert([] {
    for (const Replacement& r : kReplacements) {
        if (r.replaceWith.size() > r.find.size() || r.find.isEmpty())
            return false;
    }
    return true;
}());

// Fragments are short (a title, a line of text, a host name): for them a plain loop beats
// a library call per candidate; long ones use memchr.
constexpr qsizetype kShortScan = 64;

inline qsizetype findByte(const char* data, qsizetype from, qsizetype end, char byte) {
    if (end - from >= kShortScan) {
        const void* p = std::memchr(data + from, byte, std::size_t(end - from));
        return p ? static_cast<const char*>(p) - data : -1;
    }
    for (qsizetype i = from; i < end; ++i) {
        if (data[i] == byte)
            return i;
    }
    return -1;
}

inline bool matchesAt(const char* data, qsizetype at, QByteArrayView pattern) {
    for (qsizetype i = 1; i < pattern.size(); ++i) {
        if (data[at + i] != pattern[i])
            return false;
    }
    return true;
}

// Replaces every occurrence in place, scanning from left to right over non-overlapping
// matches. The scan reads only the original bytes ahead of it, never the text it has
// produced, because the write position never passes the read position. One pass.
void replaceAll(char* data, qsizetype& size, const Replacement& r) {
    const qsizetype n = size;
    const qsizetype m = r.find.size();
    if (n < m)
        return;
    const qsizetype lastStart = n - m + 1; // end of the range where a match can begin
    auto nextMatch = [&](qsizetype from) {
        for (qsizetype at = findByte(data, from, lastStart, r.find.front()); at >= 0;
             at = findByte(data, at + 1, lastStart, r.find.front())) {
            if (matchesAt(data, at, r.find))
                return at;
        }
        return qsizetype(-1);
    };

    qsizetype read = nextMatch(0);
    if (read < 0)
        return;             // nothing to replace: the common case, no byte moved
    qsizetype write = read; // everything before the first match stays where it is
    while (read >= 0) {
        // data[read .. read + m) is a match.
        std::memcpy(data + write, r.replaceWith.data(), std::size_t(r.replaceWith.size()));
        write += r.replaceWith.size();
        const qsizetype from = read + m;
        read = from < lastStart ? nextMatch(from) : -1;
        const qsizetype keepEnd = read >= 0 ? read : n;
        std::memmove(data + write, data + from, std::size_t(keepEnd - from));
        write += keepEnd - from;
    }
    size = write;
}

void keepPrintableAscii(char* data, qsizetype& size) {
    qsizetype write = 0;
    for (qsizetype read = 0; read < size; ++read) {
        const auto byte = static_cast<unsigned char>(data[read]);
        if (byte >= 32 && byte <= 126)
            data[write++] = data[read];
    }
    size = write;
}

} // namespace

QByteArray CleanHtmlText(QByteArray fragment) {
    if (fragment.isEmpty())
        return fragment;
    char* data = fragment.data(); // detaches: the caller's bytes are never touched
    qsizetype size = fragment.size();
    // The tag rows all start with '<' and the entity rows with '&'. No row before them
    // brings such a byte in, so a fragment without one skips the whole group, as most
    // URLs and many texts do.
    const bool hasTag = std::memchr(data, '<', std::size_t(size)) != nullptr;
    const bool hasEntity = std::memchr(data, '&', std::size_t(size)) != nullptr;
    for (const Replacement& replacement : kReplacements) {
        const char first = replacement.find.front();
        if ((first == '<' && !hasTag) || (first == '&' && !hasEntity))
            continue;
        replaceAll(data, size, replacement);
    }
    keepPrintableAscii(data, size);
    // Dropping CR LF and other bytes can bring spaces together again; one more halving
    // joins them, exactly like the last replacement above.
    replaceAll(data, size, kHalveSpaces);
    fragment.truncate(size);
    return fragment;
}

} // namespace velmora::search
