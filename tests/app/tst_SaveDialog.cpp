// The save dialog: which names it takes, and the suffix it completes.

#include "app/SaveDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestSaveDialog : public QObject {
    Q_OBJECT

private slots:
    void saveNameRules_data();
    void saveNameRules();
    void dialogStaysOpenForNamesItDoesNotTake();
};

void TestSaveDialog::saveNameRules_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("saved");
    QTest::newRow("no extension") << "/d/results" << true << "/d/results.csv";
    QTest::newRow("other extension") << "/d/results.txt" << true << "/d/results.txt.csv";
    QTest::newRow("csv in capitals") << "/d/Results.CSV" << true << "/d/Results.CSV";
    QTest::newRow("trailing dot") << "/d/results." << true << "/d/results..csv";
    QTest::newRow("csv only in the folder") << "/d.csv/results" << true << "/d.csv/results.csv";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("star") << "*.csv" << false << "";
}

void TestSaveDialog::saveNameRules() {
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QString, saved);
    QCOMPARE(velmora::app::IsAcceptableFileName(QFileInfo(typed).fileName()), accepted);
    if (accepted)
        QCOMPARE(velmora::app::WithSuffix(typed, QStringLiteral("csv")), saved);
}

namespace {

// Shows the program's save dialog and types each name into it with Enter, as a user would,
// noting after each whether the dialog is still open; cancels it if it is at the end.
struct TypedSession {
    QString chosen;
    QString title;
    QList<bool> stillOpen;
};

TypedSession typeNames(const QString& folder, const QList<const char*>& names) {
    TypedSession session;
    QWidget parent;
    QTimer::singleShot(0, &parent, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* edit = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!edit)
            return; // the comparisons below fail
        session.title = dialog->windowTitle();
        dialog->setDirectory(folder);
        for (const char* typed : names) {
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, QString::fromLatin1(typed));
            QTest::keyClick(edit, Qt::Key_Return);
            session.stillOpen.append(dialog->isVisible());
        }
        if (dialog->isVisible())
            dialog->reject();
    });
    session.chosen = velmora::app::SystemSaveDialog().askFileName(
        &parent, QStringLiteral("Save results to csv"), QStringLiteral("Comma delimited (*.csv)"),
        QStringLiteral("csv"));
    return session;
}

} // namespace

void TestSaveDialog::dialogStaysOpenForNamesItDoesNotTake() {
    QTemporaryDir dir;
    const TypedSession blankThenName = typeNames(dir.path(), {"", "results.txt"});
    QCOMPARE(blankThenName.title, QStringLiteral("Save results to csv"));
    QCOMPARE(blankThenName.stillOpen, (QList<bool>{true, false}));
    QCOMPARE(QFileInfo(blankThenName.chosen).absoluteFilePath(),
             QFileInfo(dir.filePath(QStringLiteral("results.txt.csv"))).absoluteFilePath());

    const TypedSession star = typeNames(dir.path(), {"res*.csv"});
    QCOMPARE(star.stillOpen, QList<bool>{true});
    QVERIFY(star.chosen.isEmpty());
}

QTEST_MAIN(TestSaveDialog)
#include "tst_SaveDialog.moc"
