// The reader of today's results pages on real pages saved from the engine (../shared/testdata).
// Expected cells are what a person sees on each page.

#include "search/ExtractAds.h"
#include "search/PageText.h"
#include "search/ReadAds.h"

#include "TestSupport.h"

#include <QTest>

using velmora::search::AdLayout;
using velmora::search::AdRow;
using velmora::search::ReadAds;
using Rows = QList<AdRow>;

namespace {

AdRow ad(const char* title, const char* text, const char* url, int position) {
    return AdRow{title, text, url, "hotels", QByteArray::number(position)};
}

// A page as the program gets it: the saved bytes through the page-text rules.
QByteArray sharedPage(const QString& name) {
    return velmora::search::PageTextFromBytes(
        velmora::testing::readSharedTestData(QStringLiteral("serp/") + name));
}

} // namespace

class TestCurrentLayoutAdsPages : public QObject {
    Q_OBJECT

private slots:
    void readsSavedPages_data();
    void readsSavedPages();
    void classicPagesKeepTheClassicRows_data();
    void classicPagesKeepTheClassicRows();
    void classicPageGivesOnlyItsRealAds();
};

void TestCurrentLayoutAdsPages::readsSavedPages_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Rows>("expected");

    QTest::newRow("desktop, two ads on top")
        << QStringLiteral("google-hotels-2023-05-desktop.html")
        << Rows{ad("Hotels in New York, NY - Booking.com",
                   "Book your Hotel in New York City now. Quick, Easy Booking. No Reservation Costs. Choose "
                   "from a "
                   "wide range of properties which Booking.com offers. Search now! Great Availability. "
                   "Motels. "
                   "Hostels. Special Offers. Save 10% with Genius. Flight +...",
                   "http://www.booking.com", 1),
                ad("Hotels in New York, NY - Fully Refundable Options",
                   "Book Hotel Rooms in New York, NY. Browse Reviews & Photos. Compare Great Options. Choose "
                   "Hotels "
                   "With Free Cancellation So If Your Plans Change, We Can...",
                   "https://www.hotels.com", 2)};
    QTest::newRow("phone, two ads on top")
        << QStringLiteral("google-hotels-2023-05-mobile.html")
        << Rows{ad("Hotels in New York, NY - Lowest Price Guarantee.",
                   "Book your Hotel in New York NY online. No reservation costs. Great rates. Motels. "
                   "Apartments. "
                   "Great Choice. 24/7 Customer Service. Villas. Get Instant Confirmation. Book Your Car "
                   "Rental.",
                   "http://www.booking.com \xE2\x80\xBA new-york \xE2\x80\xBA hotels", 1),
                ad("Hotels in New York, NY - Fully Refundable Options",
                   "Book Hotel Rooms in New York, NY. Browse Reviews & Photos. Compare Great Options. Choose "
                   "Hotels "
                   "With Free Cancellation So If Your Plans Change...",
                   "https://www.hotels.com", 2)};
    QTest::newRow("no-script, two ads above the results and one below")
        << QStringLiteral("google-hotels-2023-06-nojs.html")
        << Rows{ad("Hotels in New York, NY - Booking.com - Hotels - Hotels NYC",
                   "Book your Hotel in New York City now. Quick, Easy Booking. No Reservation Costs. Choose "
                   "from a "
                   "wide range of properties which Booking.com offers. Search now! Secure Booking.",
                   "www.booking.com/", 1),
                ad("Hotel Rooms in New York, NY - Best Price Guarantee - expedia.com",
                   "Compare Hotel Rooms in New York, NY. View Deals and Reserve Now on Expedia. Get the...",
                   "www.expedia.com/hotels/new_york", 2),
                ad("New York Hotels From $82 - 60% off Hotels @ Priceline",
                   "Great Deals for the #1 Hotel in New York @ Priceline! Save up to 40% on Rental Cars too. "
                   "Incredible Deals at Priceline for Hotels in New York. Save Big with Exclusive Rates! Our "
                   "Bundles "
                   "Save You More. Pricebreakers up to 50% Free Cancellation Options. 20+ Yrs. Of Trusted "
                   "Deals.",
                   "www.priceline.com/", 3)};
    QTest::newRow("local results, no ads")
        << QStringLiteral("google-coffee-2023-05-desktop-noads.html") << Rows{};
    QTest::newRow("captcha, no results page") << QStringLiteral("google-captcha-2020-10.html") << Rows{};
}

void TestCurrentLayoutAdsPages::readsSavedPages() {
    QFETCH(QString, name);
    QFETCH(Rows, expected);
    const QByteArray page = sharedPage(name);
    for (const AdLayout layout : {AdLayout::Auto, AdLayout::Current}) {
        const Rows rows = ReadAds(page, "hotels", layout);
        for (qsizetype i = 0; i < qMin(rows.size(), expected.size()); ++i) {
            QCOMPARE(rows[i].title, expected[i].title);
            QCOMPARE(rows[i].text, expected[i].text);
            QCOMPARE(rows[i].url, expected[i].url);
            QCOMPARE(rows[i].keyword, expected[i].keyword);
            QCOMPARE(rows[i].position, expected[i].position);
        }
        QCOMPARE(rows.size(), expected.size());
    }
}

void TestCurrentLayoutAdsPages::classicPagesKeepTheClassicRows_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("classicRows");
    QTest::newRow("2010, two rows by the classic rules") << QStringLiteral("google-ipod-2010-01.html") << 2;
    QTest::newRow("2012, no ads") << QStringLiteral("google-concurrency-2012-04-noads.html") << 0;
}

void TestCurrentLayoutAdsPages::classicPagesKeepTheClassicRows() {
    QFETCH(QString, name);
    QFETCH(int, classicRows);
    const QByteArray page = sharedPage(name);
    const Rows classic = velmora::search::ExtractAds(page, "ipod");
    QCOMPARE(classic.size(), classicRows);
    QCOMPARE(ReadAds(page, "ipod"), classic);
}

// The 2010 page carries some of today's signs (an ad block id, ad-click links): read with today's
// reader it may give its real ads, never anything else.
void TestCurrentLayoutAdsPages::classicPageGivesOnlyItsRealAds() {
    const QList<QByteArray> realTitles{
        "Buy Ipod", "Ipod Catalogue", "Ipod", "Cheap Used iPods For Sale", "iPod at The Apple\xC2\xAE Store",
        "Buy iPods"};
    const Rows rows =
        ReadAds(sharedPage(QStringLiteral("google-ipod-2010-01.html")), "ipod", AdLayout::Current);
    for (const AdRow& row : rows)
        QVERIFY2(realTitles.contains(row.title), row.title.constData());
    QVERIFY(rows.size() <= 7);
}

QTEST_GUILESS_MAIN(TestCurrentLayoutAdsPages)
#include "tst_CurrentLayoutAdsPages.moc"
