// The search end to end on real pages: the 2010 results page through a redirect to seven rows
// and their CSV file, and the engine's captcha page. Reads ../shared/testdata.

#include "SearchWindowFixture.h"
#include "TestSupport.h"
#include "search/PageVerdict.h"

#include <QTest>
#include <QUrl>

using velmora::search::JudgePage;
using velmora::search::PageVerdict;
using velmora::testing::CannedReply;
using velmora::testing::SearchWindow;

Q_DECLARE_METATYPE(PageVerdict)

namespace {

QByteArray sharedPage(const char* name) {
    return velmora::testing::readSharedTestData(QStringLiteral("serp/") + QLatin1StringView(name));
}

// The 2010 page with each ad anchor's opening tag ended by `">` instead of `" >`, as the
// classic markers expect it.
QByteArray ipodPageWithTightAnchors() {
    QByteArray page = sharedPage("google-ipod-2010-01.html");
    int tightened = 0;
    for (const char* marker : {"<a id=an", "<a id=pa"}) {
        for (qsizetype at = page.indexOf(marker); at >= 0; at = page.indexOf(marker, at + 1)) {
            const qsizetype tagEnd = page.indexOf('>', at);
            if (tagEnd >= 2 && page.mid(tagEnd - 2, 3) == "\" >") {
                page.remove(tagEnd - 1, 1);
                ++tightened;
            }
        }
    }
    return tightened == 7 ? page : QByteArray();
}

CannedReply page(const QByteArray& body) {
    CannedReply reply;
    reply.body = body;
    return reply;
}

// The export of the seven ads, worked out by hand from the page: <b>, </b>, <br>, </h3>,
// </ol> and &nbsp; dropped, &amp; and &#39; decoded, the (R) sign dropped as a byte outside
// printable ASCII, runs of spaces halved twice.
const QByteArray IpodCsv =
    "\"Ad Title\",\"Ad Text\",\"Ad URL\",\"Used Keyword\",\"Position\"\r\n"
    "\"Buy Ipod\",\"Ipod at the market'slowest price. Deal of a "
    "lifetime!\",\"www.bidrivals.com/au\",\"ipod\",\"1\"\r\n"
    "\"Ipod Catalogue\",\"One Stop School Shop Catalogue.You Won't Find It Cheaper Anywhere!\","
    "\"www.Kmart.CatalogueCentral.com.au\",\"ipod\",\"2\"\r\n"
    "\"Ipod\",\"We've Reviewed 12 MP3 PlayersMake The Right Decision With "
    "CHOICE\",\"www.CHOICE.com.au/Mp3Players\","
    "\"ipod\",\"3\"\r\n"
    "\"Cheap Used iPods For Sale\",\"New & Used iPods For Salein Australia. Grab a Bargain today!\","
    "\"Apple-Deals.info/iPod\",\"ipod\",\"4\"\r\n"
    "\"Ipod\",\"Find amazing bargains for MP3players, minidiscs & "
    "discmans!\",\"www.gumtree.com.au\",\"ipod\",\"5\"\r\n"
    "\"iPod at The Apple Store\",\""
    R"x( New iPod nano, iPod touch, iPod shuffle & iPod classic. Ships free.<table class=slk><tr><td nowrap )x"
    R"x(style=""padding-left:40px""><a href=""/aclk?sa=L&ai=CNYNYuYlKS8LTBo-47AOnupCJAuy00IABsOG94w78vPwFCAA)x"
    R"x(QASgCUOqu1tX9_____wFgpbiagJwByAEBqQJRj0lT-MSuPqoEGU_Qqhl_wa5Ixl7q9HBIw5gDfScNKWLPdMg&sig=AGiWqtzwyWS)x"
    R"x(N6h8MiI7KPIqknlz2q84I2w&q=http://akatracking.esearchvision.com/esi/redirect.html%3Fesvt%3D101758-GOA)x"
    R"x(UE%26esvq%3Dipod%26esvadt%3D999999-1561893-1084672-1%26esvcrea%3D3869157590%26esvplace%3D%26transfer)x"
    R"x(params%3D1%26esvaid%3D320%26url%3Dhttp%253a%252f%252fstore.apple.com%252fau%252fgo%252fmac%253faosid)x"
    R"x(%253dp202%2526cid%253dAOS-AP-AU-Google-AA0000018642"">Shop Mac</a><a href=""/aclk?sa=L&ai=CpjtCuYlKS)x"
    R"x(8LTBo-47AOnupCJAuy00IABsOG94w78vPwFCAAQASgCUNPip6n______wFgpbiagJwByAEBqQJRj0lT-MSuPqoEGU_Qqhl_wa5Ix)x"
    R"x(l7q9HBIw5gDfScNKWLPdMg&sig=AGiWqtxwX2zW5GowJ6S_zrviVj7lllzzpA&q=http://akatracking.esearchvision.com)x"
    R"x(/esi/redirect.html%3Fesvt%3D101758-GOAUE%26esvq%3Dipod%26esvadt%3D999999-5070368-1093775-1%26esvcrea)x"
    R"x(%3D3869157590%26esvplace%3D%26transferparams%3D1%26esvaid%3D320%26url%3Dhttp%253a%252f%252fstore.app)x"
    R"x(le.com%252fau%252fgo%252fipod%253faosid%253dp202%2526cid%253dAOS-AP-AU-Google-AA0000018642"">Shop iP)x"
    R"x(od</a><td nowrap style=""padding-left:20px""><a href=""/aclk?sa=L&ai=CjFg8uYlKS8LTBo-47AOnupCJAuy00I)x"
    R"x(ABsOG94w78vPwFCAAQASgCUKC1nNYHYKW4moCcAcgBAakCUY9JU_jErj6qBBlP0KoZf8GuSMZe6vRwSMOYA30nDSliz3TI&sig=A)x"
    R"x(GiWqtx_TsVR3MMbS4MfnC4yrCWshnvy-g&q=http://akatracking.esearchvision.com/esi/redirect.html%3Fesvt%3D)x"
    R"x(101758-GOAUE%26esvq%3Dipod%26esvadt%3D999999-4980847-1082945-1%26esvcrea%3D3869157590%26esvplace%3D%)x"
    R"x(26transferparams%3D1%26esvaid%3D320%26url%3Dhttp%253a%252f%252fstore.apple.com%252fau%252fgo%252fiph)x"
    R"x(one3g%253faosid%253dp202%2526cid%253dAOS-AP-AU-Google-AA0000018642"">Shop iPhone</a><a href=""/aclk?)x"
    R"x(sa=L&ai=CucEhuYlKS8LTBo-47AOnupCJAuy00IABsOG94w78vPwFCAAQASgCULSzxKUCYKW4moCcAcgBAakCUY9JU_jErj6qBBl)x"
    R"x(P0KoZf8GuSMZe6vRwSMOYA30nDSliz3TI&sig=AGiWqtzj03NcnX1-X8FR0eSKIT2TnOi3SA&q=http://akatracking.esearc)x"
    R"x(hvision.com/esi/redirect.html%3Fesvt%3D101560-GOAUE%26esvq%3Dipod%26esvadt%3D999999-5315592-1048419-)x"
    R"x(1%26esvcrea%3D3869157590%26esvplace%3D%26transferparams%3D1%26esvaid%3D320%26url%3Dhttp%253a%252f%25)x"
    R"x(2fstore.apple.com%252fau%252fgo%252fpromo%252fbacktoschool%253faosid%253dp202%2526cid%253dAOS-AP-AU-)x"
    R"x(Google-AA0000018632"">Back to Uni - Apple Store</a></table>)x"
    "\",\"store.apple.com/au/ipod\",\"ipod\",\"6\"\r\n"
    "\"Buy iPods\",\" Get great prices on iPods at A Harvey Norman store near "
    "you.\",\"www.harveynorman.com.au\","
    "\"ipod\",\"7\"\r\n";

} // namespace

class TestSearchPages : public QObject {
    Q_OBJECT

private slots:
    void ipodPageThroughARedirectToCsv();
    void captchaPageWithoutTheEngine();
    void verdictsOfRealPages_data();
    void verdictsOfRealPages();
};

void TestSearchPages::ipodPageThroughARedirectToCsv() {
    const QByteArray body = ipodPageWithTightAnchors();
    QVERIFY2(!body.isEmpty(), "the page no longer has its seven ad anchors");
    SearchWindow w;
    w.server.setRedirect("/search", w.server.url("/results?q=ipod"));
    w.server.setReply("/results", page(body));
    QVERIFY(w.show());
    QTest::keyClicks(w.keyword(), QStringLiteral("ipod"));
    QTest::keyClick(w.keyword(), Qt::Key_Return);
    QTRY_COMPARE(w.status()->text(), QStringLiteral("Download completed!"));
    QCOMPARE(w.server.requestCount(), 2);
    QCOMPARE(w.server.requests().first().target, QByteArray("/search?q=ipod"));
    QCOMPARE(w.column(4), (QList<QByteArray>{"1", "2", "3", "4", "5", "6", "7"}));
    QCOMPARE(w.column(3), QList<QByteArray>(7, "ipod"));
    QCOMPARE(w.leftovers(), QStringList());

    const QString file = w.dir.filePath(QStringLiteral("ipod.csv"));
    w.f.saveDialog.answers = {file};
    QTest::mouseClick(w.f.find("bsSkinButton4"), Qt::LeftButton);
    QCOMPARE(velmora::testing::readFileOrMarker(file), IpodCsv);
}

void TestSearchPages::captchaPageWithoutTheEngine() {
    // The window has no web engine to load the page with scripts: the sentence says both.
    SearchWindow w;
    w.server.setReply("/search", page(sharedPage("google-captcha-2020-10.html")));
    QVERIFY(w.show());
    QTest::keyClicks(w.keyword(), QStringLiteral("recaptcha"));
    QTest::keyClick(w.keyword(), Qt::Key_Return);
    QTRY_COMPARE(w.status()->text(),
                 QStringLiteral("The search engine asked for a captcha; no results were read. It cannot be "
                                "loaded with scripts: No web engine is available."));
    QCOMPARE(w.results().rowCount(), 0);
    QCOMPARE(w.leftovers(), QStringList());
}

void TestSearchPages::verdictsOfRealPages_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<PageVerdict>("verdict");
    QTest::newRow("captcha") << QByteArray("google-captcha-2020-10.html") << PageVerdict::CaptchaPage;
    for (const char* name : {"google-ipod-2010-01.html", "google-concurrency-2012-04-noads.html",
                             "google-hotels-2023-05-desktop.html", "google-hotels-2023-05-mobile.html",
                             "google-hotels-2023-06-nojs.html", "google-coffee-2023-05-desktop-noads.html"})
        QTest::newRow(name) << QByteArray(name) << PageVerdict::ResultsPage;
}

void TestSearchPages::verdictsOfRealPages() {
    QFETCH(QByteArray, name);
    QFETCH(PageVerdict, verdict);
    QCOMPARE(JudgePage(QUrl(QStringLiteral("https://engine.example/search?q=hotels")),
                       sharedPage(name.constData())),
             verdict);
}

QTEST_MAIN(TestSearchPages)
#include "tst_SearchPages.moc"
