// The settings text's line rules and the last news id, in memory.

#include "brand/SettingsText.h"

#include <QTest>

using namespace velmora::app;

namespace {

const QByteArray Item5("<%%LastNewsId%%>5<%%/LastNewsId%%>");
const QByteArray Item9("<%%LastNewsId%%>9<%%/LastNewsId%%>");

} // namespace

class TestSettingsText : public QObject {
    Q_OBJECT

private slots:
    void lineRules_data() {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QByteArray>("joined");
        QTest::newRow("CR LF") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
        QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("CR") << QByteArray("a\rb\r") << QByteArray("a\r\nb\r\n");
        QTest::newRow("LF CR is two endings") << QByteArray("a\n\rb") << QByteArray("a\r\n\r\nb\r\n");
        QTest::newRow("CR CR LF is two endings") << QByteArray("a\r\r\nb") << QByteArray("a\r\n\r\nb\r\n");
        QTest::newRow("empty lines kept") << QByteArray("a\n\n\nb") << QByteArray("a\r\n\r\n\r\nb\r\n");
        QTest::newRow("a lone line ending") << QByteArray("\n") << QByteArray("\r\n");
        QTest::newRow("nothing") << QByteArray() << QByteArray();
        QTest::newRow("NUL ends the text") << QByteArray("a\r\nb\0c\r\nd", 9) << QByteArray("a\r\nb\r\n");
        QTest::newRow("NUL first") << QByteArray("\0abc", 4) << QByteArray();
        QTest::newRow("other bytes untouched") << QByteArray("\xe9\t x ") << QByteArray("\xe9\t x \r\n");
    }

    void lineRules() {
        QFETCH(QByteArray, raw);
        QFETCH(QByteArray, joined);
        QCOMPARE(JoinedSettingsText(raw), joined);
        QCOMPARE(JoinedSettingsText(joined), joined);
    }

    void readLastNewsId_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("id");
        QTest::newRow("in the middle") << "<%%ApplicationName%%>A<%%/ApplicationName%%>\r\n" + Item5 +
                                              "\r\n<%%Welcome1%%>W<%%/Welcome1%%>\r\n"
                                       << QByteArray("5");
        QTest::newRow("tag in other case")
            << QByteArray("x<%%lastnewsid%%>12<%%/LASTNEWSID%%>") << QByteArray("12");
        QTest::newRow("the first of two") << Item9 + "\r\n" + Item5 << QByteArray("9");
        QTest::newRow("none") << QByteArray("<%%ApplicationName%%>A<%%/ApplicationName%%>") << QByteArray();
        QTest::newRow("no end tag") << QByteArray("<%%LastNewsId%%>7") << QByteArray();
    }

    void readLastNewsId() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, id);
        QCOMPARE(LastNewsIdOf(text), id);
    }

    void writeLastNewsId_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QByteArray>("readBack");
        QTest::newRow("line replaced whole") << "x" + Item5 + "y\r\nz" << Item9 + "\r\nz\r\n"
                                             << QByteArray("9");
        QTest::newRow("only the first line") << Item5 + "\n" + Item5 << Item9 + "\r\n" + Item5 + "\r\n"
                                             << QByteArray("9");
        QTest::newRow("absent: added last") << QByteArray("a\nb") << "a\r\nb\r\n" + Item9 + "\r\n"
                                            << QByteArray("9");
        QTest::newRow("empty text") << QByteArray() << Item9 + "\r\n" << QByteArray("9");
        // Written with exact case, read without: the tag in other case stays first and wins.
        QTest::newRow("tag in other case") << QByteArray("<%%LASTNEWSID%%>5<%%/LASTNEWSID%%>\r\n")
                                           << "<%%LASTNEWSID%%>5<%%/LASTNEWSID%%>\r\n" + Item9 + "\r\n"
                                           << QByteArray("5");
    }

    void writeLastNewsId() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, readBack);
        const QByteArray result = WithLastNewsId(text, "9");
        QCOMPARE(result, written);
        QCOMPARE(LastNewsIdOf(result), readBack);
    }
};

QTEST_GUILESS_MAIN(TestSettingsText)
#include "tst_SettingsText.moc"
