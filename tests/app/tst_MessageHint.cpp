// The balloon: where it goes beside the point it points at, and what removes it.

#include "app/MessageHint.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

using velmora::app::BalloonPlacement;
using velmora::app::MessageHint;
using velmora::app::PlaceBalloon;

class TestMessageHint : public QObject {
    Q_OBJECT

private slots:
    void placement_data();
    void placement();
    void removedBy_data();
    void removedBy();
    void oneAtATime();
};

void TestMessageHint::placement_data() {
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("anchor");
    QTest::addColumn<QRect>("body"); // of 200 x 50
    QTest::addColumn<bool>("below");
    QTest::addColumn<bool>("leftward");

    const QRect screen(0, 0, 1000, 800);
    QTest::newRow("room everywhere") << screen << QPoint(500, 400) << QRect(318, 412, 200, 50) << true
                                     << true;
    QTest::newRow("near the left edge")
        << screen << QPoint(100, 400) << QRect(82, 412, 200, 50) << true << false;
    QTest::newRow("just fits to the left")
        << screen << QPoint(182, 400) << QRect(0, 412, 200, 50) << true << true;
    QTest::newRow("near the bottom") << screen << QPoint(500, 780) << QRect(318, 718, 200, 50) << false
                                     << true;
    QTest::newRow("just fits below, shadow included")
        << screen << QPoint(500, 734) << QRect(318, 746, 200, 50) << true << true;
    QTest::newRow("bottom left corner")
        << screen << QPoint(10, 790) << QRect(0, 728, 200, 50) << false << false;
    QTest::newRow("second screen to the right")
        << QRect(1000, 0, 800, 600) << QPoint(1100, 100) << QRect(1082, 112, 200, 50) << true << false;
    QTest::newRow("pulled in at the right edge")
        << screen << QPoint(990, 400) << QRect(796, 412, 200, 50) << true << true;
    QTest::newRow("fits neither above nor below")
        << QRect(0, 0, 1000, 60) << QPoint(500, 30) << QRect(318, 42, 200, 50) << true << true;
}

void TestMessageHint::placement() {
    QFETCH(QRect, screen);
    QFETCH(QPoint, anchor);
    QFETCH(QRect, body);
    QFETCH(bool, below);
    QFETCH(bool, leftward);

    const BalloonPlacement placement = PlaceBalloon(anchor, QSize(200, 50), screen);
    QCOMPARE(placement.body, body);
    QCOMPARE(placement.below, below);
    QCOMPARE(placement.leftward, leftward);
}

namespace {

// A window with a text box, active, and a balloon pointing into it.
struct Scene {
    QWidget window;
    QLineEdit* edit = new QLineEdit(&window);
    MessageHint hint{&window};

    bool show() {
        window.resize(300, 200);
        window.show();
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        edit->setFocus();
        hint.showMessage(window.mapToGlobal(QPoint(150, 20)), QStringLiteral("Line one\r\nLine two"));
        return hint.isShowing();
    }
};

} // namespace

void TestMessageHint::removedBy_data() {
    QTest::addColumn<int>("what");
    QTest::newRow("mouse press in the window") << 0;
    QTest::newRow("mouse press on the balloon") << 1;
    QTest::newRow("wheel") << 2;
    QTest::newRow("key press") << 3;
    QTest::newRow("another window becomes active") << 4;
}

void TestMessageHint::removedBy() {
    QFETCH(int, what);
    Scene scene;
    QVERIFY(scene.show());
    QCOMPARE(scene.hint.lines(), QStringList({QStringLiteral("Line one"), QStringLiteral("Line two")}));
    QWidget other;
    switch (what) {
    case 0:
        QTest::mouseClick(scene.edit, Qt::LeftButton);
        break;
    case 1:
        QTest::mousePress(&scene.hint, Qt::RightButton, {}, QPoint(20, 20));
        break;
    case 2: {
        QWheelEvent wheel(QPointF(5, 5), scene.edit->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(scene.edit, &wheel);
        break;
    }
    case 3:
        QTest::keyClick(scene.edit, Qt::Key_A);
        // The key still reaches the box.
        QCOMPARE(scene.edit->text(), QStringLiteral("a"));
        break;
    default:
        other.show();
        QApplication::setActiveWindow(&other);
        break;
    }
    QTRY_VERIFY(!scene.hint.isShowing());
}

void TestMessageHint::oneAtATime() {
    Scene scene;
    QVERIFY(scene.show());
    scene.hint.showMessage(scene.window.mapToGlobal(QPoint(10, 10)), QStringLiteral("Second"));
    int shown = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        shown += qobject_cast<MessageHint*>(widget) && widget->isVisible();
    QCOMPARE(shown, 1);
    QCOMPARE(scene.hint.lines(), QStringList{QStringLiteral("Second")});
    QCOMPARE(scene.hint.anchor(), scene.window.mapToGlobal(QPoint(10, 10)));
    // Removed once, by the next click, and a click after that changes nothing.
    QTest::mouseClick(scene.edit, Qt::LeftButton);
    QVERIFY(!scene.hint.isShowing());
}

QTEST_MAIN(TestMessageHint)
#include "tst_MessageHint.moc"
