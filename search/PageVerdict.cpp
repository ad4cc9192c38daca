#include "search/PageVerdict.h"

#include "html/AsciiCase.h"

#include <QList>
#include <QUrl>

#include <algorithm>

namespace velmora::search {
namespace {

using ascii::equalsIgnoringCase;
using ascii::isSpace;

bool pathAsksForScripts(const QUrl& url) {
    return url.path().contains(QStringLiteral("enablejs"), Qt::CaseInsensitive);
}

// An address written in the markup: only its path is looked at, so "q=enablejs" in a query
// does not count. The few entities an attribute value carries do not touch a path.
bool referenceAsksForScripts(QByteArrayView reference) {
    while (!reference.isEmpty() && isSpace(reference.front()))
        reference = reference.sliced(1);
    return pathAsksForScripts(QUrl::fromEncoded(reference.toByteArray()));
}

// A meta refresh's content: "0;url=/somewhere" or "0; URL='/somewhere'".
QByteArrayView refreshTarget(QByteArrayView content) {
    for (qsizetype i = 0; i + 4 <= content.size(); ++i) {
        if (!equalsIgnoringCase(content.sliced(i, 3), "url"))
            continue;
        qsizetype j = i + 3;
        while (j < content.size() && isSpace(content[j]))
            ++j;
        if (j >= content.size() || content[j] != '=')
            continue;
        QByteArrayView target = content.sliced(j + 1);
        while (!target.isEmpty() && isSpace(target.front()))
            target = target.sliced(1);
        if (!target.isEmpty() && (target.front() == '\'' || target.front() == '"')) {
            const char quote = target.front();
            target = target.sliced(1);
            if (const qsizetype end = target.indexOf(quote); end >= 0)
                target = target.first(end);
        }
        return target;
    }
    return {};
}

bool hasClassToken(QByteArrayView classes, QByteArrayView token) {
    qsizetype i = 0;
    while (i < classes.size()) {
        while (i < classes.size() && isSpace(classes[i]))
            ++i;
        const qsizetype start = i;
        while (i < classes.size() && !isSpace(classes[i]))
            ++i;
        if (i > start && classes.sliced(start, i - start) == token)
            return true;
    }
    return false;
}

struct Attribute {
    QByteArrayView name;
    QByteArrayView value;
};

// A forward-only walk over the tags of a page: comments are skipped, and so is the text of
// script and style elements, where markup-like strings are program text.
class TagScanner {
public:
    explicit TagScanner(QByteArrayView html) : m_html(html) {}

    // Moves to the next tag; false at the end of the page.
    bool next() {
        m_attributes.clear();
        for (;;) {
            const qsizetype open = m_html.indexOf('<', m_pos);
            if (open < 0 || open + 1 >= m_html.size())
                return false;
            m_pos = open + 1;
            if (m_html.sliced(m_pos).startsWith("!--")) {
                const qsizetype end = m_html.indexOf("-->", m_pos + 3);
                m_pos = end < 0 ? m_html.size() : end + 3;
                continue;
            }
            m_closing = m_html[m_pos] == '/';
            if (m_closing)
                ++m_pos;
            const qsizetype nameStart = m_pos;
            while (m_pos < m_html.size() && isNameChar(m_html[m_pos]))
                ++m_pos;
            if (m_pos == nameStart)
                continue; // "<" in text, or "<!doctype"
            m_name = m_html.sliced(nameStart, m_pos - nameStart);
            readAttributes();
            if (!m_closing && (equalsIgnoringCase(m_name, "script") || equalsIgnoringCase(m_name, "style")))
                skipRawText();
            return true;
        }
    }

    QByteArrayView name() const { return m_name; }
    bool isClosing() const { return m_closing; }
    bool is(QByteArrayView name) const { return equalsIgnoringCase(m_name, name); }

    // The value of the first attribute of that name; null when the tag has none.
    QByteArrayView attribute(QByteArrayView name) const {
        for (const Attribute& attribute : m_attributes) {
            if (equalsIgnoringCase(attribute.name, name))
                return attribute.value.isNull() ? QByteArrayView("") : attribute.value;
        }
        return {};
    }

private:
    static bool isNameChar(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == ':';
    }

    void readAttributes() {
        const qsizetype size = m_html.size();
        while (m_pos < size) {
            while (m_pos < size && (isSpace(m_html[m_pos]) || m_html[m_pos] == '/'))
                ++m_pos;
            if (m_pos >= size)
                return;
            if (m_html[m_pos] == '>') {
                ++m_pos;
                return;
            }
            const qsizetype nameStart = m_pos;
            while (m_pos < size && !isSpace(m_html[m_pos]) && m_html[m_pos] != '=' && m_html[m_pos] != '>' &&
                   m_html[m_pos] != '/')
                ++m_pos;
            if (m_pos == nameStart) { // a stray "=": skip it
                ++m_pos;
                continue;
            }
            Attribute attribute{m_html.sliced(nameStart, m_pos - nameStart), {}};
            qsizetype p = m_pos;
            while (p < size && isSpace(m_html[p]))
                ++p;
            if (p < size && m_html[p] == '=') {
                ++p;
                while (p < size && isSpace(m_html[p]))
                    ++p;
                if (p < size && (m_html[p] == '"' || m_html[p] == '\'')) {
                    const char quote = m_html[p];
                    const qsizetype end = m_html.indexOf(quote, p + 1);
                    const qsizetype stop = end < 0 ? size : end;
                    attribute.value = m_html.sliced(p + 1, stop - p - 1);
                    p = end < 0 ? size : end + 1;
                } else {
                    const qsizetype valueStart = p;
                    while (p < size && !isSpace(m_html[p]) && m_html[p] != '>')
                        ++p;
                    attribute.value = m_html.sliced(valueStart, p - valueStart);
                }
                m_pos = p;
            }
            if (!m_closing)
                m_attributes.append(attribute);
        }
    }

    void skipRawText() {
        // The element ends at the first "</name", whatever its case.
        for (qsizetype end = m_html.indexOf("</", m_pos); end >= 0; end = m_html.indexOf("</", end + 2)) {
            const qsizetype nameEnd = end + 2 + m_name.size();
            if (nameEnd <= m_html.size() &&
                equalsIgnoringCase(m_html.sliced(end + 2, m_name.size()), m_name)) {
                m_pos = end;
                return;
            }
        }
        m_pos = m_html.size();
    }

    QByteArrayView m_html;
    qsizetype m_pos = 0;
    QByteArrayView m_name;
    bool m_closing = false;
    QList<Attribute> m_attributes;
};

PageVerdict judgeMarkup(QByteArrayView body, MarkupSource source) {
    // A browser that runs scripts neither shows nor follows what stands in <noscript>.
    const bool noscriptCounts = source == MarkupSource::Download;
    bool needsScripts = false;
    int noscriptDepth = 0;
    TagScanner tags(body);
    while (tags.next()) {
        if (tags.is("noscript")) {
            noscriptDepth = tags.isClosing() ? std::max(0, noscriptDepth - 1) : noscriptDepth + 1;
            continue;
        }
        if (tags.isClosing())
            continue;
        if (tags.attribute("id") == QByteArrayView("captcha-form") ||
            hasClassToken(tags.attribute("class"), "g-recaptcha"))
            return PageVerdict::CaptchaPage; // wins over the script demand a block page also makes
        if (noscriptDepth > 0 && !noscriptCounts)
            continue;
        if (tags.is("meta") && equalsIgnoringCase(tags.attribute("http-equiv"), "refresh") &&
            referenceAsksForScripts(refreshTarget(tags.attribute("content"))))
            needsScripts = true;
        if (noscriptDepth > 0 && tags.is("a") && referenceAsksForScripts(tags.attribute("href")))
            needsScripts = true;
    }
    return needsScripts ? PageVerdict::NeedsJavaScript : PageVerdict::ResultsPage;
}

} // namespace

PageVerdict JudgePage(const QUrl& finalUrl, QByteArrayView body, MarkupSource source) {
    if (finalUrl.host().startsWith(QStringLiteral("consent."), Qt::CaseInsensitive))
        return PageVerdict::ConsentPage;
    if (finalUrl.path().contains(QStringLiteral("/sorry/")))
        return PageVerdict::CaptchaPage;
    const PageVerdict markup = judgeMarkup(body, source);
    if (markup == PageVerdict::ResultsPage && pathAsksForScripts(finalUrl))
        return PageVerdict::NeedsJavaScript;
    return markup;
}

QString PageVerdictSentence(PageVerdict verdict) {
    switch (verdict) {
    case PageVerdict::ResultsPage:
        return {};
    case PageVerdict::ConsentPage:
        return QStringLiteral(
            "The search engine asked for consent to its terms first; no results were read.");
    case PageVerdict::CaptchaPage:
        return QStringLiteral("The search engine asked for a captcha; no results were read.");
    case PageVerdict::NeedsJavaScript:
        return QStringLiteral("The search engine asked for JavaScript; no results were read.");
    }
    return {};
}

} // namespace velmora::search
