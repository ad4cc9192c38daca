#include "search/PageCharset.h"

#include "html/CharsetPrescan.h"

#include "util/WidgetText.h"

#include <QStringDecoder>

namespace velmora::search {
namespace {

void appendCodePoint(char32_t cp, QByteArray& out) {
    if (cp < 0x80) {
        out.append(char(cp));
    } else if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

QByteArray normalizedLabel(QByteArrayView label) {
    return label.trimmed().toByteArray().toLower();
}

bool isUtf8Label(const QByteArray& label) {
    // A page that declares UTF-16 in its markup is read as UTF-8: its markup could not have been
    // read otherwise.
    return label == "utf-8" || label == "utf8" || label == "unicode-1-1-utf-8" || label == "unicode11utf8" ||
           label == "unicode20utf8" || label == "x-unicode20utf8" || label.startsWith("utf-16") ||
           label == "unicode" || label == "ucs-2";
}

bool isWindows1252Label(const QByteArray& label) {
    static const QByteArrayView labels[] = {
        "windows-1252",   "cp1252",          "x-cp1252",    "iso-8859-1", "iso8859-1", "iso_8859-1",
        "iso88591",       "iso_8859-1:1987", "latin1",      "l1",         "ascii",     "us-ascii",
        "ansi_x3.4-1968", "iso-ir-100",      "csisolatin1", "ibm819",     "cp819",
    };
    for (const QByteArrayView known : labels) {
        if (label == known)
            return true;
    }
    return false;
}

} // namespace

PageCharset::PageCharset(Kind kind) : m_kind(kind) {}
PageCharset::PageCharset(PageCharset&&) noexcept = default;
PageCharset& PageCharset::operator=(PageCharset&&) noexcept = default;
PageCharset::~PageCharset() = default;

std::unique_ptr<PageCharset> PageCharset::named(QByteArrayView label) {
    const QByteArray name = normalizedLabel(label);
    if (isUtf8Label(name))
        return std::unique_ptr<PageCharset>(new PageCharset(Kind::Utf8));
    if (isWindows1252Label(name))
        return std::unique_ptr<PageCharset>(new PageCharset(Kind::Windows1252));
    // Only sets in which markup reads as ASCII can be named from inside the markup.
    if (name.isEmpty() || name.contains("32") || name.contains("ucs") || name.startsWith("utf-7") ||
        name.startsWith("utf7"))
        return nullptr;
    // Stateful: a character split between two pieces comes out whole.
    auto decoder = std::make_unique<QStringDecoder>(name.constData());
    if (!decoder->isValid())
        return nullptr;
    std::unique_ptr<PageCharset> charset(new PageCharset(Kind::Other));
    charset->m_decoder = std::move(decoder);
    return charset;
}

PageCharset PageCharset::forPage(QByteArrayView page) {
    if (page.startsWith("\xEF\xBB\xBF"))
        return PageCharset(Kind::Utf8);
    if (page.startsWith("\xFE\xFF") || page.startsWith("\xFF\xFE")) {
        PageCharset charset(Kind::Other);
        charset.m_asciiCompatible = false;
        charset.m_decoder = std::make_unique<QStringDecoder>(
            page.startsWith("\xFE\xFF") ? QStringConverter::Utf16BE : QStringConverter::Utf16LE);
        return charset;
    }
    std::unique_ptr<PageCharset> declared;
    html::PrescanCharset(page, [&declared](QByteArrayView label) { return bool(declared = named(label)); });
    if (declared)
        return std::move(*declared);
    return PageCharset(page.isValidUtf8() ? Kind::Utf8 : Kind::Windows1252);
}

void PageCharset::appendUtf8(QByteArrayView bytes, QByteArray& out) {
    switch (m_kind) {
    case Kind::Utf8:
        // Passed on as they are: the HTML parser replaces malformed sequences, and the cells are
        // checked once more when they are made.
        out.append(bytes);
        return;
    case Kind::Windows1252:
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80)
                out.append(c);
            else
                appendCodePoint(util::Windows1252Char(byte), out);
        }
        return;
    case Kind::Other:
        out.append(QString((*m_decoder)(bytes)).toUtf8());
        return;
    }
}

} // namespace velmora::search
