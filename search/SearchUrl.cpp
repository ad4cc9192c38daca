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

QByteArray KeywordWithoutControls(QByteArrayView keywordUtf8) {
    QByteArray kept;
    kept.reserve(keywordUtf8.size());
    for (qsizetype i = 0; i < keywordUtf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(keywordUtf8[i]);
        if (byte < 0x20 || byte == 0x7f)
            continue;
        // U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
        if (byte == 0xc2 && i + 1 < keywordUtf8.size()) {
            const auto next = static_cast<unsigned char>(keywordUtf8[i + 1]);
            if (next >= 0x80 && next <= 0x9f) {
                ++i;
                continue;
            }
        }
        kept.append(char(byte));
    }
    return kept;
}

bool ParseMarketCode(QByteArrayView given, QByteArrayView what, QByteArray* code, QString* why) {
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (given.isEmpty()) {
        code->clear();
        return true;
    }
    if (given.size() != 2 || !isLetter(given[0]) || !isLetter(given[1])) {
        const QString example = what == "country" ? QStringLiteral("de") : QStringLiteral("en");
        *why = QStringLiteral("The %1 must be two letters, such as %2: \"%3\".")
                   .arg(QString::fromLatin1(what), example, QString::fromUtf8(given));
        return false;
    }
    *code = given.toByteArray().toLower();
    return true;
}

QByteArray MarketName(const Market& market) {
    if (market.isEmpty())
        return {};
    return market.country + '/' + market.language;
}

QByteArray SearchUrl(QByteArrayView prefix, QByteArrayView keywordUtf8, const Market& market) {
    QByteArray url = prefix.toByteArray() + EncodeKeyword(keywordUtf8);
    // The codes are letters only (ParseMarketCode), so they need no encoding.
    if (!market.country.isEmpty())
        url += "&gl=" + market.country;
    if (!market.language.isEmpty())
        url += "&hl=" + market.language;
    return url;
}

} // namespace velmora::search
