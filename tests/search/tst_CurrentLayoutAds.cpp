// The reader of today's results pages on hand-made pages, and the choice between it and the
// classic rules. Expected cells are written from what the pages show.

#include "search/ReadAds.h"

#include "AdRowsTesting.h"
#include "TestSupport.h"

#include <QDir>
#include <QStringEncoder>
#include <QTest>

using velmora::search::AdLayout;
using velmora::search::AdRow;
using velmora::search::AdRowSink;
using velmora::search::AdsRead;
using velmora::search::ReadAds;
using velmora::testing::compareRows;
using velmora::testing::Rows;

namespace {

// An ad of keyword "kw"; most pages here hold their ads in the block above the results.
AdRow ad(const char* title, const char* text, const char* url, int position,
         const char* block = velmora::search::TopBlock) {
    return AdRow{title, text, url, "kw", QByteArray::number(position), block};
}

QByteArray page(const char* name) {
    return velmora::testing::readTestData(QStringLiteral("serp/") + QLatin1StringView(name));
}

// One text ad in the desktop layout's manner.
QByteArray textAd(const QByteArray& title, const QByteArray& text, const QByteArray& url) {
    return "<div data-text-ad=\"1\"><span>Sponsored</span><a data-rw=\"/aclk?x\" href=\"/t\"><div "
           "role=\"heading\">" +
           title + "</div><span role=\"text\">" + url + "</span></a><div><span>" + text +
           "</span></div></div>";
}

QByteArray adPage(const QByteArray& head, const QByteArray& ads) {
    return "<html><head>" + head + "</head><body><div id=\"tads\">" + ads + "</div></body></html>";
}

class RowList final : public AdRowSink {
public:
    void appendRow(const AdRow& row) override { rows.append(row); }
    Rows rows;
};

QByteArray repeated(const QByteArray& unit, int count) {
    QByteArray out;
    out.reserve(unit.size() * count);
    for (int i = 0; i < count; ++i)
        out += unit;
    return out;
}

const char kClassicPage[] =
    R"(<div><a id=an1 href="/x">Red <b>Shoes</b></a> Best shoes<cite>ShoeShop</cite></div><ol><li>)"
    R"(<a id=pa1 href="/y">Blue Boots</a><br><cite>BootBarn</cite>Warm &amp; dry</div>)";

} // namespace

class TestCurrentLayoutAds : public QObject {
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
    void manyAdsUpToTheLimit_data();
    void manyAdsUpToTheLimit();
    void longAdsCutByTheLimitAreWholeOrLeftOut_data();
    void longAdsCutByTheLimitAreWholeOrLeftOut();
    void chooses_data();
    void chooses();
    void namesAdsNotRead_data();
    void namesAdsNotRead();
};

void TestCurrentLayoutAds::reads_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<Rows>("expected");

    QTest::newRow("ads only in the bottom block")
        << page("current-bottom-only.html")
        << Rows{ad("Bistro Sets - Order Today, Delivered Tomorrow",
                   "Folding bistro sets in 12 colours. Weatherproof steel, 5-year warranty.",
                   "https://www.terracefurniture.example \xE2\x80\xBA bistro-sets", 1, "bottom"),
                ad("Cafe Chairs Wholesale",
                   "Trade prices on cafe and bistro seating. Free samples for businesses.",
                   "outdoor.example/chairs", 2, "bottom")};
    QTest::newRow("ads above the results, below them, and outside every block")
        << QByteArray(
               "<div id=tvcap><div id=\"tads\">" + textAd("Lamps", "Half price.", "lamps.example") +
               "</div></div><div id=rso><div class=g><a href=\"/r\"><h3>Lamp shops</h3></a></div></div>"
               "<div id=bottomads>" +
               textAd("Chairs", "Oak chairs.", "chairs.example") + "</div>" +
               textAd("Desks", "Outside every block.", "desks.example"))
        << Rows{ad("Lamps", "Half price.", "lamps.example", 1, "top"),
                ad("Chairs", "Oak chairs.", "chairs.example", 2, "bottom"),
                ad("Desks", "Outside every block.", "desks.example", 3, "")};
    QTest::newRow("an ad without a displayed address")
        << page("current-no-url.html")
        << Rows{ad("Piano Lessons at Home", "Qualified teachers for all ages. First lesson free.", "", 1),
                ad("Keys Academy - Online Piano Course",
                   "Learn piano at your own pace with 300 video lessons.", "www.keysacademy.example/lessons",
                   2)};
    // Unclosed and misnested tags, capitals, unquoted attributes, ads in a comment and a script,
    // a sponsored carousel, sitelinks with headings, a hidden copy of the address, text before title.
    QTest::newRow("nested and broken markup")
        << page("current-broken-markup.html")
        << Rows{ad("Bistro Tables & Chairs", "Solid oak bistro tables, made to order.",
                   "https://tables.example", 1),
                ad("Marble Bistro Tables", "Marble tops, cast iron bases; shipped in 48 hours across Europe.",
                   "www.marbleco.example \xE2\x80\xBA bistro", 2)};
    QTest::newRow("entities and non-ASCII text, UTF-8")
        << page("current-entities-utf8.html")
        << Rows{ad("Caf\xC3\xA9 M\xC3\xBCller \xE2\x80\x93 Kaffee & Kuchen",
                   "Frisch ger\xC3\xB6stet seit 1952. Tisch reservieren: <b>heute</b> \xE2\x82\xAC 5 "
                   "Gutschein!",
                   "https://www.caf\xC3\xA9-m\xC3\xBCller.example \xE2\x80\xBA z\xC3\xBCrich", 1),
                ad("\xE6\x97\xA5\xE6\x9C\xAC\xE8\x8C\xB6 \xE2\x80\x93 \xE7\xB7\x91\xE8\x8C\xB6 \"Sencha\"",
                   "T\xC3\xA9 verde, th\xC3\xA9 vert, "
                   "\xD0\xB7\xD0\xB5\xD0\xBB\xD1\x91\xD0\xBD\xD1\x8B\xD0\xB9 "
                   "\xD1\x87\xD0\xB0\xD0\xB9 \xE2\x80\x94 100 g ab 9,90 \xE2\x82\xAC",
                   "tea.example", 2)};
    QTest::newRow("Windows-1252 page, declared by http-equiv")
        << page("current-windows-1252.html")
        << Rows{ad("Caf\xC3\xA9 \xE2\x80\x9EZur Post\xE2\x80\x9C \xE2\x80\x93 Men\xC3\xBC ab 12 \xE2\x82\xAC",
                   "Fr\xC3\xBChst\xC3\xBC"
                   "ck \xE2\x80\xA6 t\xC3\xA4glich & sonntags ab 8 Uhr",
                   "www.zur-post.example", 1)};

    const QByteArray latinAd = textAd("Caf\xE9 \x80", "Cr\xE8me", "cafe.example");
    const Rows latinRows{ad("Caf\xC3\xA9 \xE2\x82\xAC", "Cr\xC3\xA8me", "cafe.example", 1)};
    QTest::newRow("undeclared and not UTF-8: Windows-1252") << adPage("", latinAd) << latinRows;
    QTest::newRow("ISO-8859-1 declared: read as Windows-1252")
        << adPage("<meta charset=\"ISO-8859-1\">", latinAd) << latinRows;
    QTest::newRow("another declared set: Windows-1251")
        << adPage("<meta charset=\"windows-1251\">",
                  textAd("\xCA\xEE\xF4\xE5", "\xD7\xE0\xE9", "kofe.example"))
        << Rows{ad("\xD0\x9A\xD0\xBE\xD1\x84\xD0\xB5", "\xD0\xA7\xD0\xB0\xD0\xB9", "kofe.example", 1)};
    QTest::newRow("undeclared UTF-8 stays UTF-8")
        << adPage("", textAd("Caf\xC3\xA9", "Cr\xC3\xA8me", "cafe.example"))
        << Rows{ad("Caf\xC3\xA9", "Cr\xC3\xA8me", "cafe.example", 1)};
    {
        const QByteArray utf8 =
            adPage("<meta charset=\"utf-8\">", textAd("Caf\xC3\xA9", "Cr\xC3\xA8me", "c.example"));
        QStringEncoder toUtf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        const QByteArray utf16 = toUtf16(QString::fromUtf8(utf8));
        QTest::newRow("UTF-16 with byte-order mark")
            << utf16 << Rows{ad("Caf\xC3\xA9", "Cr\xC3\xA8me", "c.example", 1)};
    }

    QTest::newRow("hidden text is not read")
        << adPage("", "<div data-text-ad=1><span>Sponsored</span><a data-rw=/aclk?1><div role=heading>Lamp "
                      "Sale</div>"
                      "</a><div hidden>An old offer, long and no longer shown to anyone at all.</div>"
                      "<div style=\"Visibility: Hidden\">Another long line of text that nobody sees.</div>"
                      "<div>Half price lamps.</div></div>")
        << Rows{ad("Lamp Sale", "Half price lamps.", "", 1)};
    QTest::newRow("an ad container left open around the next ad")
        << adPage(
               "",
               "<div data-text-ad=1><span>Sponsored</span><a data-rw=/aclk?1><div role=heading>First</div>"
               "</a><div>Short one.</div><div data-text-ad=1><span>Sponsored</span><a data-rw=/aclk?2><div "
               "role=heading>Second</div></a><div>The second ad has the longer text of the two.</div></div>")
        << Rows{ad("First", "Short one.", "", 1),
                ad("Second", "The second ad has the longer text of the two.", "", 2)};
    QTest::newRow("empty page") << QByteArray() << Rows{};
    // Older layouts: the ad-click link hidden beside the title's link, the label beside a <cite>,
    // the text after the link; or the address beside "Ad ·" with no element of its own, and
    // sitelinks with headings of their own between the title and the text's end.
    QTest::newRow("hidden ad-click links, address beside the label, sitelinks")
        << adPage("",
                  "<ol><li><div><a style=\"display:none\" href=\"https://x.example/pagead/aclk?sa=1\"></a>"
                  "<a href=\"https://lamps.example/\"><h3>Lamp Sale</h3><div><span>Anzeige</span>"
                  "<cite>www.lamps.example</cite></div></a></div><div>Half price lamps.</div></li>"
                  "<li><div><a style=\"display:none\" href=\"/aclk?sa=2\"></a><a href=\"/c\">"
                  "<h3>Chairs</h3><div><span>Anzeige</span><cite>chairs.example</cite></div></a></div>"
                  "<div>Oak chairs.</div></li></ol>"
                  "<div><a data-rw=\"/aclk?3\"><div role=\"heading\">Desks</div><div><span>Ad<span>"
                  "&middot;</span></span><span>www.desks.example/</span></div></a><div><span>Oak desks, "
                  "today only.</span></div><div><h3><a href=\"/aclk?4\">Desk Lamps</a></h3><div>"
                  "Desks</div><h3><a href=\"/aclk?5\">Floor Lamps</a></h3></div></div>")
        << Rows{ad("Lamp Sale", "Half price lamps.", "www.lamps.example", 1),
                ad("Chairs", "Oak chairs.", "chairs.example", 2),
                ad("Desks", "Oak desks, today only.", "www.desks.example/", 3)};
    QTest::newRow("outside a block of ads, a result beside the ad is not the ad's")
        << QByteArray(
               "<div><div><a href=\"/aclk?1\"><span>Ad</span> <span>lamps.example</span><h3>Lamp Sale</h3>"
               "</a><div>Half price.</div></div><div><a href=\"https://r.example/\"><h3>Lamps</h3></a><div>"
               "A longer snippet of a result that a person reads as a result.</div></div></div>")
        << Rows{ad("Lamp Sale", "Half price.", "lamps.example", 1, "")};
    // The scan looks for the signs a stretch of the page at a time; a sign across the end of one
    // stretch is found all the same. The start of the block lies beyond the stretch read around the
    // ad, so where the ad stands is not known.
    {
        const QByteArray edgeAd = "<div><span>Sponsored</span><a href=\"/aclk?1\"><h3>Edge Lamps</h3></a>"
                                  "<cite>edge.example</cite><div>Lamps at the edge.</div></div>";
        const qsizetype before = adPage("", "").indexOf("</div>") + edgeAd.indexOf("/aclk?");
        QTest::newRow("the only sign across the end of a scanned stretch")
            << adPage("", QByteArray(64 * 1024 - 3 - before, '\n') + edgeAd)
            << Rows{ad("Edge Lamps", "Lamps at the edge.", "edge.example", 1, "")};
    }
    QTest::newRow("a sponsored carousel holds no text ad")
        << adPage("",
                  "<div><span>Sponsored</span><div><a data-rw=\"/aclk?1\"><div role=\"heading\">Lamp A</div>"
                  "<span>$20</span></a><a data-rw=\"/aclk?2\"><div role=\"heading\">Lamp B</div>"
                  "<span>$25</span></a></div></div>")
        << Rows{};
    QTest::newRow("an unlabelled ad-click heading is no ad")
        << adPage("", "<div data-text-ad=\"1\"><a data-rw=\"/aclk?1\"><div role=\"heading\">Lamp A</div></a>"
                      "<div>Lamps for every room.</div></div>")
        << Rows{};
    QTest::newRow("a labelled ad-click heading with neither address nor text is no text ad")
        << adPage("",
                  "<div data-text-ad=\"1\"><span>Sponsored</span><a data-rw=\"/aclk?1\"><div "
                  "role=\"heading\">Tours in Rome</div></a><a data-rw=\"/aclk?2\">Colosseum tour</a></div>")
        << Rows{};
    QTest::newRow("a labelled heading without an ad-click link is no ad")
        << adPage("", "<div data-text-ad=\"1\"><span>Sponsored</span><a href=\"https://lamps.example/\"><div "
                      "role=\"heading\">Lamp A</div></a><div>Lamps for every room.</div></div>")
        << Rows{};

    // Hostile nesting, far deeper than the reader lets the parser see: the reader has to get
    // through it, and still find the ads around it.
    const QByteArray first = textAd("First", "Before the nesting.", "first.example");
    const QByteArray last = textAd("Last", "After the nesting.", "last.example");
    const Rows both{ad("First", "Before the nesting.", "first.example", 1),
                    ad("Last", "After the nesting.", "last.example", 2)};
    QTest::newRow("deeply nested blocks")
        << adPage("", first + repeated("<div data-agch=1>", 3000) + last) << both;
    // Of nesting that deep the parser sees only part, so for the ad after it the block seems to end
    // early: its place is not known.
    QTest::newRow("deeply nested blocks, closed")
        << adPage("", repeated("<div data-agch=1><p>", 2000) + first + repeated("</p></div>", 2000) + last)
        << Rows{ad("First", "Before the nesting.", "first.example", 1),
                ad("Last", "After the nesting.", "last.example", 2, "")};
    QTest::newRow("formatting left open again and again")
        << adPage("", first + repeated("<div><b id=x data-agch=1><i><a data-rw=1>t</div>", 1500) + last)
        << both;
    QTest::newRow("tables in cells in tables")
        << adPage("", first + repeated("<table data-rw=1><tr><td><b>", 2000) + "</table>" + last) << both;
    // More than that: the reader stops where its limits are reached and keeps what it read, whether
    // the markup to parse runs out, the stretches of page around the signs do, or both.
    const Rows onlyFirst{ad("First", "Before the nesting.", "first.example", 1)};
    QTest::newRow("nesting beyond the markup parsed: the ad before it")
        << adPage("", first + repeated("<div data-agch=1>", 30000) + last) << onlyFirst;
    QTest::newRow("signs far apart beyond the stretches read: the ad before them")
        << adPage("", first + repeated(repeated("</q>", 15000) + "<i data-rw=1></i>", 40) + last)
        << onlyFirst;
    QTest::newRow("stretches of nesting, each short, together beyond the markup parsed: the ad before them")
        << adPage("",
                  first + repeated(repeated("<div data-agch=1>", 3000) + repeated("</q>", 12500), 8) + last)
        << onlyFirst;
    QTest::newRow("megabytes of nesting: the ad before it")
        << adPage("", first + repeated("<div><b id=x data-agch=1><i>t</div>", 150000) + last) << onlyFirst;
}

void TestCurrentLayoutAds::reads() {
    QFETCH(QByteArray, page);
    QFETCH(Rows, expected);
    compareRows(ReadAds(page, "kw", AdLayout::Current), expected);
}

// A page of more ads than a results page ever shows gives the first 100, each once and in page
// order, and says it was cut short; a page of 100 ads is read whole.
void TestCurrentLayoutAds::manyAdsUpToTheLimit_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<AdsRead>("read");
    QTest::newRow("100 ads") << 100 << AdsRead::Whole;
    QTest::newRow("101 ads") << 101 << AdsRead::CutShort;
    QTest::newRow("thousands") << 3000 << AdsRead::CutShort;
}

void TestCurrentLayoutAds::manyAdsUpToTheLimit() {
    QFETCH(int, count);
    QFETCH(AdsRead, read);
    const auto offer = [](int n) {
        const QByteArray k = QByteArray::number(n);
        return ad(("Offer " + k).constData(), ("Text of offer " + k + '.').constData(),
                  ("shop" + k + ".example").constData(), n);
    };
    QByteArray ads;
    for (int n = 1; n <= count; ++n) {
        const AdRow row = offer(n);
        ads += textAd(row.title, row.text, row.url) +
               "<div class=\"g\"><a href=\"/r\"><h3>Result</h3></a></div>\n";
    }
    RowList sink;
    QCOMPARE(ReadAds(adPage("", ads), "kw", sink, AdLayout::Current), read);
    QCOMPARE(sink.rows.size(), 100);
    for (int n = 1; n <= 100; ++n)
        QCOMPARE(sink.rows[n - 1], offer(n));
}

// Long ads, so that a limit is reached in the middle of one: the rows read are the first ads, each
// whole, and the page is cut short. Long texts use up the markup to parse; long scripts (left out
// of that markup) use up the stretches of page read.
void TestCurrentLayoutAds::longAdsCutByTheLimitAreWholeOrLeftOut_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("script");
    QTest::newRow("long texts") << repeated("all lamps half price ", 150) + "today" << QByteArray();
    QTest::newRow("long scripts") << QByteArray("All lamps half price.") << repeated("var lamps = 1; ", 1400);
}

void TestCurrentLayoutAds::longAdsCutByTheLimitAreWholeOrLeftOut() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, script);
    QByteArray ads;
    Rows all;
    for (int n = 1; n <= 200; ++n) {
        const QByteArray k = QByteArray::number(n);
        all.append(AdRow{"Offer " + k, "Offer " + k + " " + text, "shop" + k + ".example", "kw", k, "top"});
        ads += "<div data-text-ad=\"1\"><span>Sponsored</span><a data-rw=\"/aclk?x\" href=\"/t\"><div "
               "role=\"heading\">" +
               all.last().title + "</div><span role=\"text\">" + all.last().url + "</span></a><script>" +
               script + "</script><div><span>" + all.last().text + "</span></div></div>";
    }
    RowList sink;
    QCOMPARE(ReadAds(adPage("", ads), "kw", sink, AdLayout::Current), AdsRead::CutShort);
    QVERIFY2(sink.rows.size() >= 20 && sink.rows.size() < 100, QByteArray::number(sink.rows.size()));
    compareRows(sink.rows, all.first(sink.rows.size()));
}

void TestCurrentLayoutAds::chooses_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<AdLayout>("layout");
    QTest::addColumn<Rows>("expected");

    const Rows classicRows{ad("Red Shoes", " Best shoes", "ShoeShop", 1, ""),
                           ad("Blue Boots", "Warm & dry", "BootBarn", 2, "")};
    const QByteArray current = textAd("Lamp Sale", "All lamps half price.", "lamps.example");
    const Rows currentRows{ad("Lamp Sale", "All lamps half price.", "lamps.example", 1)};

    QTest::newRow("auto, classic anchors: the classic rules")
        << QByteArray(kClassicPage) << AdLayout::Auto << classicRows;
    QTest::newRow("auto, today's layout: today's reader")
        << adPage("", current) << AdLayout::Auto << currentRows;
    QTest::newRow("auto, both: exactly the classic rows")
        << QByteArray(kClassicPage + adPage("", current)) << AdLayout::Auto << classicRows;
    QTest::newRow("auto, only a second-group anchor: the classic rules")
        << QByteArray("<a id=pa1 href=\"/y\">Blue Boots</a><cite>BootBarn</cite>Warm</div>" +
                      adPage("", current))
        << AdLayout::Auto << Rows{ad("Blue Boots", "Warm", "BootBarn", 1, "")};
    QTest::newRow("auto, capital anchors are not the classic rules' anchors")
        << QByteArray("<A ID=AN1 HREF=\"/x\">Red</A><CITE>ShoeShop</CITE>" + adPage("", current))
        << AdLayout::Auto << currentRows;
    QTest::newRow("classic forced on today's layout") << adPage("", current) << AdLayout::Classic << Rows{};
    QTest::newRow("current forced on both")
        << QByteArray(kClassicPage + adPage("", current)) << AdLayout::Current << currentRows;
}

void TestCurrentLayoutAds::chooses() {
    QFETCH(QByteArray, page);
    QFETCH(AdLayout, layout);
    QFETCH(Rows, expected);
    compareRows(ReadAds(page, "kw", layout), expected);
}

// Whether a page is said to show ads that were not read: an ad whose title is lost is, things that
// only look like ads (a box of the engine's own with the same label, a carousel, a hidden panel of
// ads inside an ad read, the block's caption) are not, nor is any page of the fixtures.
void TestCurrentLayoutAds::namesAdsNotRead_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("rows"); // -1: not counted here
    QTest::addColumn<AdsRead>("read");
    const QByteArray lamp = textAd("Lamp Sale", "All lamps half price.", "lamps.example");
    const QByteArray untitled = "<div data-text-ad=1><span>Sponsored</span><a data-rw=\"/aclk?2\">Chairs</a>"
                                "<span role=\"text\">chairs.example</span><div>Oak chairs.</div></div>";
    QTest::newRow("an ad without its title") << adPage("", lamp + untitled) << 1 << AdsRead::MissedAds;
    QTest::newRow("outside a block, the label in an ad-click link")
        << QByteArray("<div><a href=\"/aclk?1\"><span>Ad</span> <span>www.chairs.example</span></a>"
                      "<div>Oak chairs.</div></div>")
        << 0 << AdsRead::MissedAds;
    QTest::newRow("the block's caption") << adPage("", "<h1>Sponsored</h1>" + lamp) << 1 << AdsRead::Whole;
    QTest::newRow("a box of the engine's own with the same label")
        << adPage("", lamp + "<div><span>Sponsored</span><h3><a href=\"/flights\">Flights to Rome</a></h3>"
                             "<cite>www.example/flights</cite></div>")
        << 1 << AdsRead::Whole;
    QTest::newRow("a carousel with one label")
        << adPage("", lamp + "<div><span>Sponsored</span><div><a data-rw=\"/aclk?1\"><div role=heading>"
                             "Lamp A</div><cite>a.example</cite></a><a data-rw=\"/aclk?2\"><div "
                             "role=heading>Lamp B</div><cite>b.example</cite></a></div></div>")
        << 1 << AdsRead::Whole;
    QTest::newRow("a panel of more ads inside an ad read")
        << adPage("", "<ol><li><a data-rw=\"/aclk?1\"><span>Ad</span><span>lamps.example</span><div "
                      "role=heading>Lamp Sale</div></a><div>Half price.</div><div class=hide><div "
                      "role=heading>PEOPLE ALSO CONSIDER</div><a href=\"/aclk?2\"><span>Ad</span><span>"
                      "chairs.example</span><div>Chairs</div></a></div></li></ol>")
        << 1 << AdsRead::Whole;
    for (const QString& name : QDir(QStringLiteral(VELMORA_TEST_DATA "/serp")).entryList(QDir::Files)) {
        const QByteArray fixture = page(name.toUtf8().constData());
        QTest::newRow(qPrintable(QStringLiteral("fixture ") + name)) << fixture << -1 << AdsRead::Whole;
    }
}

void TestCurrentLayoutAds::namesAdsNotRead() {
    QFETCH(QByteArray, page);
    QFETCH(int, rows);
    QFETCH(AdsRead, read);
    RowList sink;
    QCOMPARE(ReadAds(page, "kw", sink), read);
    if (rows >= 0)
        QCOMPARE(sink.rows.size(), rows);
}

QTEST_GUILESS_MAIN(TestCurrentLayoutAds)
#include "tst_CurrentLayoutAds.moc"
