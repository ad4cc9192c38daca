// The link label: its look, its hot state, and what counts as a click.

#include "app/LinkLabel.h"

#include <QEnterEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using velmora::app::LinkLabel;

namespace {

QColor textColour(LinkLabel& label) {
    label.ensurePolished();
    return label.palette().color(label.foregroundRole());
}

void sendEnter(LinkLabel& label) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(&label, &enter);
}

void sendLeave(LinkLabel& label) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&label, &leave);
}

} // namespace

class TestLinkLabel : public QObject {
    Q_OBJECT

private slots:
    void looksLikeALink();
    void blueWhileTheMouseIsOver();
    void clicks_data();
    void clicks();
    void keyboard_data();
    void keyboard();
};

void TestLinkLabel::looksLikeALink() {
    LinkLabel label;
    label.setLink("Google", "http://www.example.test/");
    label.ensurePolished();
    QCOMPARE(label.text(), QStringLiteral("Google"));
    QCOMPARE(label.url(), QByteArray("http://www.example.test/"));
    QCOMPARE(label.font().family(), QStringLiteral("Arial"));
    QCOMPARE(label.font().pixelSize(), 12);
    QVERIFY(label.font().underline());
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(label.textFormat(), Qt::PlainText);
    QCOMPARE(label.size(), label.sizeHint());
}

void TestLinkLabel::blueWhileTheMouseIsOver() {
    // In a window whose focus is elsewhere: a focused link is shown hot as well.
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* label = new LinkLabel(&window);
    label->setLink("Google", "http://www.example.test/");
    label->move(0, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    edit->setFocus();
    QVERIFY(!label->isHot());
    const QColor normal = textColour(*label);
    QVERIFY(normal != QColor(Qt::blue));
    sendEnter(*label);
    QVERIFY(label->isHot());
    QCOMPARE(textColour(*label), QColor(Qt::blue));
    sendLeave(*label);
    QVERIFY(!label->isHot());
    QCOMPARE(textColour(*label), normal);
}

void TestLinkLabel::clicks_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("releaseInside");
    QTest::addColumn<int>("clicks");
    QTest::newRow("left click") << Qt::LeftButton << true << 1;
    QTest::newRow("released outside") << Qt::LeftButton << false << 0;
    QTest::newRow("right click") << Qt::RightButton << true << 0;
}

void TestLinkLabel::clicks() {
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, releaseInside);
    LinkLabel label;
    label.setLink("Google", "http://www.example.test/");
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QSignalSpy clicked(&label, &LinkLabel::clicked);
    QTest::mousePress(&label, button, {}, QPoint(3, 3));
    QTest::mouseRelease(&label, button, {}, releaseInside ? QPoint(3, 3) : QPoint(-20, 3));
    QTEST(int(clicked.size()), "clicks");
}

void TestLinkLabel::keyboard_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("clicks");
    QTest::newRow("Enter") << int(Qt::Key_Return) << 1;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << 1;
    QTest::newRow("Space") << int(Qt::Key_Space) << 1;
    QTest::newRow("a letter") << int(Qt::Key_A) << 0;
}

void TestLinkLabel::keyboard() {
    QFETCH(int, key);
    LinkLabel label;
    label.setLink("Google", "http://www.example.test/");
    QCOMPARE(label.focusPolicy(), Qt::TabFocus);
    QSignalSpy clicked(&label, &LinkLabel::clicked);
    QTest::keyClick(&label, Qt::Key(key));
    QTEST(int(clicked.size()), "clicks");
}

QTEST_MAIN(TestLinkLabel)
#include "tst_LinkLabel.moc"
