// The results list's model: columns, order, in-place editing of the title, UTF-8 cells,
// batched appends.

#include "search/ResultsModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using velmora::search::AdRow;
using velmora::search::ResultsModel;

namespace {

AdRow row(int position) {
    const QByteArray n = QByteArray::number(position);
    return {"Title " + n, "Text " + n, "url" + n + ".example", "shoes", n};
}

QList<QByteArray> rowCells(const ResultsModel& model, int r) {
    QList<QByteArray> cells;
    for (int c = 0; c < model.columnCount(); ++c)
        cells.append(model.cell(r, c));
    return cells;
}

} // namespace

class TestResultsModel : public QObject {
    Q_OBJECT

private slots:
    void columns();
    void rowsStayInInsertionOrder();
    void onlyTheTitleIsEditable_data();
    void onlyTheTitleIsEditable();
    void cellsAreUtf8();
    void batchIsOneInsertion();
    void clearRemovesEverything();
    void modelContractHolds();
};

void TestResultsModel::columns() {
    ResultsModel model;
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(ResultsModel::columnCaptions(),
             (QList<QByteArray>{"Ad Title", "Ad Text", "Ad URL", "Used Keyword", "Position"}));
    for (int c = 0; c < 5; ++c) {
        QCOMPARE(model.headerData(c, Qt::Horizontal).toString(),
                 QString::fromLatin1(ResultsModel::columnCaptions()[c]));
    }
    QVERIFY(!model.headerData(5, Qt::Horizontal).isValid());
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
}

void TestResultsModel::rowsStayInInsertionOrder() {
    ResultsModel model;
    velmora::search::AdRowSink& sink = model;
    for (int i : {3, 1, 2})
        sink.appendRow(row(i));
    model.sort(0, Qt::AscendingOrder); // a header click must not reorder
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.rows(), (QList<AdRow>{row(3), row(1), row(2)}));
    QCOMPARE(rowCells(model, 1), (QList<QByteArray>{"Title 1", "Text 1", "url1.example", "shoes", "1"}));
    QCOMPARE(model.data(model.index(2, 4)).toString(), QStringLiteral("2"));
    QVERIFY(model.cell(3, 0).isNull());
    QVERIFY(model.cell(0, 5).isNull());
}

void TestResultsModel::onlyTheTitleIsEditable_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("editable");
    QTest::newRow("Ad Title") << 0 << true;
    QTest::newRow("Ad Text") << 1 << false;
    QTest::newRow("Ad URL") << 2 << false;
    QTest::newRow("Used Keyword") << 3 << false;
    QTest::newRow("Position") << 4 << false;
}

void TestResultsModel::onlyTheTitleIsEditable() {
    QFETCH(int, column);
    QFETCH(bool, editable);
    ResultsModel model;
    model.appendRow(row(1));
    const QModelIndex index = model.index(0, column);
    QCOMPARE(bool(model.flags(index) & Qt::ItemIsEditable), editable);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const QByteArray before = model.cell(0, column);
    QCOMPARE(model.setData(index, QStringLiteral("edited")), editable);
    QCOMPARE(model.cell(0, column), editable ? QByteArray("edited") : before);
    QCOMPARE(changed.size(), editable ? 1 : 0);
}

void TestResultsModel::cellsAreUtf8() {
    ResultsModel model;
    model.appendRow({"Caf\xc3\xa9 \xe2\x82\xac"
                     "5",
                     "plain", "", "cr\xc3\xa8me", "1"});
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral(u"Caf\u00e9 \u20ac5"));
    QCOMPARE(model.data(model.index(0, 3)).toString(), QStringLiteral(u"cr\u00e8me"));
    // An edit stores the typed text as UTF-8, and an edit that keeps the text keeps the bytes.
    QVERIFY(model.setData(model.index(0, 0), QStringLiteral(u"\u00e9t\u00e9 \u20ac")));
    QCOMPARE(model.cell(0, 0), QByteArray("\xc3\xa9t\xc3\xa9 \xe2\x82\xac"));
    QVERIFY(model.setData(model.index(0, 0), model.data(model.index(0, 0), Qt::EditRole)));
    QCOMPARE(model.cell(0, 0), QByteArray("\xc3\xa9t\xc3\xa9 \xe2\x82\xac"));
}

void TestResultsModel::batchIsOneInsertion() {
    ResultsModel model;
    model.appendRow(row(0));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    {
        ResultsModel::Batch outer(model);
        for (int i = 1; i <= 500; ++i)
            model.appendRow(row(i));
        {
            ResultsModel::Batch inner(model);
            for (int i = 501; i <= 1000; ++i)
                model.appendRow(row(i));
        }
        // Nothing shows before the outermost batch ends.
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(inserted.size(), 0);
    }
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted[0][1].toInt(), 1);
    QCOMPARE(inserted[0][2].toInt(), 1000);
    QCOMPARE(model.rowCount(), 1001);
    QCOMPARE(model.rows().last(), row(1000));

    model.appendRows({row(1001), row(1002)});
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(inserted[1][1].toInt(), 1001);
    QCOMPARE(inserted[1][2].toInt(), 1002);
    model.appendRows({});
    QCOMPARE(inserted.size(), 2);
}

void TestResultsModel::clearRemovesEverything() {
    ResultsModel model;
    model.appendRows({row(1), row(2)});
    {
        ResultsModel::Batch batch(model);
        model.appendRow(row(3));
        model.clear();
    }
    QCOMPARE(model.rowCount(), 0);
    model.appendRow(row(4));
    QCOMPARE(model.rows(), QList<AdRow>{row(4)});
}

void TestResultsModel::modelContractHolds() {
    ResultsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.appendRow(row(1));
    {
        ResultsModel::Batch batch(model);
        for (int i = 2; i < 50; ++i)
            model.appendRow(row(i));
    }
    model.setData(model.index(3, 0), QStringLiteral("changed"));
    model.clear();
    model.appendRows({row(7), row(8)});
    QCOMPARE(model.rowCount(), 2);
}

QTEST_GUILESS_MAIN(TestResultsModel)
#include "tst_ResultsModel.moc"
