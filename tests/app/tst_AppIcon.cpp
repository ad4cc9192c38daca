// Velmora's own window icon: drawn in every size, opaque inside, transparent at the corners,
// read without asking the image plugins.

#include "TestSupport.h"
#include "app/AppIcon.h"

#include <QTest>

class TestAppIcon : public QObject {
    Q_OBJECT

private slots:
    void drawnInEverySize_data();
    void drawnInEverySize();
    void readWithoutImagePlugins();
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

void TestAppIcon::readWithoutImagePlugins() {
    // Left to guess a picture's format, Qt loads every image plugin and the libraries behind
    // them: a cost to every start.
    const QIcon icon = velmora::app::VelmoraIcon();
    for (const QSize& size : icon.availableSizes())
        QVERIFY(!icon.pixmap(size).isNull());
    const QByteArray maps = velmora::testing::mappedFiles();
    if (maps.isEmpty())
        QSKIP("the system does not list what is mapped into a process");
    QVERIFY(!maps.contains("/imageformats/"));
}

QTEST_MAIN(TestAppIcon)
#include "tst_AppIcon.moc"
