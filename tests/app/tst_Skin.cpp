// The stored skin and the pictures in the program's resources.

#include "app/Skin.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

class TestSkin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_platformFont = QApplication::font(); }
    void storedSkinAppliesCleanly();
    void anotherSkinReplacesIt();
    void pictures_data();
    void pictures();

private:
    QFont m_platformFont;
};

void TestSkin::storedSkinAppliesCleanly() {
    const QString sheet = velmora::app::storedSkin();
    QVERIFY(sheet.contains(QStringLiteral("QWidget")));
    // Qt parses a sheet only when it styles a widget, and then only warns about errors.
    QTest::failOnWarning(
        QRegularExpression(QStringLiteral("parse|stylesheet"), QRegularExpression::CaseInsensitiveOption));
    velmora::app::applyStoredSkin(*qApp);
    QCOMPARE(qApp->styleSheet(), sheet);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new QLabel(QStringLiteral("Keyword:"));
    layout->addWidget(label);
    layout->addWidget(new QPushButton(QStringLiteral("Search")));
    auto* list = new QTableView;
    list->setObjectName(QStringLiteral("lvwItems"));
    layout->addWidget(list);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The skin sets the program's font, and it is the application's too, so that nothing is
    // measured in another font before it is polished.
    QCOMPARE(label->font().pixelSize(), 12);
    QCOMPARE(label->font(), QApplication::font());
}

void TestSkin::anotherSkinReplacesIt() {
    velmora::app::applyStoredSkin(*qApp);
    const QString other = QStringLiteral("QWidget { font-size: 15px; }");
    velmora::app::applySkin(*qApp, other);
    QCOMPARE(qApp->styleSheet(), other);
    // Its widgets start from the platform's font, as without the stored skin.
    QCOMPARE(QApplication::font(), m_platformFont);
    QLabel label(QStringLiteral("x"));
    label.ensurePolished();
    QCOMPARE(label.font().pixelSize(), 15);
    qApp->setStyleSheet(QString());
}

void TestSkin::pictures_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("Check News") << QStringLiteral("news");
    QTest::newRow("Check Updates") << QStringLiteral("update");
    QTest::newRow("Help") << QStringLiteral("help");
}

void TestSkin::pictures() {
    QFETCH(QString, name);
    velmora::app::ensureResources();
    const QString base = QStringLiteral(":/velmora/icons/") + name;
    const QPixmap normal(base + QStringLiteral(".png"));
    const QPixmap dense(base + QStringLiteral("@2x.png"));
    QCOMPARE(normal.size(), QSize(24, 24));
    QCOMPARE(dense.size(), QSize(48, 48));
    QVERIFY(normal.hasAlphaChannel());
}

QTEST_MAIN(TestSkin)
#include "tst_Skin.moc"
