#include "search/PageText.h"

namespace velmora::search {

QByteArray PageTextFromBytes(QByteArrayView body) {
    if (const qsizetype nul = body.indexOf('\0'); nul >= 0)
        body = body.first(nul);

    QByteArray text;
    // Worst case every byte is a lone CR or LF and becomes two.
    text.reserve(body.size() + body.size() / 8 + 2);
    qsizetype lineStart = 0;
    const qsizetype size = body.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = body[i];
        if (c != '\r' && c != '\n')
            continue;
        text.append(body.sliced(lineStart, i - lineStart));
        text.append("\r\n");
        if (c == '\r' && i + 1 < size && body[i + 1] == '\n')
            ++i;
        lineStart = i + 1;
    }
    if (lineStart < size) {
        text.append(body.sliced(lineStart));
        text.append("\r\n");
    }
    return text;
}

} // namespace velmora::search
