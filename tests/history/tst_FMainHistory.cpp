// The main window's history against a loopback engine whose page changes between searches:
// rows of ads never seen before are bold with "First seen now", the others say when they were
// first seen and how often; the status bar counts the new ones; a history that cannot be written
// says why and the rows still show. The history window lists, filters, exports and clears.

#include "HistoryFixture.h"
#include "SearchWindowFixture.h"
#include "TestSupport.h"

#include "app/FHistory.h"
#include "history/HistoryAdsModel.h"
#include "history/HistoryStore.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;
using velmora::search::ResultsModel;

namespace {

const QString Completed = QStringLiteral("Download completed!");

// A page of the classic layout with these ads (title, text, displayed address).
QByteArray Page(const QList<std::array<const char*, 3>>& ads) {
    QByteArray page = "<html><body><div id=tads><ol>";
    int n = 0;
    for (const auto& [title, text, url] : ads)
        page += "<li><a id=an" + QByteArray::number(++n) + " href=\"/a\">" + title + "</a> " + text +
                "<cite>" + url + "</cite>";
    return page + "</ol></div></body></html>\n";
}

CannedReply Reply(const QByteArray& body) {
    CannedReply reply;
    reply.status = 200;
    reply.body = body;
    return reply;
}

QStringList Marks(const ResultsModel& results) {
    QStringList marks;
    for (int row = 0; row < results.rowCount(); ++row) {
        const QModelIndex index = results.index(row, 1);
        marks.append((index.data(ResultsModel::IsNewRole).toBool() ? QStringLiteral("new: ") : QString()) +
                     index.data(Qt::ToolTipRole).toString());
    }
    return marks;
}

// Gives the window a history in a file of the folder, and returns the file's path.
QString UseHistory(SearchWindow& w, const QTemporaryDir& dir) {
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));
    w.f.window->setHistoryStore(std::make_unique<history::HistoryStore>(history::ParseHistoryLocation(file)));
    return file;
}

} // namespace

class TestFMainHistory : public QObject {
    Q_OBJECT

private slots:
    void newAndSeenRows();
    void historyThatCannotBeWritten();
    void historyWindow();
};

void TestFMainHistory::newAndSeenRows() {
    SearchWindow w;
    QTemporaryDir dir;
    const QString file = UseHistory(w, dir);
    QVERIFY(w.show());
    const QString today = QDate::currentDate().toString(Qt::ISODate);

    w.server.setReply("/search", Reply(Page({{"Red Shoes", "Best shoes", "shopa.example"},
                                             {"Blue Shoes", "Cheap", "shopb.example"}})));
    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE(w.results().rowCount(), 2);
    QCOMPARE(w.status()->text(), Completed + QStringLiteral(" 2 new ads."));
    QCOMPARE(Marks(w.results()), (QStringList{"new: First seen now", "new: First seen now"}));

    w.server.setReply("/search", Reply(Page({{"Green Shoes", "New in", "shopc.example"},
                                             {"Red Shoes", "Best shoes", "www.shopa.example/red"}})));
    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE(w.results().rowCount(), 4);
    QCOMPARE(w.status()->text(), Completed + QStringLiteral(" 1 new ad."));

    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE(w.results().rowCount(), 6);
    QCOMPARE(w.status()->text(), Completed);
    const QString seen = QStringLiteral("First seen %1 \u00B7 seen %2 times");
    QCOMPARE(Marks(w.results()),
             (QStringList{"new: First seen now", "new: First seen now", "new: First seen now",
                          seen.arg(today).arg(2), seen.arg(today).arg(2), seen.arg(today).arg(3)}));
    // The cells are the page's, unchanged; the export is the list's as ever.
    QCOMPARE(w.column(0), (QList<QByteArray>{"Red Shoes", "Blue Shoes", "Green Shoes", "Red Shoes",
                                             "Green Shoes", "Red Shoes"}));
    QCOMPARE(w.column(2).at(3), QByteArray("www.shopa.example/red"));
}

void TestFMainHistory::historyThatCannotBeWritten() {
    SearchWindow w;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));
    const QByteArray damaged(8192, '\x5a');
    writeFileForTest(file, damaged);
    w.f.window->setHistoryStore(std::make_unique<history::HistoryStore>(history::ParseHistoryLocation(file)));
    QVERIFY(w.show());
    w.server.setReply("/search", Reply(Page({{"Red Shoes", "Best shoes", "shopa.example"}})));
    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE(w.results().rowCount(), 1);
    QCOMPARE(w.status()->text(),
             Completed +
                 QStringLiteral(" History could not be written: the file %1 is damaged, and it is left as "
                                "it is.")
                     .arg(QDir::toNativeSeparators(file)));
    QCOMPARE(Marks(w.results()), QStringList{QString()});
    QCOMPARE(readFileOrMarker(file), damaged);
}

void TestFMainHistory::historyWindow() {
    SearchWindow w;
    QTemporaryDir dir;
    const QString file = UseHistory(w, dir);
    QVERIFY(w.show());
    w.server.setReply("/search", Reply(Page({{"Red Shoes", "Best shoes", "shopa.example"},
                                             {"Blue Shoes", "Cheap 100%", "shopb.example"}})));
    w.search(QStringLiteral("shoes"));
    QTRY_COMPARE(w.results().rowCount(), 2);
    w.search(QStringLiteral("boots"));
    QTRY_COMPARE(w.results().rowCount(), 4);

    QTest::keyClick(w.f.window.get(), Qt::Key_H, Qt::ControlModifier);
    auto* window = w.f.window->findChild<app::TfrmHistory*>();
    QVERIFY(window && window->isVisible());
    auto* count = window->findChild<QLabel*>(QStringLiteral("lblHistoryCount"));
    QCOMPARE(count->text(), QStringLiteral("4 ads from 2 advertisers"));

    QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("edtHistoryWords")),
                     QStringLiteral("100%"));
    QTRY_COMPARE(count->text(), QStringLiteral("2 ads from 1 advertiser"));
    QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("edtHistoryKeyword")),
                     QStringLiteral("boots"));
    QTRY_COMPARE(count->text(), QStringLiteral("1 ad from 1 advertiser"));

    // The filtered view is exported.
    const QString exported = dir.filePath(QStringLiteral("out.csv"));
    w.f.saveDialog.answers = {exported};
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnExportCsv")), Qt::LeftButton);
    const QList<QByteArray> lines = readFileOrMarker(exported).split('\n');
    QCOMPARE(lines.size(), 3); // header, one ad, and the empty rest after the last CR LF
    QVERIFY2(lines.at(1).startsWith(
                 "\"boots\",\"Blue Shoes\",\" Cheap 100%\",\"shopb.example\",\"shopb.example\","),
             lines.at(1));

    // A search while the window is open shows in it.
    w.server.setReply("/search", Reply(Page({{"Pink Boots", "Cheap 100% too", "shopb.example"}})));
    w.search(QStringLiteral("boots"));
    QTRY_COMPARE(count->text(), QStringLiteral("2 ads from 1 advertiser"));

    // "Clear history...": nothing without a yes; with one, everything goes.
    auto* clear = window->findChild<QPushButton*>(QStringLiteral("btnClearHistory"));
    w.f.messageBox.answers = {app::MessageBox::Answer::Cancel};
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(w.f.messageBox.texts().size(), 1);
    QCOMPARE(count->text(), QStringLiteral("2 ads from 1 advertiser"));
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(count->text(), QStringLiteral("0 ads from 0 advertisers"));
    window->findChild<QLineEdit*>(QStringLiteral("edtHistoryKeyword"))->clear();
    window->refresh();
    QCOMPARE(count->text(), QStringLiteral("0 ads from 0 advertisers"));
    QCOMPARE(w.results().rowCount(), 5); // the list is not the history
}

QTEST_MAIN(TestFMainHistory)
#include "tst_FMainHistory.moc"
