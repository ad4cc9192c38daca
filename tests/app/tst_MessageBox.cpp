// The text the real message box shows.

#include "app/MessageBox.h"

#include <QTest>

using velmora::app::DisplayedMessageText;

class TestMessageBox : public QObject {
    Q_OBJECT

private slots:
    void lineBreaks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("LF CR is one break")
            << QStringLiteral("close to\n\rreplace") << QStringLiteral("close to\nreplace");
        QTest::newRow("CR LF is one break") << QStringLiteral("a\r\nb") << QStringLiteral("a\nb");
        QTest::newRow("two LF stay two") << QStringLiteral("a\n\nb") << QStringLiteral("a\n\nb");
        QTest::newRow("LF CR LF CR is two") << QStringLiteral("a\n\r\n\rb") << QStringLiteral("a\n\nb");
        QTest::newRow("lone CR") << QStringLiteral("a\rb") << QStringLiteral("a\nb");
    }
    void lineBreaks() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(DisplayedMessageText(text), shown);
    }
};

QTEST_GUILESS_MAIN(TestMessageBox)
#include "tst_MessageBox.moc"
