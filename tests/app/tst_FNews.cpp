// The news window against a loopback news service: the list from the records, an item's
// text on selection, the selection held while it loads, failures.

#include "AppFakes.h"
#include "LoopbackServer.h"
#include "app/FNews.h"
#include "news/NewsClient.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTreeWidget>

#include <stdexcept>

using velmora::app::NewsWindowServices;
using velmora::app::TfrmNews;
using velmora::news::NewsAccount;
using velmora::testing::CannedReply;
using velmora::testing::FakeHtmlView;
using velmora::testing::LoopbackServer;
using velmora::testing::RecordedRequest;

namespace {

// The news window's collaborators, recording what it asks of them.
struct FakeHost {
    velmora::testing::RecordingMessageBox messageBox;
    velmora::testing::RecordingReporter reporter;
    QList<QByteArray> stored;
    bool storeFails = false;

    NewsWindowServices services() {
        return {.htmlViewFactory = [](QWidget* parent) { return new FakeHtmlView(parent); },
                .messageBox = messageBox,
                .reporter = reporter,
                .storeReadId =
                    [this](const QByteArray& id) {
                        if (storeFails)
                            throw std::runtime_error("Cannot write the settings");
                        stored.append(id);
                    }};
    }
};

const QList<QByteArray> Records{"31^Spring offer^2024-03-01", "30^Winter news^2023-12-01",
                                "29^Autumn^2023-09-01"};

struct NewsFixture {
    QMap<QByteArray, QByteArray> details; // news id to the details reply
    LoopbackServer server;
    velmora::news::NewsClient client;
    FakeHost host;
    std::unique_ptr<TfrmNews> window;

    explicit NewsFixture(const QList<QByteArray>& records = Records) {
        NewsAccount account;
        account.PublisherId = "pub-g";
        account.ProductCode = "RC1";
        account.ProductType = "BG";
        account.baseUrls.GoldNewsBaseURL = server.url("/gold/");
        window = std::make_unique<TfrmNews>(records, account, client, host.services());
    }

    void serve(const QByteArray& id, const QByteArray& reply, int chunkSize = 0) {
        details[id] = reply;
        server.setResponder("/gold/getnewsdetails.php", [this, chunkSize](const RecordedRequest& request) {
            CannedReply canned;
            canned.body = details.value(request.field("newsid"));
            canned.chunkSize = chunkSize;
            canned.intervalMs = chunkSize ? 40 : 0;
            return canned;
        });
    }

    bool show() {
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
    QTreeWidget* list() const { return window->findChild<QTreeWidget*>(QStringLiteral("lvwItems")); }
    FakeHtmlView* view() const { return window->findChild<FakeHtmlView*>(QStringLiteral("prfEditorNews")); }
    QTreeWidgetItem* row(int index) const { return list()->topLevelItem(index); }
    void clickRow(int index) const {
        const QRect rect = list()->visualItemRect(row(index));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    bool loaded() const {
        return QTest::qWaitFor([this] { return !window->loadingDetails() && !client.busy(); });
    }
    QList<QByteArray> askedIds() const {
        QList<QByteArray> ids;
        for (const RecordedRequest& request : server.requests())
            ids.append(request.field("newsid"));
        return ids;
    }
};

} // namespace

class TestFNews : public QObject {
    Q_OBJECT

private slots:
    void layout();
    void rows_data();
    void rows();
    void selectingShowsAndStores();
    void invalidNewsKeepsThePreviousText();
    void selectionHeldWhileLoading();
    void storeFailureFreesTheList();
    void closeWhileLoading();
};

void TestFNews::layout() {
    NewsFixture f;
    // The view exists with the window, before it is shown.
    QVERIFY(f.view());
    QVERIFY(f.show());
    QCOMPARE(f.window->windowTitle(), QStringLiteral("News"));
    QCOMPARE(f.window->size(), QSize(682, 411));
    QVERIFY(f.window->minimumSize() != f.window->maximumSize());
    QCOMPARE(f.list()->headerItem()->text(0), QStringLiteral("News Title"));
    QCOMPARE(f.list()->headerItem()->text(1), QStringLiteral("Published"));
    QVERIFY(f.list()->isColumnHidden(2));
    QCOMPARE(f.list()->columnWidth(1), 160);
    QCOMPARE(f.list()->columnWidth(0) + 160, f.list()->viewport()->width());
    QCOMPARE(f.list()->selectionMode(), QAbstractItemView::SingleSelection);
    auto* splitter = f.window->findChild<QSplitter*>(QStringLiteral("bsSkinSplitter1"));
    QCOMPARE(splitter->sizes(), QList<int>({105, 255}));
    QCOMPARE(splitter->handleWidth(), 10);
    auto* exit = f.window->findChild<QPushButton*>(QStringLiteral("btnExit"));
    QCOMPARE(exit->text(), QStringLiteral("Close"));
    QCOMPARE(exit->geometry(), QRect(304, 7, 97, 20));
    // Growing the window grows the text, keeps the list's height and the button's relative place.
    f.window->resize(882, 511);
    QTRY_COMPARE(splitter->sizes(), QList<int>({105, 355}));
    QVERIFY(qAbs(exit->geometry().center().x() - 882 * 352 / 682) <= 1);
    exit->click();
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.window->result(), int(QDialog::Accepted));
}

void TestFNews::rows_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QStringList>("cells"); // title, published, id
    QTest::newRow("three fields") << QByteArray("7^Title^Today") << QStringList{"Title", "Today", "7"};
    QTest::newRow("no published") << QByteArray("5^Only title") << QStringList{"Only title", "", "5"};
    QTest::newRow("id alone") << QByteArray("9") << QStringList{"", "", "9"};
    QTest::newRow("empty fields") << QByteArray("^^") << QStringList{"", "", ""};
    QTest::newRow("more fields") << QByteArray("1^T^P^extra") << QStringList{"T", "P", "1"};
}

void TestFNews::rows() {
    QFETCH(QByteArray, record);
    QFETCH(QStringList, cells);
    NewsFixture f({"2^First^Monday", record});
    QVERIFY(f.show());
    QCOMPARE(f.list()->topLevelItemCount(), 2);
    QCOMPARE(f.row(0)->text(0), QStringLiteral("First"));
    for (int column = 0; column < 3; ++column)
        QCOMPARE(f.row(1)->text(column), cells[column]);
    QVERIFY(f.list()->selectedItems().isEmpty());
    QVERIFY(f.view()->html.isEmpty());
}

void TestFNews::selectingShowsAndStores() {
    NewsFixture f;
    f.serve("30", "<p>Winter $26 snow</p>\xAFOK");
    QVERIFY(f.show());
    f.clickRow(1);
    QVERIFY(f.loaded());
    QCOMPARE(f.askedIds(), QList<QByteArray>{"30"});
    QCOMPARE(f.view()->html, QByteArray("<p>Winter & snow</p>"));
    QCOMPARE(f.host.stored, QList<QByteArray>{"30"});
    QVERIFY(f.host.messageBox.texts().isEmpty());
    // The selection stays drawn when the list loses the focus.
    QCOMPARE(f.list()->palette().color(QPalette::Inactive, QPalette::Highlight),
             f.list()->palette().color(QPalette::Active, QPalette::Highlight));
}

void TestFNews::invalidNewsKeepsThePreviousText() {
    NewsFixture f;
    f.serve("31", "<p>Spring</p>\xAFOK");
    f.serve("29", "INVALIDNEWS");
    QVERIFY(f.show());
    f.clickRow(0);
    QVERIFY(f.loaded());
    f.clickRow(2);
    QVERIFY(f.loaded());
    QCOMPARE(f.view()->html, QByteArray("<p>Spring</p>"));
    QCOMPARE(f.host.messageBox.texts(),
             QStringList{QStringLiteral("There is a trouble with this news. Contact your provider.")});
    QCOMPARE(f.host.stored, QList<QByteArray>{"31"});
    // A click on the failed row tries it again; a click on the row on show does not.
    f.serve("29", "<p>Autumn</p>\xAFOK");
    f.clickRow(2);
    QVERIFY(f.loaded());
    f.clickRow(2);
    QVERIFY(f.loaded());
    QCOMPARE(f.askedIds(), QList<QByteArray>({"31", "29", "29"}));
    QCOMPARE(f.host.stored, QList<QByteArray>({"31", "29"}));
}

void TestFNews::selectionHeldWhileLoading() {
    NewsFixture f;
    f.serve("31", QByteArray(600, ' ') + "<p>Spring</p>\xAFOK", 100);
    f.serve("30", "<p>Winter</p>\xAFOK", 100);
    QVERIFY(f.show());
    f.clickRow(0);
    QVERIFY(f.window->loadingDetails());
    for (QWidget* widget : {static_cast<QWidget*>(f.window.get()), static_cast<QWidget*>(f.list()),
                            static_cast<QWidget*>(f.view())})
        QCOMPARE(widget->cursor().shape(), Qt::WaitCursor);
    // Neither the mouse, nor the keyboard, nor the program moves it.
    f.clickRow(1);
    QTest::keyClick(f.list(), Qt::Key_Down);
    f.list()->setCurrentItem(f.row(2));
    QCOMPARE(f.list()->selectedItems(), QList<QTreeWidgetItem*>{f.row(0)});
    QVERIFY(f.loaded());
    QCOMPARE(f.askedIds(), QList<QByteArray>{"31"});
    for (QWidget* widget : {static_cast<QWidget*>(f.window.get()), static_cast<QWidget*>(f.list()),
                            static_cast<QWidget*>(f.view())})
        QCOMPARE(widget->cursor().shape(), Qt::ArrowCursor);
    QTest::keyClick(f.list(), Qt::Key_Down);
    QVERIFY(f.loaded());
    QCOMPARE(f.list()->selectedItems(), QList<QTreeWidgetItem*>{f.row(1)});
    QCOMPARE(f.view()->html, QByteArray("<p>Winter</p>"));
}

void TestFNews::storeFailureFreesTheList() {
    NewsFixture f;
    f.host.storeFails = true;
    f.serve("31", "<p>Spring</p>\xAFOK");
    f.serve("30", "<p>Winter</p>\xAFOK");
    QVERIFY(f.show());
    f.clickRow(0);
    QVERIFY(f.loaded());
    QCOMPARE(f.host.reporter.messages, QStringList{QStringLiteral("Cannot write the settings")});
    QCOMPARE(f.list()->cursor().shape(), Qt::ArrowCursor);
    f.clickRow(1);
    QVERIFY(f.loaded());
    QCOMPARE(f.askedIds(), QList<QByteArray>({"31", "30"}));
    QCOMPARE(f.view()->html, QByteArray("<p>Winter</p>"));
}

void TestFNews::closeWhileLoading() {
    NewsFixture f;
    f.serve("31", QByteArray(400, ' ') + "<p>Spring</p>\xAFOK", 100);
    QVERIFY(f.show());
    f.clickRow(0);
    QVERIFY(f.window->loadingDetails());
    f.window->findChild<QPushButton*>(QStringLiteral("btnExit"))->click();
    QVERIFY(!f.window->isVisible());
    f.window.reset();
    // The answer comes for a window that is gone: nothing is shown or stored.
    QVERIFY(QTest::qWaitFor([&] { return !f.client.busy(); }));
    QVERIFY(f.host.stored.isEmpty() && f.host.messageBox.texts().isEmpty() &&
            f.host.reporter.messages.isEmpty());
}

QTEST_MAIN(TestFNews)
#include "tst_FNews.moc"
