// The about box: what it shows with and without branding, its layout, its memo.

#include "AppFakes.h"
#include "app/FAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using velmora::app::BrandSettings;
using velmora::app::TfrmAbout;
using velmora::testing::RecordingReporter;

namespace {

template <class W = QWidget> W* find(const QWidget& box, const char* name) {
    return box.findChild<W*>(QString::fromLatin1(name));
}

QString labelText(const QWidget& box, const char* name) {
    return find<QLabel>(box, name)->text();
}

QString memoText(const QWidget& box) {
    return find<QPlainTextEdit>(box, "memAbout")->toPlainText();
}

} // namespace

class TestFAbout : public QObject {
    Q_OBJECT

private slots:
    void withoutSettings();
    void withSettings();
    void bytesShowAsTheyAre();
    void layout_data();
    void layout();
    void aboutTextLines_data();
    void aboutTextLines();
    void scrollsOnlyWhatOverflows_data();
    void scrollsOnlyWhatOverflows();
    void okClosesTheBox();
};

void TestFAbout::withoutSettings() {
    RecordingReporter reporter;
    TfrmAbout box(BrandSettings{}, reporter);
    QCOMPARE(box.objectName(), QStringLiteral("frmAbout"));
    QCOMPARE(box.windowTitle(), QStringLiteral("About ..."));
    QCOMPARE(labelText(box, "lblProductName"), QString());
    QCOMPARE(labelText(box, "lblProductVersion"), QStringLiteral("Product Version: 2.0"));
    QCOMPARE(labelText(box, "lblCopyright1"), QStringLiteral("Copyright (c)  "));
    QCOMPARE(find<QPlainTextEdit>(box, "memAbout")->toPlainText(), QString());
    QVERIFY(reporter.messages.isEmpty());
}

void TestFAbout::withSettings() {
    BrandSettings brand;
    brand.ApplicationName = "Acme Finder";
    brand.CopyrightYears = "2004-2006";
    brand.CopyrightCompany = "Acme Inc.";
    brand.AboutText = "Made by Acme.";
    RecordingReporter reporter;
    TfrmAbout box(brand, reporter);
    QCOMPARE(box.windowTitle(), QStringLiteral("About Acme Finder..."));
    QCOMPARE(labelText(box, "lblProductName"), QStringLiteral("Acme Finder"));
    QVERIFY(find<QLabel>(box, "lblProductName")->font().bold());
    QCOMPARE(labelText(box, "lblProductVersion"), QStringLiteral("Product Version: 2.0"));
    QCOMPARE(labelText(box, "lblCopyright1"), QStringLiteral("Copyright (c) 2004-2006 Acme Inc."));
    QCOMPARE(memoText(box), QStringLiteral("Made by Acme."));
}

void TestFAbout::bytesShowAsTheyAre() {
    // Settings bytes show as UTF-8 when they are valid UTF-8, otherwise as Windows-1252; markup
    // stays text.
    BrandSettings brand;
    brand.ApplicationName = "Caf\xc3\xa9 <b>Finder</b>";
    brand.CopyrightCompany = "M\xfcller \x80 Co";
    RecordingReporter reporter;
    TfrmAbout box(brand, reporter);
    QCOMPARE(labelText(box, "lblProductName"), QStringLiteral(u"Caf\u00e9 <b>Finder</b>"));
    QCOMPARE(find<QLabel>(box, "lblProductName")->textFormat(), Qt::PlainText);
    QCOMPARE(labelText(box, "lblCopyright1"), QStringLiteral(u"Copyright (c)  M\u00fcller \u20ac Co"));
}

void TestFAbout::layout_data() {
    QTest::addColumn<QRect>("geometry"); // width -1: sized to its text
    QTest::newRow("lblProductName") << QRect(9, 7, -1, -1);
    QTest::newRow("lblProductVersion") << QRect(9, 32, -1, -1);
    QTest::newRow("lblCopyright1") << QRect(9, 58, -1, -1);
    QTest::newRow("bsSkinPanel1") << QRect(8, 88, 348, 71);
    QTest::newRow("memAbout") << QRect(0, 0, 329, 71);
    QTest::newRow("bsSkinScrollBar1") << QRect(329, 0, 19, 71);
    QTest::newRow("editAbout") << QRect(129, 171, 87, 21);
}

void TestFAbout::layout() {
    QFETCH(QRect, geometry);
    BrandSettings brand;
    brand.ApplicationName = "Acme Finder";
    RecordingReporter reporter;
    TfrmAbout box(brand, reporter);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.size(), QSize(368, 211));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QVERIFY(!(box.windowFlags() & Qt::WindowCloseButtonHint));
    const QWidget* widget = find(box, QTest::currentDataTag());
    QVERIFY(widget);
    QCOMPARE(widget->pos(), geometry.topLeft());
    if (geometry.width() >= 0)
        QCOMPARE(widget->size(), geometry.size());
    else
        QVERIFY(widget->width() >= widget->sizeHint().width());
}

void TestFAbout::aboutTextLines_data() {
    QTest::addColumn<QByteArray>("aboutText");
    QTest::addColumn<QStringList>("lines");
    auto lines = [](std::initializer_list<const char*> items) {
        QStringList result;
        for (const char* item : items)
            result.append(QString::fromLatin1(item));
        return result;
    };
    QTest::newRow("CR LF") << QByteArray("First line\r\nSecond line\r\nThird")
                           << lines({"First line", "Second line", "Third"});
    QTest::newRow("LF and CR alone") << QByteArray("a\nb\rc") << lines({"a", "b", "c"});
    QTest::newRow("break at the end") << QByteArray("a\r\nb\r\n") << lines({"a", "b"});
    QTest::newRow("empty line inside") << QByteArray("a\r\n\r\nb") << lines({"a", "", "b"});
    QTest::newRow("only a break") << QByteArray("\r\n") << lines({""});
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << lines({"a", "", "b"});
    QTest::newRow("leading blanks kept") << QByteArray("  indented\r\n") << lines({"  indented"});
}

void TestFAbout::aboutTextLines() {
    QFETCH(QByteArray, aboutText);
    QFETCH(QStringList, lines);
    BrandSettings brand;
    brand.AboutText = aboutText;
    RecordingReporter reporter;
    TfrmAbout box(brand, reporter);
    QCOMPARE(velmora::app::splitTextLines(QString::fromLatin1(aboutText)), lines);
    QCOMPARE(memoText(box), lines.join(u'\n'));
    QCOMPARE(find<QPlainTextEdit>(box, "memAbout")->document()->blockCount(),
             std::max<int>(1, int(lines.size())));
}

void TestFAbout::scrollsOnlyWhatOverflows_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("empty memo") << 0 << false;
    QTest::newRow("two lines") << 2 << false;
    QTest::newRow("long text") << 40 << true;
}

void TestFAbout::scrollsOnlyWhatOverflows() {
    QFETCH(int, lines);
    QFETCH(bool, scrolls);
    BrandSettings brand;
    for (int i = 1; i <= lines; ++i)
        brand.AboutText += "Line " + QByteArray::number(i) + "\r\n";
    RecordingReporter reporter;
    TfrmAbout box(brand, reporter);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto* bar = find<QScrollBar>(box, "bsSkinScrollBar1");
    auto* memo = find<QPlainTextEdit>(box, "memAbout");
    QCOMPARE(memo->document()->blockCount(), std::max(1, lines));
    if (!scrolls) {
        // No thumb to move: nothing to scroll, and the bar says so.
        QCOMPARE(bar->maximum(), bar->minimum());
        QVERIFY(!bar->isEnabled());
        return;
    }
    QTRY_VERIFY(bar->maximum() > 0);
    QVERIFY(bar->isEnabled());
    bar->setValue(bar->maximum());
    QCOMPARE(memo->verticalScrollBar()->value(), bar->maximum());
    memo->verticalScrollBar()->setValue(0);
    QCOMPARE(bar->value(), 0);
}

void TestFAbout::okClosesTheBox() {
    RecordingReporter reporter;
    TfrmAbout box(BrandSettings{}, reporter);
    QTimer::singleShot(0, &box, [&box] {
        auto* ok = find<QPushButton>(box, "editAbout");
        QCOMPARE(ok->text(), QStringLiteral("Ok"));
        QCOMPARE(box.focusWidget(), ok);
        QVERIFY(ok->isDefault());
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    QCOMPARE(box.exec(), int(QDialog::Accepted));
    QVERIFY(box.isModal());
}

QTEST_MAIN(TestFAbout)
#include "tst_FAbout.moc"
