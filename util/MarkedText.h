#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

namespace velmora::util {

// The unread rest of a document that ExtractMarked walks through from front to back.
// It holds a view of the caller's document and a position in it, so a call never copies
// or case-folds the remaining text. It also remembers, per marker, where that marker was
// last found: the cursor only moves forward, so a remembered hit (or a remembered "not
// in the rest") stays valid until the cursor passes it. That keeps a walk that repeats
// failing searches linear in the size of the document.
class MarkedTextCursor {
public:
    MarkedTextCursor() = default;
    // The document must outlive the cursor.
    explicit MarkedTextCursor(QByteArrayView document) : m_document(document) {}

    QByteArrayView remaining() const { return m_document.sliced(m_position); }
    qsizetype position() const { return m_position; }
    bool atEnd() const { return m_position >= m_document.size(); }

    // Exact, case-sensitive test whether the rest holds the marker.
    bool contains(QByteArrayView marker) { return find(marker, false) >= 0; }

    // Absolute position of the first occurrence at or after the cursor, or -1.
    // ASCII letters are folded when ignoreCase is set; other bytes compare exactly.
    qsizetype find(QByteArrayView marker, bool ignoreCase);

    QByteArrayView document() const { return m_document; }
    void advanceTo(qsizetype absolutePosition);

private:
    struct Memo {
        std::array<char, 32> marker{};
        qsizetype size = -1;
        bool ignoreCase = false;
        qsizetype searchedFrom = 0;
        qsizetype foundAt = -1;
    };
    qsizetype findFrom(QByteArrayView marker, bool ignoreCase, qsizetype from);
    static constexpr std::size_t MemoSlots = 16;

    QByteArrayView m_document;
    qsizetype m_position = 0;
    std::array<Memo, MemoSlots> m_memo{};
    std::size_t m_nextSlot = 0;
};

// Returns the text between the first startMarker in the cursor and the next endMarker
// after it, and advances the cursor so that it begins with that endMarker (which is not
// consumed). Markers are found without regard to ASCII letter case; the value keeps the
// document's own bytes.
//   both markers found     -> the text between, cursor at the end marker
//   no end marker after it -> empty, cursor just after the start marker
//   no start marker        -> empty, cursor unchanged
// offset skips that many extra bytes after the start marker and into the end marker.
QByteArray ExtractMarked(QByteArrayView startMarker, QByteArrayView endMarker, int offset,
                         MarkedTextCursor& cursor);

// The same, as a view into the cursor's document: for callers that throw the value away or
// copy it on their own terms.
QByteArrayView ExtractMarkedView(QByteArrayView startMarker, QByteArrayView endMarker, int offset,
                                 MarkedTextCursor& cursor);

// First occurrence of needle in haystack at or after from, ASCII letters folded when
// ignoreCase is set; -1 when absent. An empty needle is never found.
qsizetype indexOfMarker(QByteArrayView haystack, QByteArrayView needle, qsizetype from, bool ignoreCase);

// Case-insensitive (ASCII) search for needle in haystack from position from; -1 when absent.
// An empty needle is never found.
qsizetype indexOfIgnoringAsciiCase(QByteArrayView haystack, QByteArrayView needle, qsizetype from = 0);

} // namespace velmora::util
