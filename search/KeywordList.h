#pragma once

// A list of keywords as a person brings it: pasted, or a text or CSV file of one keyword a line.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace velmora::search {

struct KeywordList {
    QList<QByteArray> keywords; // UTF-8, in the list's order, each once
    // Why the list cannot be read at all (a UTF-16 file); the keywords are then empty.
    QString refusal;
    bool readAsWindows1252 = false; // the bytes were not valid UTF-8
    int blankLines = 0;             // skipped
    int repeats = 0;                // skipped: a keyword already in the list
    int keywordsWithControls = 0;   // kept, their control characters removed
};

// Reads the bytes of a list: UTF-8 (a byte-order mark is dropped), or Windows-1252 when they are
// not valid UTF-8 as a whole. Lines end at CR, LF or CR LF, in any mix. Each line is one keyword,
// without its leading and trailing blanks; a line enclosed in double quotes (a CSV cell) loses them
// and its doubled quotes become one. Control characters are removed (as from a typed keyword),
// blank lines and repeats are skipped, and all three are counted. A UTF-16 file (by its byte-order
// mark, or by NUL bytes in every other place) is refused with a sentence.
KeywordList ReadKeywordList(QByteArrayView bytes);

// One sentence for the user: how many keywords, and what was skipped or changed.
// "3 keywords; 2 blank lines and 1 repeat skipped; control characters removed from 1."
QString KeywordListSummary(const KeywordList& list);

} // namespace velmora::search
