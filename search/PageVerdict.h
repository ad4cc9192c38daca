#pragma once

#include <QByteArrayView>
#include <QString>

class QUrl;

namespace velmora::search {

// What a downloaded page is, when it is recognisably not a results page. The engine answers
// some clients with a page that asks for something first; reading ads from it would look
// like a search without ads.
enum class PageVerdict {
    ResultsPage,     // nothing speaks against it: the ads are read from it
    ConsentPage,     // the final address is on the engine's consent host
    CaptchaPage,     // the engine's block page, or its captcha form
    NeedsJavaScript, // the page sends a client without scripts to an "enablejs" address
};

// Where the markup of a page comes from.
enum class MarkupSource {
    Download,     // the bytes a client without scripts received
    ScriptedPage, // a document that has run its scripts, as the web engine serialized it
};

// Judges a page by the address it was finally served from (after redirects) and its markup.
// Only addresses' paths and the markup's tags count, never a query or the text between tags,
// so a results page for the keyword "recaptcha" or "enablejs" stays a results page. What
// stands inside <noscript> is ignored in a page that has run its scripts, as a browser
// ignores it. Linear in the size of the body.
PageVerdict JudgePage(const QUrl& finalUrl, QByteArrayView body,
                      MarkupSource source = MarkupSource::Download);

// The status-bar sentence for a verdict; empty for a results page.
QString PageVerdictSentence(PageVerdict verdict);

} // namespace velmora::search
