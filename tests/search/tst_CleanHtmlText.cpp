#include "search/CleanHtmlText.h"

#include <QTest>

using velmora::search::CleanHtmlText;

class TestCleanHtmlText : public QObject {
    Q_OBJECT

private slots:
    void cleans_data();
    void cleans();
    void keepsOnlyPrintableAscii();
    void findsWorkAnywhere_data();
    void findsWorkAnywhere();
};

void TestCleanHtmlText::cleans_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    // The documented edge cases, whole.
    QTest::newRow("amp and #39") << QByteArray("Tom &amp; Jerry&#39;s") << QByteArray("Tom & Jerry's");
    QTest::newRow("h3 leaves no space") << QByteArray("<h3>Title</h3>") << QByteArray("Title");
    QTest::newRow("br leaves no space") << QByteArray("x<br>y") << QByteArray("xy");
    QTest::newRow("capital tags stay") << QByteArray("<B>Bold</B>") << QByteArray("<B>Bold</B>");
    QTest::newRow("tag with attribute stays") << QByteArray("<b class=x>y") << QByteArray("<b class=x>y");
    QTest::newRow("nbsp removed") << QByteArray("a&nbsp;b") << QByteArray("ab");
    QTest::newRow("encoded tag stays a tag") << QByteArray("&lt;b&gt;") << QByteArray("<b>");
    QTest::newRow("amp lt") << QByteArray("&amp;lt;") << QByteArray("&lt;");
    QTest::newRow("amp quot") << QByteArray("&amp;quot;") << QByteArray("&quot;");
    QTest::newRow("amp nbsp vanishes") << QByteArray("&amp;nbsp;") << QByteArray();
    QTest::newRow("amp #39") << QByteArray("&amp;#39;") << QByteArray("'");
    QTest::newRow("CR LF dropped") << QByteArray("line one\r\nline two") << QByteArray("line oneline two");
    QTest::newRow("space CR LF space") << QByteArray("a \r\n b") << QByteArray("a b");
    QTest::newRow("byte above 127") << QByteArray("Caf\xe9") << QByteArray("Caf");
    QTest::newRow("tab joins") << QByteArray("a\tb") << QByteArray("ab");
    QTest::newRow("no trimming") << QByteArray(" x  ") << QByteArray(" x ");
    QTest::newRow("eight spaces") << QByteArray(8, ' ') << QByteArray(2, ' ');
    QTest::newRow("empty") << QByteArray() << QByteArray();

    // Every replacement on its own.
    QTest::newRow("b") << QByteArray("1<b>2") << QByteArray("12");
    QTest::newRow("/b") << QByteArray("1</b>2") << QByteArray("12");
    QTest::newRow("/ol") << QByteArray("1</ol>2") << QByteArray("12");
    QTest::newRow("strong") << QByteArray("<strong>1</strong>2") << QByteArray("12");
    QTest::newRow("em") << QByteArray("<em>1</em>2") << QByteArray("12");
    QTest::newRow("quot") << QByteArray("&quot;1&quot;") << QByteArray("\"1\"");
    QTest::newRow("apos") << QByteArray("it&apos;s") << QByteArray("it's");
    QTest::newRow("gt lt") << QByteArray("1 &gt; 0 &lt; 2") << QByteArray("1 > 0 < 2");
    QTest::newRow("ol opening tag stays") << QByteArray("<ol>1") << QByteArray("<ol>1");
    QTest::newRow("other entities stay")
        << QByteArray("&raquo;&pound;&#169;") << QByteArray("&raquo;&pound;&#169;");
    QTest::newRow("entity without semicolon stays") << QByteArray("&amp &lt") << QByteArray("&amp &lt");
    QTest::newRow("span stays") << QByteArray("<span class=a>x</span>")
                                << QByteArray("<span class=a>x</span>");

    // Left to right, non-overlapping, never looking again at produced text.
    QTest::newRow("removal forms a tag that stays") << QByteArray("<<b>b>x") << QByteArray("<b>x");
    QTest::newRow("amp amp decoded once") << QByteArray("&amp;amp;") << QByteArray("&amp;");
    QTest::newRow("ellipsis formed by removals") << QByteArray("<<b>b>...<</b>/b>") << QByteArray("...");
    QTest::newRow("bold ellipsis is just bold") << QByteArray("<b>...</b>") << QByteArray("...");
    QTest::newRow("decoded lt does not make a tag removable")
        << QByteArray("&lt;br&gt;x") << QByteArray("<br>x");
    QTest::newRow("three spaces") << QByteArray(3, ' ') << QByteArray(1, ' ');
    QTest::newRow("five spaces") << QByteArray(5, ' ') << QByteArray(2, ' ');
    QTest::newRow("nbsp between spaces") << QByteArray("a &nbsp; b") << QByteArray("a b");
    QTest::newRow("spaces around removed tags")
        << QByteArray("a <b> </b> <br> b") << QByteArray("a b"); // four spaces, halved twice

    // A removal can forge a match that did not stand in the input: a later row takes it,
    // the row that forged it or an earlier one leaves it alone.
    QTest::newRow("b forges /b") << QByteArray("<<b>/b>x") << QByteArray("x");
    QTest::newRow("b forges br") << QByteArray("<<b>br>x") << QByteArray("x");
    QTest::newRow("/b forges b, too late") << QByteArray("<</b>b>x") << QByteArray("<b>x");
    QTest::newRow("/b forges /b, not again") << QByteArray("a <</b>/b> b") << QByteArray("a </b> b");
    QTest::newRow("b forges b, not again") << QByteArray("<<<b>b>b>x") << QByteArray("<<b>b>x");
    QTest::newRow("em forges h3 pair") << QByteArray("x<<em>h3>y<<em>/h3>z") << QByteArray("xyz");
    QTest::newRow("strong and em forge ellipsis")
        << QByteArray("<<strong>b>...</<em>b>") << QByteArray("...");
    QTest::newRow("b joins an ellipsis") << QByteArray("<b>.<b>..</b>") << QByteArray("...");
    QTest::newRow("ellipsis broken by b removal") << QByteArray("<b>...<</b>/b>") << QByteArray("...</b>");
    QTest::newRow("em forges b after its row") << QByteArray("<<em>b>...</b>x") << QByteArray("<b>...x");
    QTest::newRow("tag removal forges amp") << QByteArray("&<b>amp;") << QByteArray("&");
    QTest::newRow("tag removal forges lt") << QByteArray("&l<br>t;x") << QByteArray("<x");
    QTest::newRow("tag removal forges #39") << QByteArray("&#<em>39;") << QByteArray("'");
    QTest::newRow("tag removal forges nbsp") << QByteArray("&n<b>bsp;") << QByteArray();
    QTest::newRow("tag removal forges amp lt") << QByteArray("&amp;<b>lt;") << QByteArray("&lt;");
    QTest::newRow("amp forges #39") << QByteArray("&&amp;#39;") << QByteArray("&'");
    QTest::newRow("amp forges nbsp") << QByteArray("&&amp;nbsp;x") << QByteArray("&x");
    QTest::newRow("amp forges amp, not again") << QByteArray("&am&amp;p;") << QByteArray("&am&p;");
    QTest::newRow("tag removal forges double space") << QByteArray("a <b> b") << QByteArray("a b");
    QTest::newRow("filter forges no entity") << QByteArray("&\001amp;") << QByteArray("&amp;");
    QTest::newRow("filter forges no tag") << QByteArray("<\r\nb>x") << QByteArray("<b>x");
    QTest::newRow("tags, CR LF and spaces") << QByteArray("a<b> \r\n<b> b") << QByteArray("a b");

    QTest::newRow("control bytes joined") << QByteArray("a\x01\x1f\x7f b", 6) << QByteArray("a b");
    QTest::newRow("NUL dropped") << QByteArray("a\0b", 3) << QByteArray("ab");
    QTest::newRow("UTF-8 letter dropped") << QByteArray("na\xc3\xafve") << QByteArray("nave");
    QTest::newRow("tilde and space kept") << QByteArray("~ !") << QByteArray("~ !");
}

void TestCleanHtmlText::cleans() {
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(CleanHtmlText(input), expected);
}

void TestCleanHtmlText::keepsOnlyPrintableAscii() {
    QByteArray everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte.append(char(b));
    QByteArray printable;
    for (int b = 32; b <= 126; ++b)
        printable.append(char(b));
    QCOMPARE(CleanHtmlText(everyByte), printable);
}

void TestCleanHtmlText::findsWorkAnywhere_data() {
    QTest::addColumn<QByteArray>("work");
    QTest::addColumn<QByteArray>("cleaned");

    QTest::newRow("tag") << QByteArray("<b>") << QByteArray();
    QTest::newRow("long tag") << QByteArray("</strong>") << QByteArray();
    QTest::newRow("entity") << QByteArray("&amp;") << QByteArray("&");
    QTest::newRow("two spaces") << QByteArray("  ") << QByteArray(" ");
    QTest::newRow("three spaces") << QByteArray("   ") << QByteArray(" ");
    QTest::newRow("control byte") << QByteArray("\x01") << QByteArray();
    QTest::newRow("byte above 127") << QByteArray("\xff") << QByteArray();
    QTest::newRow("DEL") << QByteArray("\x7f") << QByteArray();
    QTest::newRow("cut tag") << QByteArray("<b") << QByteArray("<b");
}

// The same piece of work at every place in texts of many lengths: nothing is missed at the
// start, the end, or wherever a long text is split up to be looked through.
void TestCleanHtmlText::findsWorkAnywhere() {
    QFETCH(QByteArray, work);
    QFETCH(QByteArray, cleaned);
    for (int length = 0; length <= 40; ++length) {
        for (int before = 0; before <= length; ++before) {
            const QByteArray head(before, 'a');
            const QByteArray tail(length - before, 'z');
            const QByteArray result = CleanHtmlText(head + work + tail);
            if (result != head + cleaned + tail) {
                QFAIL(qPrintable(QStringLiteral("%1 bytes before, %2 after: got \"%3\"")
                                     .arg(before)
                                     .arg(length - before)
                                     .arg(QString::fromLatin1(result))));
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestCleanHtmlText)
#include "tst_CleanHtmlText.moc"
