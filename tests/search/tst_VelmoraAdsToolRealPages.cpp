// velmora-ads on real results pages from outside the project (../shared/testdata).

#include "AdsToolRun.h"

#include <QTest>

using velmora::testing::kHeader;
using velmora::testing::Run;
using velmora::testing::runTool;

namespace {

const QString kSharedTestData = QStringLiteral(VELMORA_SHARED_TESTDATA);

} // namespace

class TestVelmoraAdsToolRealPages : public QObject {
    Q_OBJECT

private slots:
    void pageWithoutAds();
    void pageWithAds();
};

void TestVelmoraAdsToolRealPages::pageWithoutAds() {
    const Run run = runTool({kSharedTestData + QStringLiteral("/serp/google-concurrency-2012-04-noads.html"),
                             QStringLiteral("concurrency")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, kHeader);
}

void TestVelmoraAdsToolRealPages::pageWithAds() {
    // The rows themselves are checked cell by cell in the extraction's own test; here the
    // tool has to turn them into two CSV lines whose many quotes are all doubled.
    const Run run =
        runTool({kSharedTestData + QStringLiteral("/serp/google-ipod-2010-01.html"), QStringLiteral("ipod")});
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.size(), 4); // three lines and the empty rest after the last line end
    QCOMPARE(lines[0] + '\n', kHeader);
    const QByteArray firstStart = "\"<a href=\"\"https://adwords.google.com/select/Login?sourceid=awo&subid=";
    const QByteArray firstMiddle = "<h2 style=\"\"float:right;margin:3px 3px 0\"\">Sponsored Links</h2>";
    const QByteArray firstEnd =
        " >iPod at The Apple Store</a>\",\"store.apple.com/au/ipod\",\"ipod\",\"1\"\r";
    const QByteArray secondStart = "\"News results for ipod\",\" - <a href=\"\"http://news.google.com/";
    const QByteArray secondEnd =
        ">60 related articles&raquo;</a></span>\",\"San Francisco Chronicle (blog)\",\"ipod\",\"2\"\r";
    QVERIFY(lines[1].startsWith(firstStart));
    QVERIFY(lines[1].contains(firstMiddle));
    QVERIFY(lines[1].endsWith(firstEnd));
    QVERIFY(lines[2].startsWith(secondStart));
    QVERIFY(lines[2].endsWith(secondEnd));
    QVERIFY(lines[3].isEmpty());
}

QTEST_GUILESS_MAIN(TestVelmoraAdsToolRealPages)
#include "tst_VelmoraAdsToolRealPages.moc"
