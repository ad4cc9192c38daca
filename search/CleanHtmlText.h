#pragma once

#include <QByteArray>

namespace velmora::search {

// Turns a fragment cut from a results page (an ad's title, text or displayed URL) into
// the plain text that the results list shows: a fixed series of literal replacements for a
// few tags and entities, then only the printable ASCII bytes (32..126) are kept, then runs
// of spaces are halved. Any other tag stays as it is and the text is not trimmed.
// Linear in the length of the fragment; works in the fragment's own buffer when the caller
// hands it over.
QByteArray CleanHtmlText(QByteArray fragment);

} // namespace velmora::search
