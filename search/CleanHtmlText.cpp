#include "search/CleanHtmlText.h"

#include <QByteArrayView>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
constexpr std::array<Replacement, 19> Replacements{{
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

using RowSet = std::uint32_t; // bit r stands for Replacements[r]

constexpr int HalveRow = int(Replacements.size()) - 1;
constexpr RowSet AllRows = (RowSet(1) << Replacements.size()) - 1;
constexpr RowSet HalveBit = RowSet(1) << HalveRow;
// The halving row is not run as a pass of its own: it is folded into the final sweep.
constexpr RowSet PassRows = AllRows & ~HalveBit;

static_assert(Replacements.size() <= 32);
static_assert(Replacements[HalveRow].find.size() == 2 && Replacements[HalveRow].find[0] == ' ' &&
              Replacements[HalveRow].find[1] == ' ');

// Every row begins with '<', '&' or a space and is at least two bytes long, so the first two
// bytes of a match tell which few rows can match there.
enum ByteClass : std::uint8_t { Plain, OpensTag, OpensEntity, Space, Unprintable };

constexpr int leadIndex(char byte) {
    return byte == '<' ? 0 : byte == '&' ? 1 : byte == ' ' ? 2 : -1;
}

constexpr std::array<ByteClass, 256> ClassOfByte = [] {
    std::array<ByteClass, 256> classes{};
    for (int b = 0; b < 256; ++b)
        classes[std::size_t(b)] = b >= 32 && b <= 126 ? Plain : Unprintable;
    classes[std::size_t('<')] = OpensTag;
    classes[std::size_t('&')] = OpensEntity;
    classes[std::size_t(' ')] = Space;
    return classes;
}();

// For each leading byte and the byte after it, the rows that begin with those two bytes.
constexpr auto RowsByOpening = [] {
    std::array<std::array<RowSet, 256>, 3> rows{};
    for (std::size_t r = 0; r < Replacements.size(); ++r) {
        const QByteArrayView find = Replacements[r].find;
        const int lead = leadIndex(find[0]);
        if (lead < 0 || find.size() < 2)
            throw "every row must open with '<', '&' or a space and be two bytes or longer";
        rows[std::size_t(lead)][static_cast<unsigned char>(find[1])] |= RowSet(1) << r;
    }
    return rows;
}();

static_assert([] {
    for (const Replacement& r : Replacements) {
        if (r.replaceWith.size() > r.find.size() || r.find.isEmpty())
            return false;
    }
    return true;
}());

inline bool matchesAt(const char* data, qsizetype at, qsizetype size, QByteArrayView pattern) {
    if (size - at < pattern.size())
        return false;
    for (qsizetype i = 2; i < pattern.size(); ++i) { // the first two bytes are already known
        if (data[at + i] != pattern[i])
            return false;
    }
    return true;
}

// Bit k is set when block[k] may start work: '<', '&', an unprintable byte, or a space that
// a space follows. Reads block[0 .. 15]; the last byte's follower is not known, so bit 15
// never stands for a pair of spaces. Sixteen bytes at a time without a branch per byte,
// since most fragments hold none of them at all.
inline std::uint32_t workBits(const char* block) {
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i isSpace = _mm_cmpeq_epi8(bytes, space);
    __m128i work =
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('<')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')));
    // Signed compare: below 32 catches the control bytes and every byte above 127.
    work = _mm_or_si128(work, _mm_cmplt_epi8(bytes, space));
    work = _mm_or_si128(work, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(127)));
    work = _mm_or_si128(work, _mm_and_si128(isSpace, _mm_srli_si128(isSpace, 1)));
    return std::uint32_t(_mm_movemask_epi8(work));
#else
    std::uint32_t bits = 0;
    for (int k = 0; k < 16; ++k) {
        const ByteClass cls = ClassOfByte[static_cast<unsigned char>(block[k])];
        const bool work = cls == Space ? k < 15 && block[k + 1] == ' ' : cls != Plain;
        bits |= std::uint32_t(work) << k;
    }
    return bits;
#endif
}

// The rows among `wanted` that have at least one match in the text, with the place of the
// leftmost one. Such a row's pass is sure to change the text (it takes the leftmost match
// whatever else it skips); any other row's pass would leave it as it is. One sweep; it stops
// early once every wanted row is found unless it must also report unprintable bytes.
template <bool ReportUnprintable>
RowSet rowsWithMatch(const char* data, qsizetype size, RowSet wanted, qsizetype* firstMatch,
                     bool* unprintable = nullptr) {
    RowSet found = 0;
    for (qsizetype next = 0; next < size;) {
        qsizetype base;
        std::uint32_t bits;
        if (size - next > 16) {
            // Bit 15 is left to the next block, which knows the byte after it.
            base = next;
            bits = workBits(data + base) & 0x7fffu;
            next = base + 15;
        } else if (size >= 16) {
            // The last sixteen bytes, without the ones already looked at.
            base = size - 16;
            bits = workBits(data + base) & (~0u << (next - base));
            next = size;
        } else {
            // A fragment shorter than a block, padded with a byte that starts nothing.
            char padded[16];
            std::memset(padded, 'x', sizeof padded);
            std::memcpy(padded, data, std::size_t(size));
            base = 0;
            bits = workBits(padded);
            next = size;
        }
        for (; bits != 0; bits &= bits - 1) {
            const qsizetype at = base + std::countr_zero(bits);
            const ByteClass cls = ClassOfByte[static_cast<unsigned char>(data[at])];
            if (cls == Unprintable) {
                if constexpr (ReportUnprintable)
                    *unprintable = true;
                continue;
            }
            if (at + 1 == size)
                break;
            RowSet candidates =
                RowsByOpening[std::size_t(cls - OpensTag)][static_cast<unsigned char>(data[at + 1])] &
                wanted & ~found;
            while (candidates != 0) {
                const int row = std::countr_zero(candidates);
                candidates &= candidates - 1;
                if (matchesAt(data, at, size, Replacements[std::size_t(row)].find)) {
                    found |= RowSet(1) << row;
                    firstMatch[row] = at;
                }
            }
        }
        if constexpr (!ReportUnprintable) {
            if (found == wanted)
                break;
        }
    }
    return found;
}

// Fragments are short (a title, a line of text, a host name): for them a plain loop beats
// a library call per candidate; long ones use memchr.
constexpr qsizetype ShortScan = 64;

inline qsizetype findByte(const char* data, qsizetype from, qsizetype end, char byte) {
    if (end - from >= ShortScan) {
        const void* p = std::memchr(data + from, byte, std::size_t(end - from));
        return p ? static_cast<const char*>(p) - data : -1;
    }
    for (qsizetype i = from; i < end; ++i) {
        if (data[i] == byte)
            return i;
    }
    return -1;
}

inline qsizetype findPattern(const char* data, qsizetype from, qsizetype lastStart, QByteArrayView pattern) {
    for (qsizetype at = findByte(data, from, lastStart, pattern.front()); at >= 0;
         at = findByte(data, at + 1, lastStart, pattern.front())) {
        if (data[at + 1] == pattern[1] && matchesAt(data, at, lastStart + pattern.size() - 1, pattern))
            return at;
    }
    return -1;
}

// Replaces every occurrence in place, scanning from left to right over non-overlapping
// matches. The scan reads only the original bytes ahead of it, never the text it has
// produced, because the write position never passes the read position. One pass.
// `first` is the leftmost match.
void replaceAll(char* data, qsizetype& size, const Replacement& r, qsizetype first) {
    const qsizetype n = size;
    const qsizetype m = r.find.size();
    const qsizetype lastStart = n - m + 1; // end of the range where a match can begin
    qsizetype read = first;
    qsizetype write = read; // everything before the first match stays where it is
    while (read >= 0) {
        // data[read .. read + m) is a match.
        std::memcpy(data + write, r.replaceWith.data(), std::size_t(r.replaceWith.size()));
        write += r.replaceWith.size();
        const qsizetype from = read + m;
        read = from < lastStart ? findPattern(data, from, lastStart, r.find) : -1;
        const qsizetype keepEnd = read >= 0 ? read : n;
        std::memmove(data + write, data + from, std::size_t(keepEnd - from));
        write += keepEnd - from;
    }
    size = write;
}

// The last row (two spaces to one), the printable-ASCII filter and the final halving in one
// sweep. The halving row sees runs of spaces as they stand, broken by any other byte; the
// final halving sees them after the filter has dropped the unprintable bytes between them.
// Each keeps the first, third, fifth... space of a run, which is what replacing two spaces
// by one from left to right leaves.
void halveFilterHalve(char* data, qsizetype& size) {
    qsizetype write = 0;
    bool oddInRun = false;         // the halving row has just kept a space
    bool oddInFilteredRun = false; // the final halving has just kept a space
    for (qsizetype read = 0; read < size; ++read) {
        const char byte = data[read];
        if (byte == ' ') {
            oddInRun = !oddInRun;
            if (!oddInRun)
                continue; // dropped by the halving row
            oddInFilteredRun = !oddInFilteredRun;
            if (oddInFilteredRun)
                data[write++] = ' ';
            continue;
        }
        oddInRun = false;
        if (ClassOfByte[static_cast<unsigned char>(byte)] == Unprintable)
            continue; // dropped without breaking the filtered run
        oddInFilteredRun = false;
        data[write++] = byte;
    }
    size = write;
}

} // namespace

// Most fragments have nothing to replace. One sweep finds the rows that match somewhere and
// whether an unprintable byte occurs; only those rows run. A removal can forge a match for a
// later row ("<<b>/b>" leaves "</b>"; "<b>...</b>" only appears once tags inside it are
// gone), so after every pass that changed the text the later rows are looked for again.
// No pass brings in or takes out an unprintable byte, so the first sweep's answer holds.
QByteArray CleanHtmlText(QByteArray fragment) {
    qsizetype size = fragment.size();
    bool unprintable = false;
    std::array<qsizetype, Replacements.size()> firstMatch;
    RowSet pending =
        rowsWithMatch<true>(fragment.constData(), size, AllRows, firstMatch.data(), &unprintable);
    if (pending == 0 && !unprintable)
        return fragment; // nothing written, the caller's buffer is handed back as it is

    char* data = fragment.data(); // detaches: the caller's bytes are never touched
    while ((pending & PassRows) != 0) {
        const int row = std::countr_zero(pending);
        replaceAll(data, size, Replacements[std::size_t(row)], firstMatch[std::size_t(row)]);
        const RowSet laterRows = AllRows & ~((RowSet(2) << row) - 1);
        pending = rowsWithMatch<false>(data, size, laterRows, firstMatch.data());
    }
    if ((pending & HalveBit) != 0 || unprintable)
        halveFilterHalve(data, size);
    fragment.truncate(size);
    return fragment;
}

} // namespace velmora::search
