#include "html/CharsetPrescan.h"

#include "html/AsciiCase.h"

#include <QSet>

// The search for a declaration follows the HTML standard's prescan of a byte stream for its
// encoding (WHATWG HTML, "prescan a byte stream to determine its encoding"), and goes on past its
// first 1024 bytes while the head lasts, as the web engine's own meta charset parser does.

namespace velmora::html {
namespace {

constexpr qsizetype UnconditionalBytes = 1024;

using ascii::isLetter;
using ascii::isSpace;
using ascii::toLower;

bool oneOf(QByteArrayView name, std::initializer_list<QByteArrayView> names) {
    for (QByteArrayView candidate : names) {
        if (name == candidate)
            return true;
    }
    return false;
}

// Elements that may stand in the head: while only these have been seen, the search goes on.
bool isHeadElement(QByteArrayView name) {
    return oneOf(name,
                 {"html", "head", "meta", "title", "base", "link", "style", "script", "noscript", "object"});
}

// Elements whose content is text up to their end tag, where a "<" starts nothing.
bool isRawTextElement(QByteArrayView name) {
    return oneOf(
        name, {"script", "style", "title", "textarea", "xmp", "iframe", "noembed", "noframes", "noscript"});
}

// The charset named in a Content-Type value ("text/html; charset=NAME", quotes allowed).
std::optional<QByteArrayView> charsetInContent(QByteArrayView content) {
    qsizetype at = 0;
    for (;;) {
        qsizetype found = -1;
        for (qsizetype i = at; i + 7 <= content.size(); ++i) {
            if (ascii::startsWithIgnoringCase(content, i, "charset")) {
                found = i;
                break;
            }
        }
        if (found < 0)
            return std::nullopt;
        at = found + 7;
        while (at < content.size() && isSpace(content[at]))
            ++at;
        if (at >= content.size() || content[at] != '=')
            continue;
        ++at;
        while (at < content.size() && isSpace(content[at]))
            ++at;
        if (at >= content.size())
            return std::nullopt;
        if (content[at] == '"' || content[at] == '\'') {
            const qsizetype close = content.indexOf(content[at], at + 1);
            if (close < 0)
                return std::nullopt;
            return content.sliced(at + 1, close - at - 1);
        }
        qsizetype end = at;
        while (end < content.size() && !isSpace(content[end]) && content[end] != ';')
            ++end;
        return content.sliced(at, end - at);
    }
}

class Prescan {
public:
    Prescan(QByteArrayView document, const KnownCharset& known) : m_text(document), m_known(known) {}

    std::optional<QByteArray> declaredCharset() {
        bool inHead = true;
        while (m_at < m_text.size()) {
            if (!inHead && m_at >= UnconditionalBytes)
                return std::nullopt;
            if (m_text[m_at] != '<') {
                ++m_at;
            } else if (ascii::startsWithIgnoringCase(m_text, m_at, "<!--")) {
                // "-->" may share its dashes with the opening, as in "<!-->".
                const qsizetype close = m_text.indexOf("-->", m_at + 2);
                if (close < 0)
                    return std::nullopt;
                m_at = close + 3;
            } else if (m_at + 1 < m_text.size() && isLetter(m_text[m_at + 1])) {
                ++m_at;
                const QByteArray name = tagName();
                if (name == "meta") {
                    if (std::optional<QByteArray> charset = metaDeclares())
                        return charset;
                } else {
                    skipAttributes();
                }
                inHead = inHead && isHeadElement(name);
                if (isRawTextElement(name))
                    skipRawText(name);
            } else if (ascii::startsWithIgnoringCase(m_text, m_at, "</") && m_at + 2 < m_text.size() &&
                       isLetter(m_text[m_at + 2])) {
                m_at += 2;
                inHead = inHead && isHeadElement(tagName());
                skipAttributes();
            } else if (ascii::startsWithIgnoringCase(m_text, m_at, "<!") ||
                       ascii::startsWithIgnoringCase(m_text, m_at, "</") ||
                       ascii::startsWithIgnoringCase(m_text, m_at, "<?")) {
                const qsizetype close = m_text.indexOf('>', m_at);
                if (close < 0)
                    return std::nullopt;
                m_at = close + 1;
            } else {
                ++m_at;
            }
        }
        return std::nullopt;
    }

private:
    struct Attribute {
        QByteArray name;
        QByteArrayView value;
    };

    QByteArray tagName() {
        QByteArray name;
        while (m_at < m_text.size() && !isSpace(m_text[m_at]) && m_text[m_at] != '/' && m_text[m_at] != '>')
            name.append(toLower(m_text[m_at++]));
        return name;
    }

    void skipSpaces() {
        while (m_at < m_text.size() && isSpace(m_text[m_at]))
            ++m_at;
    }

    // The next attribute of the tag at the cursor; nothing at the tag's end.
    std::optional<Attribute> attribute() {
        while (m_at < m_text.size() && (isSpace(m_text[m_at]) || m_text[m_at] == '/'))
            ++m_at;
        if (m_at >= m_text.size() || m_text[m_at] == '>')
            return std::nullopt;
        Attribute attribute;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if ((c == '=' && !attribute.name.isEmpty()) || isSpace(c) || c == '/' || c == '>')
                break;
            attribute.name.append(toLower(c));
            ++m_at;
        }
        skipSpaces();
        if (m_at >= m_text.size() || m_text[m_at] != '=')
            return attribute;
        ++m_at;
        skipSpaces();
        if (m_at >= m_text.size())
            return attribute;
        const char first = m_text[m_at];
        if (first == '"' || first == '\'') {
            const qsizetype close = m_text.indexOf(first, m_at + 1);
            const qsizetype end = close < 0 ? m_text.size() : close;
            attribute.value = m_text.sliced(m_at + 1, end - m_at - 1);
            m_at = close < 0 ? end : end + 1;
        } else if (first != '>') {
            const qsizetype start = m_at;
            while (m_at < m_text.size() && !isSpace(m_text[m_at]) && m_text[m_at] != '>')
                ++m_at;
            attribute.value = m_text.sliced(start, m_at - start);
        }
        return attribute;
    }

    void skipAttributes() {
        while (attribute()) {
        }
        if (m_at < m_text.size())
            ++m_at; // the '>'
    }

    // Reads a meta element's attributes: the known character set they declare, if any.
    std::optional<QByteArray> metaDeclares() {
        QSet<QByteArray> seen;
        bool gotPragma = false;
        std::optional<bool> needPragma;
        std::optional<QByteArrayView> charset;
        while (const std::optional<Attribute> a = attribute()) {
            if (seen.contains(a->name))
                continue;
            seen.insert(a->name);
            if (a->name == "http-equiv") {
                gotPragma = gotPragma || a->value.trimmed().compare("content-type", Qt::CaseInsensitive) == 0;
            } else if (a->name == "content" && !charset) {
                if ((charset = charsetInContent(a->value)))
                    needPragma = true;
            } else if (a->name == "charset" && !charset) {
                charset = a->value;
                needPragma = false;
            }
        }
        if (m_at < m_text.size())
            ++m_at; // the '>'
        if (needPragma && (!*needPragma || gotPragma) && charset && m_known(*charset))
            return charset->toByteArray();
        return std::nullopt;
    }

    // Past the end tag of a raw text element, or to the end when it has none.
    void skipRawText(QByteArrayView name) {
        const QByteArray endTag = "</" + name.toByteArray();
        for (; m_at < m_text.size(); ++m_at) {
            const qsizetype after = m_at + endTag.size();
            if (ascii::startsWithIgnoringCase(m_text, m_at, endTag) &&
                (after >= m_text.size() || isSpace(m_text[after]) || m_text[after] == '/' ||
                 m_text[after] == '>'))
                return;
        }
    }

    QByteArrayView m_text;
    const KnownCharset& m_known;
    qsizetype m_at = 0;
};

} // namespace

std::optional<QByteArray> PrescanCharset(QByteArrayView document, const KnownCharset& known) {
    return Prescan(document, known).declaredCharset();
}

bool StartsWithByteOrderMark(QByteArrayView document) {
    return document.startsWith("\xEF\xBB\xBF") || document.startsWith("\xFE\xFF") ||
           document.startsWith("\xFF\xFE");
}

} // namespace velmora::html
