#pragma once

// The character set an HTML document declares in its markup, found where a browser looks for it:
// a <meta charset="..."> or <meta http-equiv="Content-Type" content="...; charset=..."> within the
// first 1024 bytes or later in the head. Comments and the text of script, style and title elements
// are not looked into.

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

namespace velmora::html {

// Whether a declared label names a set the reader can read; a declaration of any other is
// passed over, and the search goes on.
using KnownCharset = std::function<bool(QByteArrayView label)>;

// The label of the first declaration of a known set, as written; nothing when there is none.
std::optional<QByteArray> PrescanCharset(QByteArrayView document, const KnownCharset& known);

// Whether the document starts with a UTF-8 or UTF-16 byte-order mark, which decides before any
// declaration.
bool StartsWithByteOrderMark(QByteArrayView document);

} // namespace velmora::html
