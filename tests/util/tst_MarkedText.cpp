#include "util/MarkedText.h"

#include <QTest>

#include <cstdio>

using velmora::util::ExtractMarked;
using velmora::util::MarkedTextCursor;

class TestMarkedText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void extract_data();
    void extract();
    void consumedItemsCannotBeFoundAgain();
    void chainedCutsShareTheEndMarker();
    void offsetSkipsIntoBothMarkers_data();
    void offsetSkipsIntoBothMarkers();
    void repeatedFailingSearchesStayLinear();
    void containsIsExact();
    void tagRebuiltInTheSameBufferIsANewMarker();
};

void TestMarkedText::extract_data() {
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("rest");

    const QByteArray about = "x<%%AboutText%%>One<%%/AboutText%%>y";
    QTest::newRow("both markers") << about << QByteArray("<%%AboutText%%>") << QByteArray("<%%/AboutText%%>")
                                  << QByteArray("One") << QByteArray("<%%/AboutText%%>y");
    QTest::newRow("markers in other case")
        << about << QByteArray("<%%abouttext%%>") << QByteArray("<%%/ABOUTTEXT%%>") << QByteArray("One")
        << QByteArray("<%%/AboutText%%>y");
    QTest::newRow("value keeps document case")
        << QByteArray("[a]MiXeD[/a]") << QByteArray("[A]") << QByteArray("[/A]") << QByteArray("MiXeD")
        << QByteArray("[/a]");
    QTest::newRow("no end marker") << QByteArray("ab<s>tail") << QByteArray("<s>") << QByteArray("</s>")
                                   << QByteArray() << QByteArray("tail");
    QTest::newRow("no start marker") << QByteArray("abc</s>") << QByteArray("<s>") << QByteArray("</s>")
                                     << QByteArray() << QByteArray("abc</s>");
    QTest::newRow("empty value") << QByteArray("<s></s>z") << QByteArray("<s>") << QByteArray("</s>")
                                 << QByteArray() << QByteArray("</s>z");
    QTest::newRow("empty start marker never found")
        << QByteArray("abc") << QByteArray() << QByteArray("c") << QByteArray() << QByteArray("abc");
    QTest::newRow("empty document") << QByteArray() << QByteArray("<s>") << QByteArray("</s>") << QByteArray()
                                    << QByteArray();
    QTest::newRow("start marker at the very end")
        << QByteArray("abc<s>") << QByteArray("<s>") << QByteArray("</s>") << QByteArray() << QByteArray();
    QTest::newRow("bytes above 127 are not folded")
        << QByteArray("\xe9<s>v</s>\xc9<t>w</t>") << QByteArray("\xc9<t>") << QByteArray("</t>")
        << QByteArray("w") << QByteArray("</t>");
    QTest::newRow("accented start marker in other case is not found")
        << QByteArray("\xe9x") << QByteArray("\xc9x") << QByteArray("y") << QByteArray()
        << QByteArray("\xe9x");
    QTest::newRow("letters fold, punctuation does not")
        << QByteArray("[x]1{/x}[/x]") << QByteArray("[X]") << QByteArray("[/X]") << QByteArray("1{/x}")
        << QByteArray("[/x]");
    QTest::newRow("first occurrence of the end marker")
        << QByteArray("<s>a</s>b</s>") << QByteArray("<s>") << QByteArray("</s>") << QByteArray("a")
        << QByteArray("</s>b</s>");
    QTest::newRow("overlapping candidate for the start marker")
        << QByteArray("<<<s>v</s>") << QByteArray("<<s>") << QByteArray("</s>") << QByteArray("v")
        << QByteArray("</s>");
}

void TestMarkedText::extract() {
    QFETCH(QByteArray, document);
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, end);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, rest);

    MarkedTextCursor cursor(document);
    QCOMPARE(ExtractMarked(start, end, 0, cursor), value);
    QCOMPARE(cursor.remaining().toByteArray(), rest);
}

void TestMarkedText::consumedItemsCannotBeFoundAgain() {
    const QByteArray document = "<%%BranderCode%%>two<%%/BranderCode%%><%%AboutText%%>One<%%/AboutText%%>";
    MarkedTextCursor cursor(document);
    QCOMPARE(ExtractMarked("<%%AboutText%%>", "<%%/AboutText%%>", 0, cursor), QByteArray("One"));
    QCOMPARE(cursor.remaining().toByteArray(), QByteArray("<%%/AboutText%%>"));
    QCOMPARE(ExtractMarked("<%%BranderCode%%>", "<%%/BranderCode%%>", 0, cursor), QByteArray());
    QCOMPARE(cursor.remaining().toByteArray(), QByteArray("<%%/AboutText%%>"));
}

void TestMarkedText::chainedCutsShareTheEndMarker() {
    const QByteArray page = "<a id=an1 href=\"/x\">Title</a> text<cite>url</cite>";
    MarkedTextCursor cursor(page);
    QCOMPARE(ExtractMarked("<a id=an", "\">", 0, cursor), QByteArray("1 href=\"/x"));
    QCOMPARE(ExtractMarked("\">", "</a>", 0, cursor), QByteArray("Title"));
    QCOMPARE(ExtractMarked("</a>", "<cite>", 0, cursor), QByteArray(" text"));
    QCOMPARE(ExtractMarked("<cite>", "</cite>", 0, cursor), QByteArray("url"));
    QCOMPARE(cursor.remaining().toByteArray(), QByteArray("</cite>"));
}

void TestMarkedText::offsetSkipsIntoBothMarkers_data() {
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("rest");
    // The value starts offset bytes after the start marker; the cursor keeps the end
    // marker without its first offset bytes.
    QTest::newRow("offset 2") << QByteArray("<s>xxvalue</s>z") << 2 << QByteArray("value")
                              << QByteArray("s>z");
    QTest::newRow("offset 2, no end marker")
        << QByteArray("<s>abcdef") << 2 << QByteArray() << QByteArray("def");
    QTest::newRow("offset beyond the end") << QByteArray("<s>ab") << 9 << QByteArray() << QByteArray();
}

void TestMarkedText::offsetSkipsIntoBothMarkers() {
    QFETCH(QByteArray, document);
    QFETCH(int, offset);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, rest);
    MarkedTextCursor cursor(document);
    QCOMPARE(ExtractMarked("<s>", "</s>", offset, cursor), value);
    QCOMPARE(cursor.remaining().toByteArray(), rest);
}

void TestMarkedText::repeatedFailingSearchesStayLinear() {
    // Every item lacks its end marker's partner further on: a naive walk would search the
    // whole rest for "<never>" once per item. The results must not depend on the memo.
    QByteArray document;
    for (int i = 0; i < 2000; ++i)
        document += "<i>" + QByteArray::number(i) + "</i>";
    MarkedTextCursor cursor(document);
    int found = 0;
    while (cursor.contains("<i>")) {
        const QByteArray value = ExtractMarked("<i>", "</i>", 0, cursor);
        QCOMPARE(value, QByteArray::number(found));
        QCOMPARE(ExtractMarked("<never>", "</i>", 0, cursor), QByteArray());
        ++found;
    }
    QCOMPARE(found, 2000);
    QCOMPARE(cursor.remaining().toByteArray(), QByteArray("</i>"));
}

void TestMarkedText::containsIsExact() {
    const QByteArray document = "<A ID=AN1>x<a id=an2>";
    MarkedTextCursor cursor(document);
    QVERIFY(cursor.contains("<a id=an"));
    QVERIFY(!cursor.contains("<a id=pa"));
    // The cut ignores case and takes the capital-letter anchor first.
    QCOMPARE(ExtractMarked("<a id=an", ">", 0, cursor), QByteArray("1"));
    QVERIFY(cursor.contains("<a id=an"));
    QCOMPARE(ExtractMarked("<a id=an", ">", 0, cursor), QByteArray("2"));
    QVERIFY(!cursor.contains("<a id=an"));
}

void TestMarkedText::tagRebuiltInTheSameBufferIsANewMarker() {
    // Settings tags are built per call; the allocator may hand the same buffer to the next
    // tag. Here it is the same buffer on purpose: an absent BranderCode must not hide the
    // BranderType that follows.
    const QByteArray settings = "<%%BranderType%%>Gold<%%/BranderType%%>";
    MarkedTextCursor cursor(settings);
    char open[32];
    char close[32];
    auto cut = [&](const char* tag) {
        const int openSize = std::snprintf(open, sizeof open, "<%%%%%s%%%%>", tag);
        const int closeSize = std::snprintf(close, sizeof close, "<%%%%/%s%%%%>", tag);
        return ExtractMarked(QByteArrayView(open, openSize), QByteArrayView(close, closeSize), 0, cursor);
    };
    QCOMPARE(cut("BranderCode"), QByteArray());
    QCOMPARE(cut("BranderType"), QByteArray("Gold"));
}

QTEST_GUILESS_MAIN(TestMarkedText)
#include "tst_MarkedText.moc"
