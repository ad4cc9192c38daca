// A keyword list read from the bytes of a file: encodings, line ends, blank lines, repeats and
// control characters, and the sentence that says what was skipped.

#include "search/KeywordList.h"

#include <QTest>

using velmora::search::KeywordList;
using velmora::search::KeywordListSummary;
using velmora::search::ReadKeywordList;

class TestKeywordList : public QObject {
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
    void utf16Refused_data();
    void utf16Refused();
};

void TestKeywordList::reads_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("keywords"); // UTF-8
    QTest::addColumn<QString>("summary");

    using L = QList<QByteArray>;
    QTest::newRow("CR LF, last line without end")
        << QByteArray("a\r\nb\r\nc") << L{"a", "b", "c"} << "3 keywords.";
    // CR LF is one line end; LF CR is two, the second ending a blank line.
    QTest::newRow("mixed line ends") << QByteArray("a\r\nb\nc\rd\n\re") << L{"a", "b", "c", "d", "e"}
                                     << "5 keywords; 1 blank line skipped.";
    QTest::newRow("blank lines and blanks around")
        << QByteArray("\n  \n red \n\t\nshoes\n\n") << L{"red", "shoes"}
        << "2 keywords; 4 blank lines skipped.";
    QTest::newRow("repeats keep the first place")
        << QByteArray("b\na\nb\n b\nB\n") << L{"b", "a", "B"} << "3 keywords; 2 repeats skipped.";
    QTest::newRow("control characters removed")
        << QByteArray("re\x01"
                      "d\nsh\0oes\n\x7f\n",
                      14)
        << L{"red", "shoes"} << "2 keywords; 1 blank line skipped; control characters removed from 2.";
    QTest::newRow("UTF-8 with a byte-order mark") << QByteArray("\xef\xbb\xbf"
                                                                "caf\xc3\xa9\n")
                                                  << L{"caf\xc3\xa9"} << "1 keyword.";
    QTest::newRow("Windows-1252 when not UTF-8")
        << QByteArray("caf\xe9\n\x80 off\n") << L{"caf\xc3\xa9", "\xe2\x82\xac off"}
        << "2 keywords; read as Windows-1252, since it is not UTF-8.";
    QTest::newRow("CSV cells unquoted")
        << QByteArray("\"red, shoes\"\n\"24\"\" screen\"\n\"\"\n") << L{"red, shoes", "24\" screen"}
        << "2 keywords; 1 blank line skipped.";
    QTest::newRow("empty file") << QByteArray() << L{} << "0 keywords.";
    QTest::newRow("one long line") << QByteArray(1 << 20, 'k') << L{QByteArray(1 << 20, 'k')} << "1 keyword.";
}

void TestKeywordList::reads() {
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, keywords);
    QFETCH(QString, summary);
    const KeywordList list = ReadKeywordList(bytes);
    QVERIFY(list.refusal.isEmpty());
    QCOMPARE(list.keywords, keywords);
    QCOMPARE(KeywordListSummary(list), summary);
}

void TestKeywordList::utf16Refused_data() {
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("little-endian with mark") << QByteArray("\xff\xfe"
                                                           "a\0\n\0",
                                                           6);
    QTest::newRow("big-endian with mark") << QByteArray("\xfe\xff\0a\0\n", 6);
    QTest::newRow("little-endian without mark") << QByteArray("r\0e\0d\0\n\0a\0", 10);
    QTest::newRow("big-endian without mark") << QByteArray("\0r\0e\0d\0\n\0a", 10);
}

void TestKeywordList::utf16Refused() {
    QFETCH(QByteArray, bytes);
    const KeywordList list = ReadKeywordList(bytes);
    QVERIFY(list.keywords.isEmpty());
    QCOMPARE(KeywordListSummary(list),
             "The keyword list is UTF-16 text, which Velmora does not read; save it as UTF-8 and try again.");
}

QTEST_GUILESS_MAIN(TestKeywordList)
#include "tst_KeywordList.moc"
