#pragma once

// How an HTML document's bytes are handed to the web engine so that they read as a browser reads
// a legacy page: the document's own character set declaration decides; without one the bytes are
// UTF-8 when they are valid UTF-8, and Windows-1252 otherwise. Left alone, the engine guesses the set of an
// undeclared document from its bytes (a Windows-1252 page full of accented letters can come out Cyrillic).

#include <QByteArrayView>
#include <QString>

namespace velmora::webengine {

// Whether the document says which character set it is written in, where a browser looks for
// that: a byte-order mark, or a <meta charset="..."> or <meta http-equiv="Content-Type"
// content="...; charset=..."> naming a known set, within the first 1024 bytes or later in the
// head. Comments and the text of script, style and title elements are not looked into.
bool DeclaresCharset(QByteArrayView document);

// "text/html" for a document that declares its character set; for one that does not,
// "text/html;charset=utf-8" when its bytes are valid UTF-8 beyond plain ASCII, and
// "text/html;charset=windows-1252" otherwise.
QString HtmlMimeType(QByteArrayView document);

} // namespace velmora::webengine
