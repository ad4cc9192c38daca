#include "search/ExtractAds.h"
#include "search/PageText.h"

#include "AdRowsTesting.h"
#include "TestSupport.h"

#include <QTest>

using velmora::search::AdRow;
using velmora::search::AdRowSink;
using velmora::search::ExtractAds;
using velmora::search::PageTextFromBytes;
using velmora::testing::ad;
using velmora::testing::compareRows;
using velmora::testing::Rows;

namespace {

// A page as the program gets it: the saved bytes through the page-text rules.
QByteArray fixturePage(const char* name) {
    return PageTextFromBytes(
        velmora::testing::readTestData(QStringLiteral("serp/") + QLatin1StringView(name)));
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

QTEST_GUILESS_MAIN(TestExtractAds)
#include "tst_ExtractAds.moc"
