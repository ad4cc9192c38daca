#include "search/PageVerdict.h"

#include "html/AsciiCase.h"
#include "html/HtmlTagScan.h"

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

// The value of the first attribute of that name; null when the tag has none.
QByteArrayView attribute(const QList<Attribute>& attributes, QByteArrayView name) {
    for (const Attribute& attribute : attributes) {
        if (equalsIgnoringCase(attribute.name, name))
            return attribute.value.isNull() ? QByteArrayView("") : attribute.value;
    }
    return {};
}

PageVerdict judgeMarkup(QByteArrayView body, MarkupSource source) {
    // A browser that runs scripts neither shows nor follows what stands in <noscript>.
    const bool noscriptCounts = source == MarkupSource::Download;
    bool needsScripts = false;
    int noscriptDepth = 0;
    QList<Attribute> attributes;
    const html::AttributeVisitor collect = [&](QByteArrayView name, QByteArrayView value) {
        attributes.append({name, value});
    };
    // A forward-only walk over the tags: comments are skipped, and so is the text of script and
    // style elements, where markup-like strings are program text.
    for (qsizetype at = body.indexOf('<'); at >= 0; at = body.indexOf('<', at)) {
        attributes.clear();
        const html::Tag tag = html::readTag(body, at, collect);
        at = tag.end;
        if (tag.kind != html::TagKind::Start && tag.kind != html::TagKind::End)
            continue;
        const bool closing = tag.kind == html::TagKind::End;
        const auto is = [&](QByteArrayView name) { return equalsIgnoringCase(tag.name, name); };
        if (!closing && (is("script") || is("style")))
            at = html::skipRawText(body, at, tag.name);
        if (is("noscript")) {
            noscriptDepth = closing ? std::max(0, noscriptDepth - 1) : noscriptDepth + 1;
            continue;
        }
        if (closing)
            continue;
        if (attribute(attributes, "id") == QByteArrayView("captcha-form") ||
            hasClassToken(attribute(attributes, "class"), "g-recaptcha"))
            return PageVerdict::CaptchaPage; // wins over the script demand a block page also makes
        if (noscriptDepth > 0 && !noscriptCounts)
            continue;
        if (is("meta") && equalsIgnoringCase(attribute(attributes, "http-equiv"), "refresh") &&
            referenceAsksForScripts(refreshTarget(attribute(attributes, "content"))))
            needsScripts = true;
        if (noscriptDepth > 0 && is("a") && referenceAsksForScripts(attribute(attributes, "href")))
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
