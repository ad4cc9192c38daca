#include "util/MarkedText.h"

#include "html/AsciiCase.h"

#include <algorithm>
#include <cstring>

namespace velmora::util {
namespace {

using ascii::isLetter;
constexpr char foldAscii(char c) {
    return ascii::toUpper(c);
}

bool equalIgnoringAsciiCase(const char* a, const char* b, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    }
    return true;
}

constexpr std::size_t MaxMemoMarker = 32;

} // namespace

qsizetype indexOfIgnoringAsciiCase(QByteArrayView haystack, QByteArrayView needle, qsizetype from) {
    return indexOfMarker(haystack, needle, from, true);
}

qsizetype indexOfMarker(QByteArrayView haystack, QByteArrayView needle, qsizetype from, bool ignoreCase) {
    const qsizetype n = haystack.size();
    const qsizetype m = needle.size();
    if (m == 0 || from < 0 || m > n - from)
        return -1;
    const char* h = haystack.data();
    const char* const last = h + (n - m); // last possible start of a match
    const char first = needle.front();
    const char* p = h + from;
    auto restMatches = [&](const char* at) {
        return ignoreCase ? equalIgnoringAsciiCase(at + 1, needle.data() + 1, m - 1)
                          : std::memcmp(at + 1, needle.data() + 1, std::size_t(m - 1)) == 0;
    };

    if (!ignoreCase || !isLetter(first)) {
        // The markers this program uses start with '<' or '"': memchr finds candidates fast.
        while (p <= last) {
            p = static_cast<const char*>(std::memchr(p, first, std::size_t(last - p + 1)));
            if (!p)
                return -1;
            if (restMatches(p))
                return p - h;
            ++p;
        }
        return -1;
    }
    const char folded = foldAscii(first);
    for (; p <= last; ++p) {
        if (foldAscii(*p) == folded && restMatches(p))
            return p - h;
    }
    return -1;
}

qsizetype MarkedTextCursor::find(QByteArrayView marker, bool ignoreCase) {
    return findFrom(marker, ignoreCase, m_position);
}

qsizetype MarkedTextCursor::findFrom(QByteArrayView marker, bool ignoreCase, qsizetype from) {
    if (marker.isEmpty())
        return -1;
    auto search = [&] {
        return ignoreCase ? indexOfIgnoringAsciiCase(m_document, marker, from)
                          : m_document.indexOf(marker, from);
    };
    if (std::size_t(marker.size()) > MaxMemoMarker)
        return search();

    for (Memo& memo : m_memo) {
        // A marker is recognised by its bytes, never by its address: a tag rebuilt in the
        // same buffer for another item must not get that item's answer.
        if (memo.size != marker.size() || memo.ignoreCase != ignoreCase ||
            std::memcmp(memo.marker.data(), marker.data(), std::size_t(marker.size())) != 0)
            continue;
        if (from >= memo.searchedFrom) {
            // No occurrence lies between searchedFrom and foundAt, so the remembered answer
            // holds for any later start up to foundAt.
            if (memo.foundAt < 0 || memo.foundAt >= from)
                return memo.foundAt;
        }
        memo.searchedFrom = from;
        memo.foundAt = search();
        return memo.foundAt;
    }

    Memo& memo = m_memo[m_nextSlot];
    m_nextSlot = (m_nextSlot + 1) % m_memo.size();
    std::memcpy(memo.marker.data(), marker.data(), std::size_t(marker.size()));
    memo.size = marker.size();
    memo.ignoreCase = ignoreCase;
    memo.searchedFrom = from;
    memo.foundAt = search();
    return memo.foundAt;
}

void MarkedTextCursor::advanceTo(qsizetype absolutePosition) {
    m_position = std::clamp(absolutePosition, m_position, m_document.size());
}

QByteArrayView ExtractMarkedView(QByteArrayView startMarker, QByteArrayView endMarker, int offset,
                                 MarkedTextCursor& cursor) {
    const qsizetype start = cursor.find(startMarker, true);
    if (start < 0)
        return {};

    const qsizetype end = cursor.document().size();
    const qsizetype valueStart = std::clamp(start + startMarker.size() + offset, cursor.position(), end);
    cursor.advanceTo(valueStart);

    const qsizetype endAt = cursor.find(endMarker, true);
    if (endAt < 0) {
        // Copy(cursor, offset) keeps the cursor whole for offsets up to 1.
        cursor.advanceTo(valueStart + std::max(0, offset - 1));
        return {};
    }
    cursor.advanceTo(endAt + offset);
    return cursor.document().sliced(valueStart, endAt - valueStart);
}

QByteArray ExtractMarked(QByteArrayView startMarker, QByteArrayView endMarker, int offset,
                         MarkedTextCursor& cursor) {
    return ExtractMarkedView(startMarker, endMarker, offset, cursor).toByteArray();
}

} // namespace velmora::util
