#include "search/PageText.h"

#include <QTest>

using velmora::search::PageTextFromBytes;

class TestPageText : public QObject {
    Q_OBJECT

private slots:
    void convertsBody_data();
    void convertsBody();
};

void TestPageText::convertsBody_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty body") << QByteArray() << QByteArray();
    QTest::newRow("one line without line end") << QByteArray("abc") << QByteArray("abc\r\n");
    QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("CR") << QByteArray("a\rb\r") << QByteArray("a\r\nb\r\n");
    QTest::newRow("CR LF is one line end") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("last line gets a line end") << QByteArray("a\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("CR CR LF is two line ends") << QByteArray("a\r\r\nb") << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("empty lines kept") << QByteArray("\n\nx\n\n") << QByteArray("\r\n\r\nx\r\n\r\n");
    QTest::newRow("lone line end") << QByteArray("\n") << QByteArray("\r\n");
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd") << QByteArray("a\r\nb\r\nc\r\nd\r\n");
    QTest::newRow("NUL ends the text") << QByteArray("abc\0def\n", 8) << QByteArray("abc\r\n");
    QTest::newRow("NUL after a line end") << QByteArray("a\nb\0\nc", 6) << QByteArray("a\r\nb\r\n");
    QTest::newRow("NUL first") << QByteArray("\0abc", 4) << QByteArray();
    QTest::newRow("NUL after CR of a pair") << QByteArray("a\r\0\nb", 5) << QByteArray("a\r\n");
    QTest::newRow("bytes above 127 and tabs unchanged")
        << QByteArray("caf\xe9\t\xc3\xa9\x7f\n") << QByteArray("caf\xe9\t\xc3\xa9\x7f\r\n");
}

void TestPageText::convertsBody() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    QCOMPARE(PageTextFromBytes(body), expected);
}

QTEST_GUILESS_MAIN(TestPageText)
#include "tst_PageText.moc"
