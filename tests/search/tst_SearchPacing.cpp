// The pause between a list's searches: the range as given on a command line, and the pause drawn
// from it (with scripted picks, so nothing waits).

#include "search/SearchPacing.h"

#include "ScriptedRandom.h"

#include <QTest>

using velmora::search::NextPauseMs;
using velmora::search::ParsePauseRange;
using velmora::search::PauseRange;
using velmora::testing::ScriptedRandom;

class TestSearchPacing : public QObject {
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
    void pauseWithinRange_data();
    void pauseWithinRange();
};

void TestSearchPacing::parses_data() {
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");

    QTest::newRow("range") << QByteArray("20-40") << true << 20 << 40;
    QTest::newRow("no pause") << QByteArray("0") << true << 0 << 0;
    QTest::newRow("one number") << QByteArray("7") << true << 7 << 7;
    QTest::newRow("a day") << QByteArray("86400") << true << 86400 << 86400;
    QTest::newRow("reversed") << QByteArray("40-20") << false << 0 << 0;
    QTest::newRow("negative") << QByteArray("-5") << false << 0 << 0;
    QTest::newRow("negative end") << QByteArray("5--1") << false << 0 << 0;
    QTest::newRow("beyond a day") << QByteArray("0-86401") << false << 0 << 0;
    QTest::newRow("fraction") << QByteArray("0.5-1") << false << 0 << 0;
    QTest::newRow("open end") << QByteArray("20-") << false << 0 << 0;
    QTest::newRow("empty") << QByteArray() << false << 0 << 0;
    QTest::newRow("words") << QByteArray("a-b") << false << 0 << 0;
}

void TestSearchPacing::parses() {
    QFETCH(QByteArray, given);
    QFETCH(bool, valid);
    QFETCH(int, min);
    QFETCH(int, max);
    PauseRange range{-1, -1};
    QString why;
    QCOMPARE(ParsePauseRange(given, &range, &why), valid);
    QCOMPARE(why.isEmpty(), valid);
    if (valid) {
        QCOMPARE(range.minSeconds, min);
        QCOMPARE(range.maxSeconds, max);
    } else {
        QCOMPARE(range.minSeconds, -1); // left alone
        QVERIFY2(why.contains(QString::fromUtf8(given)), qPrintable(why));
    }
}

void TestSearchPacing::pauseWithinRange_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("pick");
    QTest::addColumn<int>("candidates"); // every millisecond of the range, both ends
    QTest::addColumn<int>("pauseMs");

    QTest::newRow("lowest") << 20 << 40 << 0 << 20001 << 20000;
    QTest::newRow("highest") << 20 << 40 << 20000 << 20001 << 40000;
    QTest::newRow("no pause") << 0 << 0 << 0 << 1 << 0;
    QTest::newRow("zero to one, highest") << 0 << 1 << 1000 << 1001 << 1000;
    QTest::newRow("a day") << 0 << 86400 << 86400000 << 86400001 << 86400000;
}

void TestSearchPacing::pauseWithinRange() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, pick);
    QFETCH(int, candidates);
    QFETCH(int, pauseMs);
    ScriptedRandom random({pick});
    QCOMPARE(NextPauseMs(PauseRange{min, max}, random), pauseMs);
    QCOMPARE(random.asked, QList<int>{candidates});
}

QTEST_GUILESS_MAIN(TestSearchPacing)
#include "tst_SearchPacing.moc"
