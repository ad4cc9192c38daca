#include "search/SearchUrl.h"

namespace velmora::search {
namespace {

bool isUnreserved(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

} // namespace

QByteArray SearchUrlPrefix(QByteArrayView baseUrl) {
    return baseUrl.toByteArray() + "/search?q=";
}

QByteArray EncodeKeyword(QByteArrayView keywordUtf8) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    QByteArray encoded;
    encoded.reserve(keywordUtf8.size() * 3);
    for (const char c : keywordUtf8) {
        if (isUnreserved(c)) {
            encoded.append(c);
        } else if (c == ' ') {
            encoded.append('+');
        } else {
            const auto byte = static_cast<unsigned char>(c);
            encoded.append('%');
            encoded.append(Hex[byte >> 4]);
            encoded.append(Hex[byte & 0x0f]);
        }
    }
    return encoded;
}

QByteArray SearchUrl(QByteArrayView prefix, QByteArrayView keywordUtf8) {
    return prefix.toByteArray() + EncodeKeyword(keywordUtf8);
}

} // namespace velmora::search
