// The web engine module as the program uses it: loaded only for a page, pages shown through
// it (the welcome page among them), and a clear notice when it cannot be loaded.
//
// This program links no part of the engine, as the program itself does not; and it never sets
// the shared-context attribute, as a start that shows no page at once does not.

#include "BrandedFolder.h"
#include "LoopbackServer.h"
#include "MainWindowFixture.h"
#include "TestSupport.h"
#include "app/FNews.h"
#include "app/WebEngineLoader.h"
#include "app/WebEngineModule.h"

#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using velmora::app::BrandSettings;
using velmora::app::HtmlView;
using velmora::app::moduleHtmlViewFactory;
using velmora::app::WebEngineLoader;
using velmora::testing::MainWindowFixture;
using velmora::testing::RecordingReporter;

namespace {

constexpr int PageTimeoutMs = 30000;

// Whether the engine's library is mapped into this process.
bool engineLoaded() {
    const QByteArray maps = velmora::testing::mappedFiles();
    if (maps.isEmpty())
        qFatal("cannot read the mappings of the process");
    return maps.contains("libQt6WebEngineCore");
}

// The main window with HTML views from the module (or its stand-in), and no search engine.
struct ModuleWindow : MainWindowFixture {
    ModuleWindow(const BrandSettings& brand, velmora::app::HtmlViewFactory views)
        : MainWindowFixture(brand, QDir::tempPath(), "http://127.0.0.1:9", std::move(views)) {}
};

BrandSettings withWelcome(const QByteArray& html) {
    BrandSettings brand;
    brand.WelcomeText = html;
    return brand;
}

// The engine's own view inside one of the module's HTML views.
QWidget* engineViewIn(QWidget* htmlView) {
    const auto children = htmlView->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (child->inherits("QWebEngineView"))
            return child;
    }
    return nullptr;
}

// Waits until the document in htmlView has the title; false after the page time-out.
bool showsTitle(QWidget* htmlView, const QString& title) {
    QWidget* view = engineViewIn(htmlView);
    if (view == nullptr)
        return false;
    return QTest::qWaitFor([&] { return view->property("title").toString() == title; }, PageTimeoutMs);
}

} // namespace

class TestWebEngineModule : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void startWithoutPageLoadsNoEngine();
    // The first to load the engine in this process, which never asks for shared contexts.
    void newsWindowAfterAStartWithoutWelcomePage_data();
    void newsWindowAfterAStartWithoutWelcomePage();
    void pageShownLater();
    void welcomePage_data();
    void welcomePage();
    void welcomePagePicturesFromTheWeb();
    void unavailableModule_data();
    void unavailableModule();
};

void TestWebEngineModule::initTestCase() {
    QVERIFY(!QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));
    QVERIFY2(!engineLoaded(), "the engine is linked into the test program or the program's libraries");
}

void TestWebEngineModule::startWithoutPageLoadsNoEngine() {
    WebEngineLoader loader(QStringLiteral(VELMORA_WEBENGINE_MODULE_DIR));
    RecordingReporter reporter;
    ModuleWindow f({}, moduleHtmlViewFactory(loader, reporter));
    QVERIFY(f.show());
    QCoreApplication::processEvents();
    QVERIFY(!engineLoaded());
    QVERIFY(reporter.messages.isEmpty());
}

void TestWebEngineModule::pageShownLater() {
    // The window is up before the engine loads; the attribute was never set in this process.
    MainWindowFixture f;
    QVERIFY(f.show());
    WebEngineLoader loader(QStringLiteral(VELMORA_WEBENGINE_MODULE_DIR));
    QVERIFY2(loader.module(), qPrintable(loader.errorString()));
    QVERIFY(engineLoaded());

    HtmlView* view = loader.module()->createHtmlView(f.window.get());
    view->setGeometry(0, 0, 400, 300);
    view->show();
    QWidget* engineView = engineViewIn(view);
    QVERIFY(engineView);
    QSignalSpy loaded(engineView, SIGNAL(loadFinished(bool)));
    view->setHtmlSource("<html><head><title>Later</title></head><body><p>Shown later</p></body></html>");
    QVERIFY(loaded.wait(PageTimeoutMs));
    QCOMPARE(loaded.first().first().toBool(), true);
    QVERIFY(showsTitle(view, QStringLiteral("Later")));
}

// A branded start without a welcome page, as main() makes it: the settings read first, no shared
// contexts asked for. The news window still shows its items through the module, and their bytes
// read by the welcome page's rule.
void TestWebEngineModule::newsWindowAfterAStartWithoutWelcomePage_data() {
    QTest::addColumn<QByteArray>("item"); // as the service sends it, "$" escapes and all
    QTest::addColumn<QString>("title");
    QTest::newRow("declared UTF-8") << QByteArray("<html><head><meta charset=utf-8><title>Caf$C3$A9 $E2$82$AC"
                                                  "</title></head><body>nine</body></html>")
                                    << QStringLiteral("Caf\u00e9 \u20ac");
    QTest::newRow("no declaration: Windows-1252")
        << QByteArray("<html><head><title>Caf$E9 $80</title></head><body>nine</body></html>")
        << QStringLiteral("Caf\u00e9 \u20ac");
}

void TestWebEngineModule::newsWindowAfterAStartWithoutWelcomePage() {
    QFETCH(QByteArray, item);
    QFETCH(QString, title);
    velmora::testing::LoopbackServer server;
    server.setResponder("/news/getlastnews.php", [](const velmora::testing::RecordedRequest&) {
        velmora::testing::CannedReply reply;
        reply.body = "9^Nine^2024-05-01\xAFOK";
        return reply;
    });
    server.setResponder("/news/getnewsdetails.php", [item](const velmora::testing::RecordedRequest&) {
        velmora::testing::CannedReply reply;
        reply.body = item + "\xAFOK";
        return reply;
    });
    velmora::testing::BrandedFolder folder;
    folder.writeSettings("<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
                         "<%%BranderType%%>Master<%%/BranderType%%>\r\n"
                         "<%%MasterNewsBaseURL%%>" +
                         server.url("/news") +
                         "<%%/MasterNewsBaseURL%%>\r\n"
                         "<%%MasterPublID%%>pub-m<%%/MasterPublID%%>\r\n");
    WebEngineLoader loader(QStringLiteral(VELMORA_WEBENGINE_MODULE_DIR));
    RecordingReporter reporter;
    MainWindowFixture f(folder.path(), velmora::util::SeededRandom(1),
                        moduleHtmlViewFactory(loader, reporter));
    f.find<QTimer>("Timer1")->stop();
    QVERIFY(f.show());
    static bool firstRow = true; // the first to load the engine in this process
    if (std::exchange(firstRow, false))
        QVERIFY(!engineLoaded());

    // Works the modal news window: picks the item, waits for its page, closes the window.
    bool seen = false;
    bool shown = false;
    QTimer driver;
    connect(&driver, &QTimer::timeout, this, [&] {
        auto* window = qobject_cast<velmora::app::TfrmNews*>(QApplication::activeModalWidget());
        if (!window)
            return;
        driver.stop();
        seen = true;
        auto* list = window->findChild<QTreeWidget*>(QStringLiteral("lvwItems"));
        if (list && list->topLevelItemCount() == 1) {
            list->setCurrentItem(list->topLevelItem(0));
            shown = showsTitle(window->findChild<QWidget*>(QStringLiteral("prfEditorNews")), title);
        }
        window->close();
    });
    driver.start(10);
    f.find<QToolButton>("btnNews")->click();
    // The window opens once the list has arrived.
    QTRY_VERIFY_WITH_TIMEOUT(seen && !QApplication::activeModalWidget(), PageTimeoutMs);
    QVERIFY(shown);
    QVERIFY(reporter.messages.isEmpty() && f.reporter.messages.isEmpty());
    QCOMPARE(f.messageBox.shown.size(), 0);
}

void TestWebEngineModule::welcomePage_data() {
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QString>("title");
    // The title shows how the engine read the bytes.
    QTest::newRow("declared UTF-8") << QByteArray("<html><head><meta charset=\"utf-8\"><title>Caf\xc3\xa9 "
                                                  "\xe2\x82\xac</title></head><body>Welcome</body></html>")
                                    << QStringLiteral("Caf\u00e9 \u20ac");
    QTest::newRow("no declaration: Windows-1252")
        << QByteArray("<html><head><title>Caf\xe9 \x80</title></head><body>Welcome</body></html>")
        << QStringLiteral("Caf\u00e9 \u20ac");
    // Left to guess, the engine reads a page of Western letters from the upper half of the set as
    // Cyrillic.
    const QByteArray upperHalf(
        "\xcf\xf0\xe8\xe2\xe5\xf2, \xfd\xf2\xee \xf1\xf2\xf0\xe0\xed\xe8\xf6\xe0 "
        "\xef\xf0\xe8\xe2\xe5\xf2\xf1\xf2\xe2\xe8\xff \xed\xe0 \xf0\xf3\xf1\xf1\xea\xee\xec.");
    QTest::newRow("no declaration, upper half only")
        << "<html><head><title>" + upperHalf + "</title></head><body><p>" + upperHalf + "</p></body></html>"
        << QString::fromLatin1(upperHalf);
    // Beyond what the engine takes as a document given directly (2 MB).
    QByteArray paragraphs;
    while (paragraphs.size() < 3 * 1024 * 1024)
        paragraphs += "<p>Caf\xe9 \x80 " + QByteArray::number(paragraphs.size()) + "</p>\n";
    QTest::newRow("3 MB, no declaration")
        << "<html><head><title>Caf\xe9 \x80 3 MB</title></head><body>" + paragraphs + "</body></html>"
        << QStringLiteral("Caf\u00e9 \u20ac 3 MB");
    QTest::newRow("3 MB, declared UTF-8")
        << "<html><head><meta charset=\"utf-8\"><title>Caf\xc3\xa9 3 MB</title></head><body>" + paragraphs +
               "</body></html>"
        << QStringLiteral("Caf\u00e9 3 MB");
}

void TestWebEngineModule::welcomePage() {
    QFETCH(QByteArray, html);
    QFETCH(QString, title);
    WebEngineLoader loader(QStringLiteral(VELMORA_WEBENGINE_MODULE_DIR));
    RecordingReporter reporter;
    ModuleWindow f(withWelcome(html), moduleHtmlViewFactory(loader, reporter));
    QVERIFY(f.show());

    auto* pages = f.find<QStackedWidget>("pgcPrinc");
    QCOMPARE(pages->currentWidget(), f.find("stsWelcome"));
    QWidget* view = f.find("prfWelcome");
    QVERIFY(view);
    QVERIFY(showsTitle(view, title));
    QVERIFY(reporter.messages.isEmpty());
}

void TestWebEngineModule::welcomePagePicturesFromTheWeb() {
    velmora::testing::LoopbackServer server;
    velmora::testing::CannedReply picture;
    picture.contentType = "image/gif";
    picture.body = QByteArray::fromBase64("R0lGODlhAQABAAAAACwAAAAAAQABAAACAkQBADs=");
    server.setReply("/banner.gif", picture);
    WebEngineLoader loader(QStringLiteral(VELMORA_WEBENGINE_MODULE_DIR));
    RecordingReporter reporter;
    ModuleWindow f(withWelcome("<html><body><img src=\"" + server.url("/banner.gif") + "\"></body></html>"),
                   moduleHtmlViewFactory(loader, reporter));
    QVERIFY(f.show());
    QVERIFY(server.waitForRequests(1, PageTimeoutMs));
    QCOMPARE(server.requests().front().path, QByteArray("/banner.gif"));
}

void TestWebEngineModule::unavailableModule_data() {
    QTest::addColumn<QString>("moduleSource"); // copied in as the module; empty: no module file
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << QString() << QStringLiteral("the file does not exist");
    QTest::newRow("not a library") << QStringLiteral(":garbage") << QString();
    // Another Qt plugin in the module's place: it loads, but offers nothing of the module's.
    const QString imagePlugins =
        QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/imageformats");
    const QStringList plugins = QDir(imagePlugins).entryList({QStringLiteral("*.so")}, QDir::Files);
    if (!plugins.isEmpty()) {
        QTest::newRow("another plugin") << imagePlugins + QLatin1Char('/') + plugins.first()
                                        << QStringLiteral("not the web engine module");
    }
}

void TestWebEngineModule::unavailableModule() {
    QFETCH(QString, moduleSource);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    WebEngineLoader loader(dir.path());
    if (moduleSource == QStringLiteral(":garbage"))
        velmora::testing::writeFileForTest(loader.modulePath(), QByteArray(4096, 'x'));
    else if (!moduleSource.isEmpty())
        QVERIFY(QFile::copy(moduleSource, loader.modulePath()));

    RecordingReporter reporter;
    auto factory = moduleHtmlViewFactory(loader, reporter);
    ModuleWindow f(withWelcome("<html><body>Welcome</body></html>"), factory);
    QVERIFY(f.show());

    // The reason names the file and why it failed; the user sees it once, and in the page's place.
    QVERIFY(!loader.module());
    QVERIFY(loader.errorString().contains(loader.modulePath()));
    QVERIFY2(loader.errorString().contains(reason), qPrintable(loader.errorString()));
    QCOMPARE(reporter.messages.size(), 1);
    QVERIFY(reporter.messages.first().contains(loader.errorString()));
    auto* notice = f.find<QLabel>("unavailableMessage");
    QVERIFY(notice);
    QCOMPARE(notice->text(), reporter.messages.first());
    delete factory(f.window.get());
    QCOMPARE(reporter.messages.size(), 1);

    // And the program goes on: the welcome page leads to the main page.
    QTest::mouseClick(f.find<QPushButton>("bsSkinButton1"), Qt::LeftButton);
    QCOMPARE(f.find<QStackedWidget>("pgcPrinc")->currentWidget(), f.find("stsMain"));
}

QTEST_MAIN(TestWebEngineModule)
#include "tst_WebEngineModule.moc"
