// Velmora's own window icon: drawn in every size, opaque inside, transparent at the corners.

#include "app/AppIcon.h"

#include <QTest>

class TestAppIcon : public QObject {
    Q_OBJECT

private slots:
    void drawnInEverySize_data();
    void drawnInEverySize();
};

void TestAppIcon::drawnInEverySize_data() {
    QTest::addColumn<int>("size");
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%d", size) << size;
}

void TestAppIcon::drawnInEverySize() {
    QFETCH(int, size);
    const QIcon icon = velmora::app::VelmoraIcon();
    QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    // The picture itself, not a scaled neighbour or an empty image.
    const QImage image = icon.pixmap(QSize(size, size)).toImage();
    QCOMPARE(image.size(), QSize(size, size));
    QCOMPARE(image.pixelColor(size / 2, size / 4).alpha(), 255);
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
}

QTEST_MAIN(TestAppIcon)
#include "tst_AppIcon.moc"
