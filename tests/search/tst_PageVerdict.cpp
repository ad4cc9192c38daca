// Pages that are recognisably not results pages, judged from the final address and the markup.

#include "search/PageVerdict.h"

#include <QTest>
#include <QUrl>

using velmora::search::JudgePage;
using velmora::search::MarkupSource;
using velmora::search::PageVerdict;

Q_DECLARE_METATYPE(PageVerdict)
Q_DECLARE_METATYPE(MarkupSource)

namespace {

const char ResultsUrl[] = "https://engine.example/search?q=shoes";
const char ResultsBody[] =
    "<html><body><div id=tads><a id=an1 href=\"/aclk?x\">Red shoes</a> Best<cite>shop.example</cite></div>"
    "<noscript><a href=\"/search?q=shoes&amp;gbv=1\">Basic version</a></noscript></body></html>";

} // namespace

class TestPageVerdict : public QObject {
    Q_OBJECT

private slots:
    void judges_data();
    void judges();
};

void TestPageVerdict::judges_data() {
    QTest::addColumn<QByteArray>("finalUrl");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<PageVerdict>("verdict");
    QTest::addColumn<MarkupSource>("source");

    auto row = [](const char* name, const char* url, const char* body, PageVerdict verdict,
                  MarkupSource source = MarkupSource::Download) {
        QTest::newRow(name) << QByteArray(url) << QByteArray(body) << verdict << source;
    };
    const auto Results = PageVerdict::ResultsPage;
    row("results page", ResultsUrl, ResultsBody, Results);
    row("empty page", ResultsUrl, "", Results);

    row("consent host",
        "https://consent.engine.example/ml?continue=https://engine.example/search%3Fq%3Dshoes", ResultsBody,
        PageVerdict::ConsentPage);
    row("consent host in capitals", "https://CONSENT.engine.example/", "", PageVerdict::ConsentPage);
    row("consent elsewhere in the host", "https://www.consent.example/search?q=x", ResultsBody, Results);

    row("block path", "https://engine.example/sorry/index?continue=x", "<p>Unusual traffic</p>",
        PageVerdict::CaptchaPage);
    row("captcha form", ResultsUrl, "<body><form id=\"captcha-form\" action=\"index\" method=post>",
        PageVerdict::CaptchaPage);
    row("captcha form, other quoting", ResultsUrl, "<FORM method=post ID='captcha-form'>",
        PageVerdict::CaptchaPage);
    row("captcha widget among classes", ResultsUrl, "<div data-s=x class=\"wide g-recaptcha\"></div>",
        PageVerdict::CaptchaPage);
    row("captcha wins over the script demand", ResultsUrl,
        "<noscript><a href=\"/httpservice/retry/enablejs\">x</a></noscript><div class=g-recaptcha>",
        PageVerdict::CaptchaPage);

    row("script demand in the final path", "https://engine.example/httpservice/retry/enablejs?sei=abc", "",
        PageVerdict::NeedsJavaScript);
    row("meta refresh", ResultsUrl,
        "<noscript><meta content=\"0;url=/httpservice/retry/enablejs?sei=abc\" "
        "http-equiv=\"refresh\"></noscript>",
        PageVerdict::NeedsJavaScript);
    row("meta refresh, quoted address", ResultsUrl,
        "<meta http-equiv=Refresh content=\"0; URL='https://engine.example/x/enablejs'\">",
        PageVerdict::NeedsJavaScript);
    row("link in noscript", ResultsUrl,
        "<noscript><div>Please click <a "
        "href=\"/httpservice/retry/enablejs?sei=abc\">here</a></div></noscript>",
        PageVerdict::NeedsJavaScript);

    // Results pages about the very words the rules look for.
    row("results for recaptcha", "https://engine.example/search?q=recaptcha",
        "<li><a href=\"https://dev.example/recaptcha\">reCAPTCHA</a> Add <code>class=\"g-recaptcha\"</code> "
        "and id=\"captcha-form\" to your form<cite>dev.example</cite>",
        Results);
    row("results for enablejs", "https://engine.example/search?q=enablejs",
        "<noscript><a href=\"/search?q=enablejs&amp;gbv=1\">Basic</a>"
        "<meta http-equiv=refresh content=\"0;url=/search?q=enablejs&amp;gbv=1\"></noscript>"
        "<a href=\"https://site.example/enablejs\">enablejs</a>",
        Results);
    row("link outside noscript", ResultsUrl, "<a href=\"/httpservice/retry/enablejs\">x</a>", Results);
    row("markup inside a script", ResultsUrl,
        "<script>var s='<noscript><a href=\"/enablejs\">'; var c='<div class=\"g-recaptcha\">';</script>",
        Results);
    row("markup inside a comment", ResultsUrl, "<!-- <form id=\"captcha-form\"> -->", Results);
    row("unterminated tag", ResultsUrl, "<div class=\"g-recaptch", Results);

    // A page that has run its scripts: what stands in <noscript> is no demand any more.
    const auto Scripted = MarkupSource::ScriptedPage;
    const char* const demandInNoscript =
        "<noscript><meta content=\"0;url=/httpservice/retry/enablejs?sei=abc\" http-equiv=\"refresh\">"
        "<div>Please click <a href=\"/httpservice/retry/enablejs?sei=abc\">here</a></div></noscript>"
        "<div id=tads>ads</div>";
    row("scripted: demand in noscript", ResultsUrl, demandInNoscript, Results, Scripted);
    row("scripted: refresh outside noscript", ResultsUrl,
        "<meta http-equiv=refresh content=\"0;url=/x/enablejs\">", PageVerdict::NeedsJavaScript, Scripted);
    row("scripted: demand in the final path", "https://engine.example/httpservice/retry/enablejs", "",
        PageVerdict::NeedsJavaScript, Scripted);
    row("scripted: captcha in noscript", ResultsUrl, "<noscript><div class=\"g-recaptcha\"></div></noscript>",
        PageVerdict::CaptchaPage, Scripted);
    row("scripted: consent host", "https://consent.engine.example/", "", PageVerdict::ConsentPage, Scripted);
}

void TestPageVerdict::judges() {
    QFETCH(QByteArray, finalUrl);
    QFETCH(QByteArray, body);
    QFETCH(PageVerdict, verdict);
    QFETCH(MarkupSource, source);
    QCOMPARE(JudgePage(QUrl::fromEncoded(finalUrl), body, source), verdict);
}

QTEST_GUILESS_MAIN(TestPageVerdict)
#include "tst_PageVerdict.moc"
