#include "history/AdIdentity.h"

#include "crypto/AesLib.h"

#include <QStringView>

#include <algorithm>

namespace velmora::history {

QString NotNull(QString text) {
    return text.isNull() ? QStringLiteral("") : text;
}

QString StoredCell(QByteArrayView bytes, bool* cut) {
    QByteArrayView kept = bytes;
    const bool tooLong = bytes.size() > MaxCellBytes;
    if (tooLong) {
        kept = bytes.first(MaxCellBytes);
        // Back off continuation bytes so a character is never split.
        qsizetype end = kept.size();
        while (end > 0 && (uchar(kept[end - 1]) & 0xC0) == 0x80)
            --end;
        if (end > 0 && uchar(kept[end - 1]) >= 0xC0)
            --end;
        kept = kept.first(end);
    }
    if (cut)
        *cut = tooLong;
    QString text = QString::fromUtf8(kept);
    text.replace(QChar(u'\0'), QChar::ReplacementCharacter);
    return NotNull(std::move(text));
}

QString DisplayedHost(QByteArrayView displayedUrl) {
    QString url = QString::fromUtf8(displayedUrl).trimmed().toLower();
    const qsizetype scheme = url.indexOf(QStringLiteral("://"));
    if (scheme >= 0 && scheme < 12)
        url = url.mid(scheme + 3);
    qsizetype end = 0;
    while (end < url.size()) {
        const QChar c = url.at(end);
        if (c == u'/' || c == u'?' || c == u'#' || c == u':' || c.isSpace() || c == u'\u203A')
            break;
        ++end;
    }
    url.truncate(std::min<qsizetype>(end, 255)); // a host name is never longer
    if (url.startsWith(QStringLiteral("www.")))
        url.remove(0, 4);
    return NotNull(std::move(url));
}

QString NormalisedText(QByteArrayView cell) {
    return QString::fromUtf8(cell).simplified().toLower();
}

QByteArray HexDigest(QByteArrayView bytes) {
    std::uint8_t digest[crypto::Sha1DigestLength];
    crypto::Sha1(digest, reinterpret_cast<const std::uint8_t*>(bytes.data()), std::size_t(bytes.size()));
    return QByteArray(reinterpret_cast<const char*>(digest), sizeof digest).toHex();
}

QByteArray AdIdentity(QByteArrayView title, QByteArrayView text, QByteArrayView displayedUrl) {
    // The parts are separated by NUL, which a title or text seldom holds.
    QByteArray key = NormalisedText(title).toUtf8();
    key += '\0';
    key += NormalisedText(text).toUtf8();
    key += '\0';
    key += DisplayedHost(displayedUrl).toUtf8();
    return HexDigest(key);
}

} // namespace velmora::history
