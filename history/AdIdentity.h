#pragma once

// What makes two sightings the same ad, and the cap on what one cell may hold in the history.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace velmora::history {

// Qt binds a null string as SQL NULL; the history stores an empty cell as "".
QString NotNull(QString text);

// A cell longer than this many bytes is stored cut (at a UTF-8 character boundary).
inline constexpr qsizetype MaxCellBytes = 64 * 1024;

// The text a cell is stored as: UTF-8 decoded (bytes that are not UTF-8 become U+FFFD, NUL
// becomes U+FFFD too since a server's text column takes none), cut to MaxCellBytes. *cut is set
// when it was cut.
QString StoredCell(QByteArrayView bytes, bool* cut = nullptr);

// The host an ad's displayed URL names, lower-cased, without scheme, "www." and path:
// "https://www.Shoe-Shop.example/red › sale" gives "shoe-shop.example".
QString DisplayedHost(QByteArrayView displayedUrl);

// Title or text as compared for identity: runs of white space made one space, trimmed,
// lower-cased.
QString NormalisedText(QByteArrayView cell);

// The ad's identity: a hex digest of its normalised title, text and displayed host.
QByteArray AdIdentity(QByteArrayView title, QByteArrayView text, QByteArrayView displayedUrl);

// A hex digest of any bytes (the keyword's key, the page evidence's key).
QByteArray HexDigest(QByteArrayView bytes);

} // namespace velmora::history
