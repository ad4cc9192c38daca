#pragma once

#include "search/Device.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

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

// The country and language a search asks the engine for, each a two-letter code in lower case
// or empty for the engine's own choice.
struct Market {
    QByteArray country;  // "gl"
    QByteArray language; // "hl"

    bool isEmpty() const { return country.isEmpty() && language.isEmpty(); }
    friend bool operator==(const Market&, const Market&) = default;
};

// A country or language code as given on a command line or in a form: two ASCII letters, in any
// case, kept in lower case; an empty code stays empty. Anything else gives false and *why, one
// sentence naming what was given ("The country must be two letters, such as de: \"deu\".").
bool ParseMarketCode(QByteArrayView given, QByteArrayView what, QByteArray* code, QString* why);

// The market as the history keeps it: "country/language", each side empty when not given
// ("de/en", "de/", "/en"); empty for no market.
QByteArray MarketName(const Market& market);

// prefix + the encoded keyword: the one page requested for a search. A market adds "&gl=" and
// "&hl=" after it; without one the address is the one the program always asked for.
QByteArray SearchUrl(QByteArrayView prefix, QByteArrayView keywordUtf8, const Market& market = {});

} // namespace velmora::search
