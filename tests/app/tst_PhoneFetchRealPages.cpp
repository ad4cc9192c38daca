// A real phone's results page (../shared/testdata) served by a loopback engine and loaded as a
// phone through the web engine module: its scripts run, and the ads a person sees on it are read.

#include "LoopbackServer.h"
#include "PhoneFetchRun.h"
#include "TestSupport.h"
#include "search/ReadAds.h"

#include <QApplication>

using velmora::search::FetchedPage;
using velmora::testing::CannedReply;
using velmora::testing::LoopbackServer;

class TestPhoneFetchRealPages : public QObject {
    Q_OBJECT

private slots:
    void phonePageAds();
};

void TestPhoneFetchRealPages::phonePageAds() {
    LoopbackServer server;
    CannedReply reply;
    reply.body =
        velmora::testing::readSharedTestData(QStringLiteral("serp/google-hotels-2023-05-mobile.html"));
    reply.contentType = "text/html; charset=UTF-8";
    server.setReply("/search", reply);

    const FetchedPage page =
        velmora::testing::fetchAsPhone(server.url("/search?q=hotels"), velmora::search::CurrentPhone());
    QVERIFY2(page.outcome == FetchedPage::Outcome::Completed, qPrintable(page.why));
    const QList<velmora::search::AdRow> rows = velmora::search::ReadAds(page.pageText, "hotels");
    // The two ads on top of the page, as a person sees them there.
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).title, QByteArray("Hotels in New York, NY - Lowest Price Guarantee."));
    QCOMPARE(rows.at(0).url, QByteArray("http://www.booking.com \xE2\x80\xBA new-york \xE2\x80\xBA hotels"));
    QCOMPARE(rows.at(1).title, QByteArray("Hotels in New York, NY - Fully Refundable Options"));
    QCOMPARE(rows.at(1).position, QByteArray("2"));
}

QTEST_MAIN(TestPhoneFetchRealPages)
#include "tst_PhoneFetchRealPages.moc"
