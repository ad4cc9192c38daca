#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace velmora::search {

// The search engine's scheme and host built into this copy of the program.
inline QByteArray BuiltInSearchBaseURL() {
    return QByteArray(VELMORA_SEARCH_BASE_URL);
}

// The results-page address up to the query value: base + "/search?q=".
QByteArray SearchUrlPrefix(QByteArrayView baseUrl);

// The keyword as it goes into the query value. The typed text (UTF-8) keeps its letters,
// digits and "-._~"; a space becomes "+", and every other byte, the double quote included,
// becomes %XX. So "salt&pepper" stays one query value and a typed "+" stays a plus.
QByteArray EncodeKeyword(QByteArrayView keywordUtf8);

// The keyword without its control characters: the C0 bytes, DEL and, in UTF-8, the C1 controls
// U+0080 to U+009F. A line break, tab or NUL pasted into the keyword box goes neither into the
// address nor into the rows; everything else stays as typed.
QByteArray KeywordWithoutControls(QByteArrayView keywordUtf8);

// prefix + the encoded keyword: the one page requested for a search.
QByteArray SearchUrl(QByteArrayView prefix, QByteArrayView keywordUtf8);

} // namespace velmora::search
