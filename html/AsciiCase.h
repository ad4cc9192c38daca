#pragma once

// Letter case and blanks in byte strings, the ASCII way: only A-Z and a-z have a case, whatever
// the bytes above 0x7F mean in the text's own character set. Tag and attribute names, charset
// labels, markers and INI keys are compared with these.

#include <QByteArrayView>

namespace velmora::ascii {

// The blanks of HTML (and of most of what is not HTML): space, tab, LF, CR, FF.
constexpr bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
constexpr bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr char toLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
constexpr char toUpper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

inline bool equalsIgnoringCase(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (toLower(a[i]) != toLower(b[i]))
            return false;
    }
    return true;
}

// Whether text holds prefix at index at.
inline bool startsWithIgnoringCase(QByteArrayView text, qsizetype at, QByteArrayView prefix) {
    return text.size() - at >= prefix.size() && equalsIgnoringCase(text.sliced(at, prefix.size()), prefix);
}

} // namespace velmora::ascii
