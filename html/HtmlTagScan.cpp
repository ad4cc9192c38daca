#include "html/HtmlTagScan.h"

#include "html/AsciiCase.h"

namespace velmora::html {
namespace {

using ascii::equalsIgnoringCase;
using ascii::isLetter;
using ascii::isSpace;

// Index of the first '>' at or after `from`, or -1.
qsizetype findClose(QByteArrayView text, qsizetype from) {
    return text.indexOf('>', from);
}

void bogusComment(QByteArrayView text, qsizetype from, Tag& tag) {
    tag.kind = TagKind::Comment;
    const qsizetype close = findClose(text, from);
    tag.complete = close >= 0;
    tag.end = close >= 0 ? close + 1 : text.size();
}

qsizetype readName(QByteArrayView text, qsizetype i) {
    const qsizetype n = text.size();
    while (i < n && !isSpace(text[i]) && text[i] != '/' && text[i] != '>')
        ++i;
    return i;
}

// Attributes up to the '>' that ends the tag, as the tokenizer reads them.
void readAttributes(QByteArrayView text, qsizetype i, Tag& tag, const AttributeVisitor& onAttribute) {
    const qsizetype n = text.size();
    while (true) {
        while (i < n && (isSpace(text[i]) || text[i] == '/')) {
            if (text[i] == '/')
                tag.selfClosing = i + 1 < n && text[i + 1] == '>';
            ++i;
        }
        if (i >= n)
            break;
        if (text[i] == '>') {
            tag.end = i + 1;
            tag.complete = true;
            return;
        }
        tag.selfClosing = false;
        const qsizetype nameStart = i++;
        while (i < n && !isSpace(text[i]) && text[i] != '/' && text[i] != '>' && text[i] != '=')
            ++i;
        const QByteArrayView name = text.sliced(nameStart, i - nameStart);
        while (i < n && isSpace(text[i]))
            ++i;
        QByteArrayView value;
        if (i < n && text[i] == '=') {
            ++i;
            while (i < n && isSpace(text[i]))
                ++i;
            if (i < n && (text[i] == '"' || text[i] == '\'')) {
                const qsizetype close = text.indexOf(text[i], i + 1);
                if (close < 0)
                    break;
                value = text.sliced(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < n && !isSpace(text[i]) && text[i] != '>')
                    ++i;
                value = text.sliced(valueStart, i - valueStart);
            }
        }
        if (onAttribute)
            onAttribute(name, value);
    }
    tag.end = n;
    tag.complete = false;
}

} // namespace

Tag readTag(QByteArrayView text, qsizetype lt, const AttributeVisitor& onAttribute) {
    const qsizetype n = text.size();
    Tag tag;
    tag.end = lt + 1;
    tag.complete = true;
    const qsizetype i = lt + 1;
    if (i >= n)
        return tag;
    const char c = text[i];
    if (c == '!') {
        if (text.sliced(i + 1).startsWith("--")) {
            // "<!-->" and "<!--->" end where they start.
            tag.kind = TagKind::Comment;
            const qsizetype close = text.indexOf("-->", i + 1);
            tag.complete = close >= 0;
            tag.end = close >= 0 ? close + 3 : n;
        } else {
            bogusComment(text, i, tag);
        }
    } else if (c == '?') {
        bogusComment(text, i, tag);
    } else if (c == '/') {
        if (i + 1 >= n)
            return tag; // "</" at the very end is text
        if (isLetter(text[i + 1])) {
            tag.kind = TagKind::End;
            const qsizetype nameEnd = readName(text, i + 1);
            tag.name = text.sliced(i + 1, nameEnd - i - 1);
            readAttributes(text, nameEnd, tag, {});
        } else if (text[i + 1] == '>') {
            tag.kind = TagKind::Comment;
            tag.end = i + 2;
        } else {
            bogusComment(text, i, tag);
        }
    } else if (isLetter(c)) {
        tag.kind = TagKind::Start;
        const qsizetype nameEnd = readName(text, i);
        tag.name = text.sliced(i, nameEnd - i);
        readAttributes(text, nameEnd, tag, onAttribute);
    }
    return tag;
}

qsizetype skipRawText(QByteArrayView text, qsizetype from, QByteArrayView name) {
    const qsizetype n = text.size();
    while (from < n) {
        const qsizetype p = text.indexOf("</", from);
        if (p < 0)
            break;
        const qsizetype after = p + 2 + name.size();
        if (after <= n && equalsIgnoringCase(text.sliced(p + 2, name.size()), name) &&
            (after == n || isSpace(text[after]) || text[after] == '/' || text[after] == '>')) {
            const qsizetype close = text.indexOf('>', after);
            return close >= 0 ? close + 1 : n;
        }
        from = p + 2;
    }
    return n;
}

} // namespace velmora::html
