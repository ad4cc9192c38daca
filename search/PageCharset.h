#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

class QStringDecoder;

namespace velmora::search {

// The character set a results page is written in, and the conversion of its text to UTF-8.
// The page decides as a browser lets it: a byte-order mark, else a <meta charset> or
// <meta http-equiv="Content-Type" content="...; charset=..."> naming a set it can read, where a
// browser looks for one (html/CharsetPrescan.h); without either the
// page is UTF-8 when its bytes are valid UTF-8, and Windows-1252 otherwise. ISO-8859-1 and ASCII
// are read as Windows-1252, as browsers do.
class PageCharset {
public:
    enum class Kind { Utf8, Windows1252, Other };

    static PageCharset forPage(QByteArrayView page);
    // The set a label names ("utf-8", "iso-8859-1", "shift_jis" ...); empty when Qt knows none.
    static std::unique_ptr<PageCharset> named(QByteArrayView label);

    PageCharset(PageCharset&&) noexcept;
    PageCharset& operator=(PageCharset&&) noexcept;
    ~PageCharset();

    Kind kind() const { return m_kind; }
    // True when every ASCII byte stands for itself, so markup can be found in the raw bytes.
    bool asciiCompatible() const { return m_asciiCompatible; }

    // Appends `bytes` converted to UTF-8. Pieces of one text may come in several calls: a character
    // split between two calls comes out whole. Bytes that are no character become U+FFFD.
    void appendUtf8(QByteArrayView bytes, QByteArray& out);

private:
    explicit PageCharset(Kind kind);

    Kind m_kind;
    bool m_asciiCompatible = true;
    std::unique_ptr<QStringDecoder> m_decoder; // Kind::Other only
};

} // namespace velmora::search
