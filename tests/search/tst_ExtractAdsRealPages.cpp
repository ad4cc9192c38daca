// The ad extraction on real results pages from outside the project (../shared/testdata).

#include "search/ExtractAds.h"
#include "search/PageText.h"

#include "AdRowsTesting.h"
#include "TestSupport.h"

#include <QTest>

using velmora::search::ExtractAds;
using velmora::search::PageTextFromBytes;
using velmora::testing::ad;
using velmora::testing::compareRows;
using velmora::testing::Rows;

namespace {

// A page as the program gets it: the saved bytes through the page-text rules.
QByteArray sharedPage(const char* name) {
    return PageTextFromBytes(
        velmora::testing::readSharedTestData(QStringLiteral("serp/") + QLatin1StringView(name)));
}

} // namespace

class TestExtractAdsRealPages : public QObject {
    Q_OBJECT

private slots:
    void pageWithoutAds();
    void pageWithAds();
};

void TestExtractAdsRealPages::pageWithoutAds() {
    compareRows(ExtractAds(sharedPage("google-concurrency-2012-04-noads.html"), "shoes"), Rows{});
}

void TestExtractAdsRealPages::pageWithAds() {
    // Every ad anchor in this page closes its opening tag with a quote, a space and ">", so
    // the quote-and-bracket that ends the skipped part is only found far behind the first
    // ad, in the "See your ad here" link. The rows below are what the fixed markers give,
    // worked out by hand from the bytes around each marker: the first-group row takes that
    // link as its title and the side-ad block up to the first side ad's URL as its text;
    // the cursor then stands behind the first side ad, so only the second one starts an ad,
    // and its cuts run on into the news results.
    const Rows expected{
        ad(R"(<a href="https://adwords.google.com/select/Login?sourceid=awo&subid=-en-et-symh&medium=link&hl=en" )"
           R"(class=fl>See your ad here&raquo;)",
           R"x(<tr><td id=rhspad></table><div class=c id=tads><h2 style="float:right;margin:3px 3px 0">)x"
           R"x(Sponsored Links</h2><ol onmouseover="return true" style="padding:3px 0"><li class=taf><a id=pa1 )x"
           R"x(href="/aclk?sa=L&ai=Ch_kSuYlKS8LTBo-47AOnupCJAuy00IABsOG94w78vPwFCAAQASgCUKyqqOf9_____wFgpbiagJwB)x"
           R"x(yAEBqQJRj0lT-MSuPqoEGU_Qqhl_wa5Ixl7q9HBIw5gDfScNKWLPdMg&sig=AGiWqtzSHCuUg5BLwGf2xmgpA0JoRkYDdQ&q=)x"
           R"x(http://akatracking.esearchvision.com/esi/redirect.html%3Fesvt%3D101758-GOAUE%26esvq%3Dipod%26esvadt)x"
           R"x(%3D999999-5070368-1082675-1%26esvcrea%3D3869157590%26esvplace%3D%26transferparams%3D1%26esvaid%3D3)x"
           R"x(20%26url%3Dhttp%253a%252f%252fstore.apple.com%252fau%252fgo%252fipod%253faosid%253dp202%2526cid%25)x"
           R"x(3dAOS-AP-AU-Google-AA0000018610" >iPod at The Apple Store</a>)x",
           "store.apple.com/au/ipod", "ipod", 1),
        ad("News results for ipod",
           R"x( - <a href="http://news.google.com/news/story?hl=en&q=ipod&um=1&ie=UTF-8&ncl=dv-OIjTUKHF0eOMcWf567y)x"
           R"x(v6LXclM&ei=uYlKS4SbBoGg6gPf-5XXCw&sa=X&oi=news_result&ct=more-results&resnum=1&ved=0CBgQqgIwAA">588 )x"
           R"x(related articles&raquo;</a></span><!--n--><!--m--><div><a href="http://cgi.money.cnn.com/tools/redi)x"
           R"x(rect.jsp?url=http://brainstormtech.blogs.fortune.cnn.com/2010/01/08/how-many-ipods-did-apple-sell/" )x"
           R"x(class=l onmousedown="return clk(this.href,'news_result','','res','2','','0CBoQqQIwAQ')">How many iP)x"
           R"x(ods did Apple sell?</a> - <span class=gl><cite>CNNMoney.com (blog)</cite> - <a href="http://news.g)x"
           R"x(oogle.com/news/story?hl=en&q=ipod&um=1&ie=UTF-8&ncl=dydwbYh1CAUHOvM&ei=uYlKS4SbBoGg6gPf-5XXCw&sa=X&o)x"
           R"x(i=news_result&ct=more-results&resnum=2&ved=0CBsQqgIwAQ" >60 related articles&raquo;</a></span>)x",
           "San Francisco Chronicle (blog)", "ipod", 2)};
    const QByteArray page = sharedPage("google-ipod-2010-01.html");
    compareRows(ExtractAds(page, "ipod"), expected);
}

QTEST_GUILESS_MAIN(TestExtractAdsRealPages)
#include "tst_ExtractAdsRealPages.moc"
