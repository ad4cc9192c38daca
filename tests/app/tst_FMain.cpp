// The main window: layout, the two ways it starts, banner centring, its own handlers, closing.

#include "MainWindowFixture.h"
#include "app/FAbout.h"
#include "app/Gauge.h"
#include "app/LinkLabel.h"
#include "news/NewsClient.h"
#include "search/PageDownload.h"
#include "search/ResultsModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using velmora::app::BrandSettings;
using velmora::testing::FakeHtmlView;
using velmora::testing::MainWindowFixture;

namespace {

const QByteArray WelcomeHtml = "<html><body><h1>Welcome</h1></body></html>";

BrandSettings withWelcome() {
    BrandSettings brand;
    brand.WelcomeText = WelcomeHtml;
    return brand;
}

QString caption(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    return {};
}

} // namespace

class TestFMain : public QObject {
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void windowFrame();
    void anchoring_data();
    void anchoring();
    void tabOrder();
    void startPage_data();
    void startPage();
    void welcomePageLeftWithEnter();
    void showingAgainKeepsThePages();
    void bannerCentring_data();
    void bannerCentring();
    void help_data();
    void help();
    void helpHasF1();
    void linkLabels();
    void aboutBoxIsModalAndNewEachTime();
    void closeSetsClosing();
    void exceptionInHandlerIsReportedAndWindowGoesOn();
    void resultsList();
    void resultsListEditsTitleInPlace();
    void statusBar();
    void longTextsKeepTheWindowSize();
};

void TestFMain::layout_data() {
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry"); // width -1: sized to its text
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");

    auto row = [](const char* name, const char* parent, QRect geometry, const char* text = "",
                  const char* hint = "") {
        QTest::newRow(name) << QString::fromLatin1(parent) << geometry << QString::fromLatin1(text)
                            << QString::fromLatin1(hint);
    };
    row("pgcPrinc", "frmMain", {0, 0, 834, 522});
    row("stsWelcome", "pgcPrinc", {1, 1, 832, 520});
    row("bsSkinPanel14", "stsWelcome", {0, 481, 832, 39});
    row("bsSkinButton1", "bsSkinPanel14", {256, 8, 265, 20}, "Thanks, just show me the main application");
    row("prfWelcome", "stsWelcome", {0, 0, 832, 481});
    row("stsMain", "pgcPrinc", {1, 1, 832, 520});
    row("bsSkinPanel1", "stsMain", {0, 0, 832, 43});
    row("bsSkinStdLabel6", "bsSkinPanel1", {10, 12, -1, -1}, "Keyword:");
    row("edtKeyword", "bsSkinPanel1", {70, 9, 147, 18});
    row("btnSearch", "bsSkinPanel1", {222, 6, 74, 25}, "Search");
    row("btnClear", "bsSkinPanel1", {299, 6, 90, 25}, "Clear results");
    row("bsSkinButton4", "bsSkinPanel1", {392, 6, 101, 25}, "Export To CSV");
    row("btnMakeMoney", "bsSkinPanel1", {496, 6, 98, 25}, "Make Money");
    row("btnAbout", "bsSkinPanel1", {597, 6, 91, 25}, "About");
    row("btnNews", "bsSkinPanel1", {695, 1, 41, 34}, "", "Check News");
    row("btnUpdate", "bsSkinPanel1", {738, 1, 41, 34}, "", "Check Updates");
    row("btnHelp", "bsSkinPanel1", {781, 1, 41, 34}, "", "Help");
    row("panBanner", "stsMain", {0, 43, 832, 65});
    row("bsSkinPanel4", "stsMain", {0, 108, 832, 376});
    row("lvwItems", "bsSkinPanel4", {0, 0, 832, 376});
    row("panLinks", "stsMain", {0, 484, 832, 36});
    row("lblLink1URL", "panLinks", {13, 9, -1, -1}, "Google");
    row("lblLink2URL", "panLinks", {785, 9, -1, -1}, "Google");
    row("bsSkinStatusBar1", "frmMain", {0, 522, 834, 17});
}

void TestFMain::layout() {
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(QString, hint);

    // With a welcome page both pages exist; the main page is laid out all the same.
    MainWindowFixture f(withWelcome());
    QVERIFY(f.show());
    const QWidget* widget = f.find(QTest::currentDataTag());
    QVERIFY2(widget, QTest::currentDataTag());
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->pos(), geometry.topLeft());
    if (geometry.width() >= 0) {
        QCOMPARE(widget->size(), geometry.size());
    } else {
        // Sized to the caption: all of it is visible.
        QVERIFY(widget->width() >= widget->sizeHint().width());
    }
    QCOMPARE(caption(widget), text);
    QCOMPARE(widget->toolTip(), hint);
}

void TestFMain::windowFrame() {
    MainWindowFixture f;
    QCOMPARE(f.window->objectName(), QStringLiteral("frmMain"));
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Velmora"));
    QVERIFY(f.show());
    QCOMPARE(f.window->size(), QSize(834, 539));
    // Sizeable.
    QVERIFY(f.window->minimumWidth() < 834 && f.window->maximumWidth() > 834);
    // No tab headers, ever.
    for (const QTabBar* bar : f.window->findChildren<QTabBar*>())
        QVERIFY(!bar->isVisible());
    // The pictures of the tool buttons are there.
    for (const char* name : {"btnNews", "btnUpdate", "btnHelp"}) {
        const auto* button = f.find<QToolButton>(name);
        QVERIFY(!button->icon().isNull());
        QCOMPARE(button->icon().availableSizes().size(), 2); // with the picture for dense screens
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
    }
    // The text buttons: Tab reaches them, a click does not take the focus.
    for (const char* name : {"btnSearch", "btnClear", "bsSkinButton4", "btnMakeMoney", "btnAbout"})
        QCOMPARE(f.find<QPushButton>(name)->focusPolicy(), Qt::TabFocus);
    // The non-visual parts.
    auto* timer = f.find<QTimer>("Timer1");
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 2000);
    auto* pageClient = f.find<velmora::search::PageDownload>("IdHTTP2");
    QVERIFY(pageClient && f.find<velmora::news::NewsClient>("IdHTTP1"));
    // The clients set up their network access with their first request, not on every start.
    QVERIFY(f.window->findChildren<QNetworkAccessManager*>().isEmpty());
    f.find<QLineEdit>("edtKeyword")->setText(QStringLiteral("shoes"));
    f.window->SearchAds();
    f.find<QToolButton>("btnUpdate")->click(); // nothing listens on port 9
    QVERIFY(QTest::qWaitFor([&] { return f.find<QNetworkAccessManager>("IdHTTP1"); }));
    auto* http1 = f.find<QNetworkAccessManager>("IdHTTP1");
    auto* http2 = pageClient->findChild<QNetworkAccessManager*>();
    QVERIFY(http2 && http1 != http2);
    QVERIFY(http1->cookieJar() != http2->cookieJar());
    QCOMPARE(http1->proxy().type(), QNetworkProxy::NoProxy);
    QCOMPARE(http2->proxy().type(), QNetworkProxy::NoProxy);
    QCOMPARE(http2->redirectPolicy(), QNetworkRequest::NoLessSafeRedirectPolicy);
    QVERIFY(f.window->NewsList().isEmpty());
    QCOMPARE(f.window->UpdateBaseURL(), QByteArray("http://127.0.0.1:9/liveupdate/velmora/"));
    QVERIFY(!f.window->Closing());
}

void TestFMain::anchoring_data() {
    QTest::addColumn<QPoint>("position"); // after the window grew by 200 x 100
    QTest::addColumn<QSize>("size");
    QTest::newRow("btnAbout") << QPoint(597, 6) << QSize(91, 25);
    QTest::newRow("btnNews") << QPoint(895, 1) << QSize(41, 34);
    QTest::newRow("btnUpdate") << QPoint(938, 1) << QSize(41, 34);
    QTest::newRow("btnHelp") << QPoint(981, 1) << QSize(41, 34);
    QTest::newRow("edtKeyword") << QPoint(70, 9) << QSize(147, 18);
    QTest::newRow("panBanner") << QPoint(0, 43) << QSize(1032, 65);
    QTest::newRow("bsSkinPanel4") << QPoint(0, 108) << QSize(1032, 476);
    QTest::newRow("panLinks") << QPoint(0, 584) << QSize(1032, 36);
    QTest::newRow("lblLink1URL") << QPoint(13, 9) << QSize();
    QTest::newRow("bsSkinStatusBar1") << QPoint(0, 622) << QSize(1034, 17);
}

void TestFMain::anchoring() {
    QFETCH(QPoint, position);
    QFETCH(QSize, size);
    MainWindowFixture f;
    QVERIFY(f.show());
    f.window->resize(1034, 639);
    QTRY_COMPARE(f.window->size(), QSize(1034, 639));
    const QWidget* widget = f.find(QTest::currentDataTag());
    QCOMPARE(widget->pos(), position);
    if (size.isValid())
        QCOMPARE(widget->size(), size);
}

void TestFMain::tabOrder() {
    MainWindowFixture f;
    QVERIFY(f.showActive());
    // The keyword box has the focus from the start.
    QTRY_COMPARE(QApplication::focusWidget(), f.find("edtKeyword"));

    f.find("btnMakeMoney")->setFocus();
    const char* expected[] = {"btnAbout", "edtKeyword", "btnClear", "bsSkinButton4", "btnSearch"};
    for (const char* name : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
    }
}

void TestFMain::startPage_data() {
    QTest::addColumn<QByteArray>("welcomeText");
    QTest::newRow("no welcome text") << QByteArray();
    QTest::newRow("welcome text") << WelcomeHtml;
}

void TestFMain::startPage() {
    QFETCH(QByteArray, welcomeText);
    const bool welcome = !welcomeText.isEmpty();
    BrandSettings brand;
    brand.WelcomeText = welcomeText;
    MainWindowFixture f(brand);
    auto* timer = f.find<QTimer>("Timer1");
    auto* pages = f.find<QStackedWidget>("pgcPrinc");

    // Without a welcome page the news timer runs from creation on.
    QCOMPARE(timer->isActive(), !welcome);
    QVERIFY(f.show());
    QCOMPARE(f.viewsMade, welcome ? 1 : 0);
    QCOMPARE(timer->isActive(), !welcome);

    if (!welcome) {
        QCOMPARE(pages->count(), 1);
        QCOMPARE(pages->currentWidget(), f.find("stsMain"));
        QVERIFY(!f.find("stsWelcome"));
        QVERIFY(!f.find("bsSkinButton1"));
        return;
    }
    QCOMPARE(pages->count(), 2);
    QCOMPARE(pages->currentWidget(), f.find("stsWelcome"));
    auto* view = f.find<FakeHtmlView>("prfWelcome");
    QVERIFY(view);
    QCOMPARE(view->html, welcomeText);
    QVERIFY(view->isVisible());

    QTest::mouseClick(f.find("bsSkinButton1"), Qt::LeftButton);
    QCOMPARE(pages->currentWidget(), f.find("stsMain"));
    QVERIFY(timer->isActive());
}

void TestFMain::welcomePageLeftWithEnter() {
    MainWindowFixture f(withWelcome());
    QVERIFY(f.showActive());
    QTRY_COMPARE(QApplication::focusWidget(), f.find("bsSkinButton1"));
    // Enter works wherever the focus is on the page, the HTML view included.
    QWidget* view = f.find("prfWelcome");
    view->setFocusPolicy(Qt::StrongFocus);
    view->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), view);
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_COMPARE(f.find<QStackedWidget>("pgcPrinc")->currentWidget(), f.find("stsMain"));
    QVERIFY(f.find<QTimer>("Timer1")->isActive());
}

void TestFMain::showingAgainKeepsThePages() {
    MainWindowFixture f(withWelcome());
    QVERIFY(f.show());
    QTest::mouseClick(f.find("bsSkinButton1"), Qt::LeftButton);
    f.window->hide();
    QVERIFY(f.show());
    // The page set-up ran once: no second view, and the user stays on the main page.
    QCOMPARE(f.viewsMade, 1);
    QCOMPARE(f.find<QStackedWidget>("pgcPrinc")->currentWidget(), f.find("stsMain"));
}

void TestFMain::bannerCentring_data() {
    QTest::addColumn<int>("windowWidth");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QPoint>("expected");
    // The banner panel is two pixels narrower than the window.
    QTest::newRow("panel 832, picture 105") << 834 << QSize(105, 49) << QPoint(364, 8);
    QTest::newRow("panel 832, picture 104") << 834 << QSize(104, 49) << QPoint(364, 8);
    QTest::newRow("panel 833, picture 105") << 835 << QSize(105, 48) << QPoint(364, 8);
    QTest::newRow("panel 832, picture 1") << 834 << QSize(1, 1) << QPoint(416, 32);
    QTest::newRow("panel 1032, picture 468x60") << 1034 << QSize(468, 60) << QPoint(282, 2);
    QTest::newRow("picture wider than the panel") << 834 << QSize(900, 80) << QPoint(-34, -8);
}

void TestFMain::bannerCentring() {
    QFETCH(int, windowWidth);
    QFETCH(QSize, picture);
    QFETCH(QPoint, expected);
    MainWindowFixture f;
    QVERIFY(f.show());
    auto* image = f.find("imgBanner");
    auto* gif = f.find("gifBanner");
    // The animated control starts where the picture is and is centred although hidden.
    QCOMPARE(gif->geometry(), image->geometry());
    QCOMPARE(image->pos(), QPoint(364, 8));
    gif->hide();
    image->resize(picture);
    gif->resize(picture);
    // Through another width, so that every row sees a resize.
    f.window->resize(windowWidth + 50, 539);
    QTRY_COMPARE(f.find("panBanner")->width(), windowWidth + 48);
    f.window->resize(windowWidth, 539);
    QTRY_COMPARE(f.find("panBanner")->width(), windowWidth - 2);
    QCOMPARE(image->pos(), expected);
    QCOMPARE(gif->pos(), expected);
}

void TestFMain::help_data() {
    QTest::addColumn<QByteArray>("helpUrl");
    QTest::addColumn<QByteArray>("browser");
    QTest::addColumn<bool>("browserStarts");
    QTest::addColumn<QList<QString>>("arguments"); // of the one start; none without a browser
    QTest::addColumn<QStringList>("warnings");
    const QByteArray browser = "/usr/bin/test-browser";
    const QByteArray link = "http://help.example/a b?x=\"1\"";
    const QString cannotOpen = QStringLiteral("No web browser could be started to open %1.");
    QTest::newRow("empty help link: no argument")
        << QByteArray() << browser << true << QList<QString>{} << QStringList{};
    QTest::newRow("help link") << link << browser << true << QList<QString>{QString::fromLatin1(link)}
                               << QStringList{};
    QTest::newRow("browser does not start")
        << link << browser << false << QList<QString>{QString::fromLatin1(link)}
        << QStringList{cannotOpen.arg(QString::fromLatin1(link))};
    QTest::newRow("no browser registered") << link << QByteArray() << true << QList<QString>{}
                                           << QStringList{cannotOpen.arg(QString::fromLatin1(link))};
    QTest::newRow("no browser, no help link")
        << QByteArray() << QByteArray() << true << QList<QString>{}
        << QStringList{QStringLiteral("No web browser could be started.")};
}

void TestFMain::help() {
    QFETCH(QByteArray, helpUrl);
    QFETCH(QByteArray, browser);
    QFETCH(bool, browserStarts);
    QFETCH(QList<QString>, arguments);
    QFETCH(QStringList, warnings);
    BrandSettings brand;
    brand.AppHelpURL = helpUrl;
    MainWindowFixture f(brand);
    f.platform.browser = browser;
    f.platform.startsPrograms = browserStarts;
    QVERIFY(f.show());
    QTest::mouseClick(f.find("btnHelp"), Qt::LeftButton);
    QCOMPARE(f.platform.started.size(), browser.isEmpty() ? 0 : 1);
    if (!browser.isEmpty()) {
        QCOMPARE(f.platform.started[0].program, QString::fromLatin1(browser));
        QCOMPARE(f.platform.started[0].arguments, arguments);
    }
    QCOMPARE(f.messageBox.texts(), warnings);
    for (const auto& shown : f.messageBox.shown)
        QCOMPARE(shown.kind, velmora::app::MessageBox::Kind::Warning);
    QVERIFY(f.platform.opened.isEmpty());
    QVERIFY(f.reporter.messages.isEmpty());
}

void TestFMain::helpHasF1() {
    MainWindowFixture f;
    QVERIFY(f.showActive());
    QVERIFY(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(f.platform.started.size(), 1);
}

void TestFMain::linkLabels() {
    MainWindowFixture f;
    QVERIFY(f.show());
    auto* left = f.find<velmora::app::LinkLabel>("lblLink1URL");
    auto* right = f.find<velmora::app::LinkLabel>("lblLink2URL");
    QVERIFY(left && right);
    QVERIFY(!left->url().isEmpty());
    QCOMPARE(right->url(), left->url());
    QVERIFY(left->alignment() & Qt::AlignLeft);
    QVERIFY(right->alignment() & Qt::AlignRight);

    QTest::mouseClick(left, Qt::LeftButton);
    QTest::mouseClick(right, Qt::LeftButton);
    QCOMPARE(f.platform.opened, (QList<QByteArray>{left->url(), right->url()}));
    QVERIFY(f.platform.started.isEmpty());
    QVERIFY(f.messageBox.shown.isEmpty());

    // When nothing can open a link, the user is told which one.
    f.platform.startsPrograms = false;
    right->setLink("Offers", "http://offers.example/");
    QTest::mouseClick(left, Qt::LeftButton);
    QTest::mouseClick(right, Qt::LeftButton);
    QCOMPARE(
        f.messageBox.texts(),
        (QStringList{QStringLiteral("No web browser could be started to open %1.")
                         .arg(QString::fromLatin1(left->url())),
                     QStringLiteral("No web browser could be started to open http://offers.example/.")}));

    // A longer caption makes the right link grow to the left.
    const int rightEdge = right->geometry().right();
    right->setLink("A much longer caption", "http://example.test/");
    QCOMPARE(right->geometry().right(), rightEdge);
    QVERIFY(right->x() < 785);
}

void TestFMain::aboutBoxIsModalAndNewEachTime() {
    BrandSettings brand;
    brand.ApplicationName = "Acme Finder";
    MainWindowFixture f(brand);
    QVERIFY(f.show());

    QList<QPointer<QWidget>> boxes;
    QStringList captions;
    for (int click = 0; click < 2; ++click) {
        QTimer::singleShot(0, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            QVERIFY(qobject_cast<velmora::app::TfrmAbout*>(modal));
            QVERIFY(modal->isModal());
            boxes.append(modal);
            captions.append(modal->windowTitle());
            QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("editAbout")), Qt::LeftButton);
        });
        QTest::mouseClick(f.find("btnAbout"), Qt::LeftButton);
        // Destroyed as soon as it closed.
        QCOMPARE(boxes.size(), click + 1);
        QVERIFY(boxes.last().isNull());
    }
    QCOMPARE(captions,
             (QStringList{QStringLiteral("About Acme Finder..."), QStringLiteral("About Acme Finder...")}));
    QVERIFY(f.reporter.messages.isEmpty());
}

void TestFMain::closeSetsClosing() {
    // What closing does to a running download is tested with the search.
    MainWindowFixture f;
    QVERIFY(f.show());
    QVERIFY(!f.window->Closing());
    QVERIFY(f.window->close());
    QVERIFY(f.window->Closing());
    // Never reset.
    QVERIFY(f.show());
    QVERIFY(f.window->Closing());
}

void TestFMain::exceptionInHandlerIsReportedAndWindowGoesOn() {
    MainWindowFixture f(withWelcome());
    QVERIFY(f.show());
    f.platform.throwOnBrowserLookup = true;
    QTest::mouseClick(f.find("btnHelp"), Qt::LeftButton);
    QCOMPARE(f.reporter.messages, QStringList{QStringLiteral("The browser registration cannot be read.")});
    QVERIFY(f.platform.started.isEmpty());

    // The window still works: the same handler and others run normally afterwards.
    f.platform.throwOnBrowserLookup = false;
    QTest::mouseClick(f.find("btnHelp"), Qt::LeftButton);
    QCOMPARE(f.platform.started.size(), 1);
    QTest::mouseClick(f.find("bsSkinButton1"), Qt::LeftButton);
    QCOMPARE(f.find<QStackedWidget>("pgcPrinc")->currentWidget(), f.find("stsMain"));
    QTest::mouseClick(f.find("lblLink1URL"), Qt::LeftButton);
    QCOMPARE(f.platform.opened.size(), 1);
    QCOMPARE(f.reporter.messages.size(), 1);
}

void TestFMain::resultsList() {
    MainWindowFixture f;
    QVERIFY(f.show());
    auto* list = f.find<QTableView>("lvwItems");
    QCOMPARE(list->model(), &f.window->results());
    QVERIFY(list->showGrid());
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(!list->isSortingEnabled());
    QVERIFY(!list->horizontalHeader()->sectionsClickable());
    const QStringList captions{QStringLiteral("Ad Title"), QStringLiteral("Ad Text"),
                               QStringLiteral("Ad URL"), QStringLiteral("Used Keyword"),
                               QStringLiteral("Position")};
    const int widths[] = {200, 200, 180, 100, 100};
    QCOMPARE(list->model()->columnCount(), 5);
    for (int column = 0; column < 5; ++column) {
        QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(), captions[column]);
        QCOMPARE(list->horizontalHeader()->sectionSize(column), widths[column]);
    }
    // The scroll bars come with the list and show only when the content needs them.
    auto* vertical = f.find("bsSkinScrollBar1");
    auto* horizontal = f.find("bsSkinScrollBar2");
    QVERIFY(vertical && horizontal);
    QVERIFY(!vertical->isVisible());
    for (int i = 0; i < 200; ++i)
        f.window->results().appendRow({"title", "text", "url", "kw", QByteArray::number(i + 1)});
    QTRY_VERIFY(vertical->isVisible());
    f.window->resize(700, 539);
    QTRY_VERIFY(horizontal->isVisible());
}

void TestFMain::resultsListEditsTitleInPlace() {
    MainWindowFixture f;
    QVERIFY(f.showActive());
    auto& results = f.window->results();
    results.appendRow({"Red Shoes", " Best shoes", "ShoeShop", "shoes", "1"});
    auto* list = f.find<QTableView>("lvwItems");
    list->setFocus();
    list->setCurrentIndex(results.index(0, 0));
    QTest::keyClick(list, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Blue Shoes 27\""));
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits the edit from the event loop.
    QTRY_COMPARE(results.cell(0, 0), QByteArray("Blue Shoes 27\""));

    // The other cells cannot be edited.
    list->setCurrentIndex(results.index(0, 1));
    QTest::keyClick(list, Qt::Key_F2);
    QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    QCOMPARE(results.cell(0, 1), QByteArray(" Best shoes"));
}

void TestFMain::statusBar() {
    MainWindowFixture f;
    QVERIFY(f.show());
    auto* bar = f.find<QStatusBar>("bsSkinStatusBar1");
    auto* panel = f.find<QLabel>("MainStatusPanel");
    auto* gauge = f.find<velmora::app::Gauge>("MainGauge");
    QVERIFY(bar && panel && gauge);
    QCOMPARE(bar, f.window->statusBar());
    QCOMPARE(gauge->width(), 130);
    QCOMPARE(gauge->minValue(), 0);
    QCOMPARE(gauge->maxValue(), 100);
    QCOMPARE(gauge->value(), 0);
    QCOMPARE(gauge->text(), QStringLiteral("0%"));
    // The gauge sits at the right end, the panel takes the rest.
    QVERIFY(bar->width() - gauge->geometry().right() <= 4);
    QVERIFY(panel->geometry().right() < gauge->x());
    // Beside the small market, History and lists buttons it keeps most of the bar.
    QVERIFY(panel->width() > 550);
}

// A long keyword makes a long status sentence: the window keeps its size, the keyword box its
// width, the sentence is cut short with all of it in its tooltip, and the controls on the right
// stay inside the window.
void TestFMain::longTextsKeepTheWindowSize() {
    const int length = 5000;
    MainWindowFixture f;
    QVERIFY(f.show());
    const QSize design = f.window->size();
    auto* keyword = f.find<QLineEdit>("edtKeyword");
    const QSize box = keyword->size();
    keyword->setText(QString(length, u'k'));
    f.window->SearchAds(); // nothing listens on port 9: the sentence changes again soon
    auto* panel = f.find<QLabel>("MainStatusPanel");
    QVERIFY(panel->text().size() > length);
    QCOMPARE(panel->toolTip(), panel->text());
    QTest::qWait(100);
    QCOMPARE(f.window->size(), design);
    QCOMPARE(keyword->size(), box);
    for (const char* name : {"btnNews", "btnUpdate", "btnHelp", "lblLink2URL", "MainGauge"}) {
        const QWidget* widget = f.find(name);
        const QRect inWindow(widget->mapTo(f.window.get(), QPoint(0, 0)), widget->size());
        QVERIFY2(f.window->rect().contains(inWindow), name);
    }
}

QTEST_MAIN(TestFMain)
#include "tst_FMain.moc"
