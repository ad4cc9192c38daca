// The reader of today's results pages on real pages saved from the engine (../shared/testdata).
// Expected cells are what a person sees on each page.

#include "search/ExtractAds.h"
#include "search/PageText.h"
#include "search/ReadAds.h"

#include "AdRowsTesting.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using velmora::search::AdLayout;
using velmora::search::AdRow;
using velmora::search::AdRowSink;
using velmora::search::AdsRead;
using velmora::search::ReadAds;
using Rows = QList<AdRow>;

namespace {

AdRow ad(const char* title, const char* text, const char* url, int position, const char* block) {
    return AdRow{title, text, url, "hotels", QByteArray::number(position), block};
}

// A page as the program gets it: the saved bytes through the page-text rules.
QByteArray sharedPage(const QString& name) {
    return velmora::search::PageTextFromBytes(
        velmora::testing::readSharedTestData(QStringLiteral("serp/") + name));
}

// The ads a person sees on the pages of 2019 and 2020, as checked by hand against each page and
// listed beside them: page name to rows, in page order (the top block before the bottom one, as
// the list gives them).
QMap<QString, Rows> handCheckedAds() {
    const QJsonObject pages = QJsonDocument::fromJson(velmora::testing::readSharedTestData(
                                                          QStringLiteral("serp/ads-2019-2020.json")))
                                  .object();
    QMap<QString, Rows> ads;
    for (auto page = pages.begin(); page != pages.end(); ++page) {
        Rows& rows = ads[page.key()];
        for (const QJsonValue value : page->toObject().value(QStringLiteral("ads")).toArray()) {
            const QJsonObject ad = value.toObject();
            rows.append(AdRow{ad.value(QStringLiteral("title")).toString().toUtf8(),
                              ad.value(QStringLiteral("text")).toString().toUtf8(),
                              ad.value(QStringLiteral("url")).toString().toUtf8(), "hotels",
                              QByteArray::number(rows.size() + 1),
                              ad.value(QStringLiteral("block")).toString().toUtf8()});
        }
    }
    return ads;
}

class RowList final : public AdRowSink {
public:
    void appendRow(const AdRow& row) override { rows.append(row); }
    Rows rows;
};

// The page with the title of the ad that starts with `title` made plain text (its heading element
// renamed, or its heading role changed), so that ad can no longer be read; empty when not found.
QByteArray withoutTitle(QByteArray page, QByteArrayView title) {
    const qsizetype at = page.indexOf(title.first(16), qMax<qsizetype>(0, page.indexOf("id=\"tads\"")));
    const qsizetype element = page.lastIndexOf("<h3", at);
    const qsizetype role = page.lastIndexOf("role=\"heading\"", at);
    if (at < 0 || qMax(element, role) < at - 400)
        return {};
    if (element > role)
        return page.replace(element, 3, "<h9");
    return page.replace(role, 14, "role=\"generic\"");
}

} // namespace

class TestCurrentLayoutAdsPages : public QObject {
    Q_OBJECT

private slots:
    void readsSavedPages_data();
    void readsSavedPages();
    void adsWithoutTitlesAreNamed();
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
                   "http://www.booking.com", 1, "top"),
                ad("Hotels in New York, NY - Fully Refundable Options",
                   "Book Hotel Rooms in New York, NY. Browse Reviews & Photos. Compare Great Options. Choose "
                   "Hotels "
                   "With Free Cancellation So If Your Plans Change, We Can...",
                   "https://www.hotels.com", 2, "top")};
    QTest::newRow("phone, two ads on top")
        << QStringLiteral("google-hotels-2023-05-mobile.html")
        << Rows{ad("Hotels in New York, NY - Lowest Price Guarantee.",
                   "Book your Hotel in New York NY online. No reservation costs. Great rates. Motels. "
                   "Apartments. "
                   "Great Choice. 24/7 Customer Service. Villas. Get Instant Confirmation. Book Your Car "
                   "Rental.",
                   "http://www.booking.com \xE2\x80\xBA new-york \xE2\x80\xBA hotels", 1, "top"),
                ad("Hotels in New York, NY - Fully Refundable Options",
                   "Book Hotel Rooms in New York, NY. Browse Reviews & Photos. Compare Great Options. Choose "
                   "Hotels "
                   "With Free Cancellation So If Your Plans Change...",
                   "https://www.hotels.com", 2, "top")};
    // The no-script page marks no block of ads: where its ads stand is not known.
    QTest::newRow("no-script, two ads above the results and one below")
        << QStringLiteral("google-hotels-2023-06-nojs.html")
        << Rows{ad("Hotels in New York, NY - Booking.com - Hotels - Hotels NYC",
                   "Book your Hotel in New York City now. Quick, Easy Booking. No Reservation Costs. Choose "
                   "from a "
                   "wide range of properties which Booking.com offers. Search now! Secure Booking.",
                   "www.booking.com/", 1, ""),
                ad("Hotel Rooms in New York, NY - Best Price Guarantee - expedia.com",
                   "Compare Hotel Rooms in New York, NY. View Deals and Reserve Now on Expedia. Get the...",
                   "www.expedia.com/hotels/new_york", 2, ""),
                ad("New York Hotels From $82 - 60% off Hotels @ Priceline",
                   "Great Deals for the #1 Hotel in New York @ Priceline! Save up to 40% on Rental Cars too. "
                   "Incredible Deals at Priceline for Hotels in New York. Save Big with Exclusive Rates! Our "
                   "Bundles "
                   "Save You More. Pricebreakers up to 50% Free Cancellation Options. 20+ Yrs. Of Trusted "
                   "Deals.",
                   "www.priceline.com/", 3, "")};
    const QMap<QString, Rows> handChecked = handCheckedAds();
    QCOMPARE(handChecked.size(), 5);
    for (auto page = handChecked.begin(); page != handChecked.end(); ++page)
        QTest::newRow(qPrintable(page.key())) << page.key() << *page;
    QTest::newRow("local results, no ads")
        << QStringLiteral("google-coffee-2023-05-desktop-noads.html") << Rows{};
    QTest::newRow("captcha, no results page") << QStringLiteral("google-captcha-2020-10.html") << Rows{};
}

void TestCurrentLayoutAdsPages::readsSavedPages() {
    QFETCH(QString, name);
    QFETCH(Rows, expected);
    const QByteArray page = sharedPage(name);
    for (const AdLayout layout : {AdLayout::Auto, AdLayout::Current}) {
        RowList sink;
        // Every ad read, nothing said of ads missed (not even on the pages of no ads).
        QCOMPARE(ReadAds(page, "hotels", sink, layout), AdsRead::Whole);
        velmora::testing::compareRows(sink.rows, expected);
    }
}

// A page whose first ad has lost its title: the other ads are read, and the page is said to show
// ads that were not read.
void TestCurrentLayoutAdsPages::adsWithoutTitlesAreNamed() {
    const QMap<QString, Rows> pages = handCheckedAds();
    for (auto it = pages.begin(); it != pages.end(); ++it) {
        Rows others = *it;
        const QByteArray page = withoutTitle(sharedPage(it.key()), others.takeFirst().title);
        QVERIFY2(!page.isEmpty(), qPrintable(it.key()));
        RowList sink;
        QCOMPARE(ReadAds(page, "hotels", sink), AdsRead::MissedAds);
        QCOMPARE(sink.rows.size(), others.size());
        for (qsizetype i = 0; i < others.size(); ++i)
            QCOMPARE(sink.rows[i].title, others[i].title);
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
