#include "util/UUtils.h"

namespace velmora::util {
namespace {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

void SplitAtChar(char separator, QByteArrayView text, QList<QByteArray>& list) {
    list.clear();
    qsizetype fieldStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == separator) {
            list.append(text.sliced(fieldStart, i - fieldStart).toByteArray());
            fieldStart = i + 1;
        }
    }
    if (fieldStart < text.size())
        list.append(text.sliced(fieldStart).toByteArray());
}

QByteArray DecodeDollarEscapes(QByteArrayView text) {
    QByteArray result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != '$') {
            result.append(text[i]);
            ++i;
            continue;
        }
        // "$" and the (at most) two characters after it form one hexadecimal number;
        // "$" alone, or any non-digit among them, spoils the whole text.
        const QByteArrayView digits = text.sliced(i + 1, std::min<qsizetype>(2, text.size() - i - 1));
        if (digits.isEmpty())
            return {};
        int code = 0;
        for (char c : digits) {
            const int value = hexDigitValue(c);
            if (value < 0)
                return {};
            code = code * 16 + value;
        }
        result.append(char(code));
        i += 1 + digits.size();
    }
    return result;
}

} // namespace velmora::util
