#include "search/ExtractAds.h"
#include "search/PageText.h"

#include "TestSupport.h"

#include <QTest>

using velmora::search::AdRow;
using velmora::search::AdRowSink;
using velmora::search::ExtractAds;
using velmora::search::PageTextFromBytes;
using Rows = QList<AdRow>;

namespace {

AdRow ad(const char* title, const char* text, const char* url, const char* keyword, int position) {
    return AdRow{title, text, url, keyword, QByteArray::number(position)};
}

// A page as the program gets it: the saved bytes through the page-text rules.
QByteArray fixturePage(const char* name) {
    return PageTextFromBytes(
        velmora::testing::readTestData(QStringLiteral("serp/") + QLatin1StringView(name)));
}

QByteArray sharedPage(const char* name) {
    return PageTextFromBytes(
        velmora::testing::readSharedTestData(QStringLiteral("serp/") + QLatin1StringView(name)));
}

void compareRows(const Rows& actual, const Rows& expected) {
    for (qsizetype i = 0; i < qMin(actual.size(), expected.size()); ++i) {
        QCOMPARE(actual[i].title, expected[i].title);
        QCOMPARE(actual[i].text, expected[i].text);
        QCOMPARE(actual[i].url, expected[i].url);
        QCOMPARE(actual[i].keyword, expected[i].keyword);
        QCOMPARE(actual[i].position, expected[i].position);
    }
    QCOMPARE(actual.size(), expected.size());
}

class RecordingSink final : public AdRowSink {
public:
    void appendRow(const AdRow& row) override { rows.append(row); }
    Rows rows;
};

const char kWorkedExample[] =
    R"(<div><a id=an1 href="/x">Red <b>Shoes</b></a> Best shoes<cite>ShoeShop</cite></div><ol><li>)"
    R"(<a id=pa1 href="/y">Blue Boots</a><br><cite>BootBarn</cite>Warm &amp; dry<li><a id=pa2 href="/z">)"
    R"(Green Hats</a><cite>HatHut</cite>Sun hats</div>)";

} // namespace

class TestExtractAds : public QObject {
    Q_OBJECT

private slots:
    void extracts_data();
    void extracts();
    void largePage();
    void appendsAfterExistingRowsAndRestartsNumbering();
    void keywordIsWrittenUnchanged();
    void realPageWithAds();
};

void TestExtractAds::extracts_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<Rows>("expected");

    QTest::newRow("worked example") << QByteArray(kWorkedExample)
                                    << Rows{ad("Red Shoes", " Best shoes", "ShoeShop", "shoes", 1),
                                            ad("Blue Boots", "Warm & dry", "BootBarn", "shoes", 2),
                                            ad("Green Hats", "Sun hats", "HatHut", "shoes", 3)};
    QTest::newRow("worked example, LF lines")
        << PageTextFromBytes(
               "<div><a id=an1 href=\"/x\">Red <b>Shoes</b></a> Best shoes\n<cite>ShoeShop</cite>"
               "</div>\n<ol><li><a id=pa1 href=\"/y\">Blue Boots</a><br>\n<cite>BootBarn</cite>Warm "
               "&amp; dry\n<li><a id=pa2 href=\"/z\">Green Hats</a><cite>HatHut</cite>Sun hats\n</div>")
        << Rows{ad("Red Shoes", " Best shoes", "ShoeShop", "shoes", 1),
                ad("Blue Boots", "Warm & dry", "BootBarn", "shoes", 2),
                ad("Green Hats", "Sun hats", "HatHut", "shoes", 3)};

    QTest::newRow("empty page") << QByteArray() << Rows{};
    QTest::newRow("page without ads") << fixturePage("no-ads.html") << Rows{};
    QTest::newRow("capital-letter anchors") << fixturePage("capital-anchors.html") << Rows{};
    QTest::newRow("real page without ads") << sharedPage("google-concurrency-2012-04-noads.html") << Rows{};

    QTest::newRow("two top and three side ads")
        << fixturePage("top-and-side.html")
        << Rows{ad("Garden Hose Sale", "Heavy-duty hoses from &pound;9.Free delivery & returns.",
                   "www.hosedirect.example/garden", "shoes", 1),
                ad("Hose Reels & Carts", "Wall-mounted \"Easy Wind\" reels, in stock today",
                   "ReelWorks.example", "shoes", 2),
                ad("Pro Garden Supplies", " Everything for your garden &mdash; since 1982",
                   "gardenpro.example", "shoes", 3),
                ad("Water's Edge Hoses", "Expanding hoses, 15m to 50m.", "www.waterwise.example/hoses",
                   "shoes", 4),
                ad("Drip Irrigation Kits", "Save water > save money.", "drip.example", "shoes", 5)};

    QTest::newRow("missing cite runs on to the next ad")
        << fixturePage("missing-cite.html")
        << Rows{ad("Bright Bike Lights",
                   "USB rechargeable, 800 lumen.<li><a id=an2 "
                   "href=\"/aclk?sa=l&ai=Cm2&q=http://www.cyclestore.example/\">Cycle Store</a>Lights, locks "
                   "& "
                   "helmets",
                   "www.cyclestore.example", "shoes", 1),
                ad("Reflective Vests", "Be seen at night.", "reflect.example", "shoes", 2)};

    QTest::newRow("pa ad before an ad is lost")
        << fixturePage("pa-before-an.html")
        << Rows{ad("Espresso Machines -20%", "Dual boiler models in stock.", "www.brewhouse.example/espresso",
                   "shoes", 1)};

    QTest::newRow("no an ads: whole page searched for pa ads")
        << QByteArray(R"(<ol><li><a id=pa1 href="/a">One</a><cite>one.example</cite>first)"
                      R"(<li><a id=pa2 href="/b">Two</a><cite>two.example</cite>second</ol></div>)")
        << Rows{ad("One", "first", "one.example", "shoes", 1),
                ad("Two", "second", "two.example", "shoes", 2)};

    QTest::newRow("last pa ad without block end has no text")
        << QByteArray(R"(<li><a id=pa1 href="/a">One</a><cite>one.example</cite>first)"
                      R"(<li><a id=pa2 href="/b">Two</a><cite>two.example</cite>second)")
        << Rows{ad("One", "first", "one.example", "shoes", 1), ad("Two", "", "two.example", "shoes", 2)};

    QTest::newRow("anchor without quote and bracket")
        << QByteArray(R"(<a id=an1 href=/x>Title</a> text<cite>x.example</cite>)")
        << Rows{ad("", " text", "x.example", "shoes", 1)};

    QTest::newRow("anchor without quote and bracket takes the next ad's title")
        << QByteArray(R"(<a id=an1 href=/x>First</a> one<cite>one.example</cite>)"
                      R"(<a id=an2 href="/y">Second</a> two<cite>two.example</cite>)")
        << Rows{ad("Second", " two", "two.example", "shoes", 1)};

    QTest::newRow("capital anchor before lower-case one is cut first")
        << QByteArray(R"(<A ID=AN1 HREF="/a">Upper</A> up<CITE>up.example</CITE>)"
                      R"(<a id=an2 href="/b">Lower</a> low<cite>low.example</cite>)")
        << Rows{ad("Upper", " up", "up.example", "shoes", 1), ad("Lower", " low", "low.example", "shoes", 2)};

    QTest::newRow("capital anchor swallows the lower-case ad")
        << QByteArray(R"(<A ID=AN1 HREF="/a">Upper</A> up <a id=an2 href="/b">Lower</a> low<cite>low</cite>)")
        << Rows{ad("Upper", " up <a id=an2 href=\"/b\">Lower</a> low", "low", "shoes", 1)};

    QTest::newRow("capital pa anchor alone starts nothing")
        << QByteArray(R"(<A ID=PA1 HREF="/a">Upper</A><CITE>up</CITE>text</DIV>)") << Rows{};

    QTest::newRow("ad whose cuts all fail still gives a row")
        << QByteArray("<a id=an") << Rows{ad("", "", "", "shoes", 1)};

    QTest::newRow("every pa ad gets a row even when its cuts fail")
        << QByteArray("x<a id=pay<a id=pa") << Rows{ad("", "", "", "shoes", 1), ad("", "", "", "shoes", 2)};

    QTest::newRow("pa text between title and URL is skipped; other tags stay")
        << QByteArray(
               R"(<a id=pa1 href="/a"><span>Deal</span></a><br>skipped<cite>d.example</cite>Now</div>)")
        << Rows{ad("<span>Deal</span>", "Now", "d.example", "shoes", 1)};

    QTest::newRow("markers found in any case by the cuts")
        << QByteArray(R"(<a id=an1 href="/a">T</A>x<CITE>u</Cite>)") << Rows{ad("T", "x", "u", "shoes", 1)};
}

void TestExtractAds::extracts() {
    QFETCH(QByteArray, page);
    QFETCH(Rows, expected);
    compareRows(ExtractAds(page, "shoes"), expected);
}

void TestExtractAds::largePage() {
    // The large fixture: thirty top ads and twenty side ads among a long script and four
    // hundred organic results, with CR LF line ends and UTF-8 letters in the titles.
    Rows expected;
    for (int i = 1; i <= 30; ++i) {
        const QByteArray n = QByteArray::number(i);
        expected.append(AdRow{"Offer " + n + ": Caf & Bistro Chairs",
                              "Stackable chairs, set of " + n + ".Free delivery",
                              "www.chairs" + n + ".example/bistro", "bistro chairs", n});
    }
    for (int j = 1; j <= 20; ++j) {
        const QByteArray n = QByteArray::number(j);
        expected.append(AdRow{"Side offer " + n + " 'Tables'", "Round & square tables, from " + n + "0 EUR",
                              "tables" + n + ".example", "bistro chairs", QByteArray::number(30 + j)});
    }
    compareRows(ExtractAds(fixturePage("large.html"), "bistro chairs"), expected);
}

void TestExtractAds::appendsAfterExistingRowsAndRestartsNumbering() {
    RecordingSink sink;
    const AdRow existing{"kept", "", "", "", "9"};
    sink.rows.append(existing);
    ExtractAds(QByteArray(kWorkedExample), "shoes", sink);
    ExtractAds(QByteArray(kWorkedExample), "boots", sink);
    QCOMPARE(sink.rows.size(), 7);
    QCOMPARE(sink.rows[0], existing);
    QList<QByteArray> positions, keywords;
    for (const AdRow& row : sink.rows.sliced(1)) {
        positions.append(row.position);
        keywords.append(row.keyword);
    }
    QCOMPARE(positions, (QList<QByteArray>{"1", "2", "3", "1", "2", "3"}));
    QCOMPARE(keywords, (QList<QByteArray>{"shoes", "shoes", "shoes", "boots", "boots", "boots"}));
}

void TestExtractAds::keywordIsWrittenUnchanged() {
    const QByteArray keyword("caf\xe9 &amp; \"<b>tea</b>\"  x");
    const Rows rows = ExtractAds(QByteArray(kWorkedExample), keyword);
    QCOMPARE(rows.size(), 3);
    for (const AdRow& row : rows)
        QCOMPARE(row.keyword, keyword);
}

void TestExtractAds::realPageWithAds() {
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

QTEST_GUILESS_MAIN(TestExtractAds)
#include "tst_ExtractAds.moc"
