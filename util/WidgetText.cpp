#include "util/WidgetText.h"

#include <QStringDecoder>

namespace velmora::util {
namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. The five bytes it leaves unassigned
// stay the control characters of the same code, as browsers decode them.
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char16_t Windows1252Char(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? Windows1252High[byte - 0x80] : char16_t(byte);
}

QString toWidgetText(QByteArrayView bytes) {
    // Stateless: a sequence cut off at the end is an error, not a wait for more bytes.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Not UTF-8: a legacy single-byte text, read the way a browser reads one without a
    // charset (a table of our own, so that it does not depend on how Qt was built).
    text.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = QChar(Windows1252Char(byte));
    }
    return text;
}

} // namespace velmora::util
