// A search as a phone through the web engine module: the engine is asked with the phone's user
// agent, the page is laid out on the phone's screen and its scripts see the phone's density and
// touch, and the page is freed after each search.

#include "LoopbackServer.h"
#include "PhoneFetchRun.h"

#include <QApplication>
#include <QRegularExpression>

using velmora::search::FetchedPage;
using velmora::search::PhoneProfile;
using velmora::testing::CannedReply;
using velmora::testing::LoopbackServer;

Q_DECLARE_METATYPE(PhoneProfile)

namespace {

// A results page whose script writes what it sees of its screen into the document.
const QByteArray ReportingPage =
    "<!DOCTYPE html><html><head><meta name=viewport content=\"width=device-width, initial-scale=1\">"
    "</head><body><div id=tads></div><p id=seen></p><script>"
    "document.getElementById('seen').textContent = 'innerWidth=' + window.innerWidth + ' devicePixelRatio=' +"
    " window.devicePixelRatio + ' maxTouchPoints=' + navigator.maxTouchPoints + ' userAgent=' + "
    "navigator.userAgent;"
    "</script></body></html>";

QString seen(const QByteArray& pageText, const char* what) {
    const QRegularExpression pattern(QStringLiteral("%1=(\\S+)").arg(QLatin1String(what)));
    return pattern.match(QString::fromUtf8(pageText)).captured(1);
}

} // namespace

class TestPhoneFetch : public QObject {
    Q_OBJECT

private slots:
    void presentsThePhone_data();
    void presentsThePhone();
};

void TestPhoneFetch::presentsThePhone_data() {
    QTest::addColumn<PhoneProfile>("phone");
    QTest::addColumn<QString>("ratio");
    QTest::newRow("today's phone") << velmora::search::CurrentPhone() << QStringLiteral("2.625");
    QTest::newRow("a small phone") << PhoneProfile{"Mozilla/5.0 (Linux; Android 9; S) Mobile TestPhone/1",
                                                   QSize(360, 740), 3, 2}
                                   << QStringLiteral("3");
}

void TestPhoneFetch::presentsThePhone() {
    QFETCH(PhoneProfile, phone);
    QFETCH(QString, ratio);
    LoopbackServer server;
    CannedReply reply;
    reply.body = ReportingPage;
    server.setReply("/search", reply);

    const FetchedPage page = velmora::testing::fetchAsPhone(server.url("/search?q=shoes&gl=de"), phone);
    QVERIFY2(page.outcome == FetchedPage::Outcome::Completed, qPrintable(page.why));
    QVERIFY(page.throughEngine);
    QCOMPARE(server.requests().first().header("User-Agent"), phone.userAgent);
    QCOMPARE(server.requests().first().target, QByteArray("/search?q=shoes&gl=de"));
    QCOMPARE(seen(page.pageText, "innerWidth"), QString::number(phone.viewport.width()));
    QCOMPARE(seen(page.pageText, "devicePixelRatio"), ratio);
    QCOMPARE(seen(page.pageText, "maxTouchPoints"), QString::number(phone.maxTouchPoints));
    QVERIFY(QString::fromUtf8(page.pageText).contains(QString::fromLatin1(phone.userAgent).toHtmlEscaped()));
}

QTEST_MAIN(TestPhoneFetch)
#include "tst_PhoneFetch.moc"
