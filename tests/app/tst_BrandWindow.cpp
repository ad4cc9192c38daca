// The reseller's brand on the main window, from branded folders made here with the program's
// own encryption: what each kind of settings file gives, the banner pictures read in place,
// the links, the skin and icon, the welcome page, the branded clicks, and the errors of a load.

#include "BrandedFolder.h"
#include "MainWindowFixture.h"
#include "ScriptedRandom.h"
#include "TestSupport.h"
#include "app/LinkLabel.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace velmora::testing;

namespace {

// The name in UTF-8, as a reseller writes it today.
const QByteArray Base("<%%ApplicationName%%>Acm\xc3\xa9<%%/ApplicationName%%>\r\n"
                      "<%%BranderType%%>Gold<%%/BranderType%%>\r\n"
                      "<%%AffiliateURL%%>http://127.0.0.1:9/join?id=%%AFFILIATEID%%<%%/AffiliateURL%%>\r\n"
                      "<%%AffiliateID%%>a7<%%/AffiliateID%%>\r\n"
                      "<%%GoldNewsBaseURL%%>http://127.0.0.1:9/news/<%%/GoldNewsBaseURL%%>\r\n"
                      "<%%GoldPublID%%>77<%%/GoldPublID%%>\r\n"
                      "<%%MakeMoneyButton%%>Earn<%%/MakeMoneyButton%%>\r\n");
// Bytes as a legacy page has them: 0xE9 is "é" in Windows-1252, no charset declared.
const QByteArray WelcomePage("<html><body><h1>Caf\xe9</h1></body></html>");
const QByteArray Skin("QPushButton { color: #123456; } QLabel { font-size: 22px; }");
const QString SkinFile = QStringLiteral("mainskin.dat");
const QString IconFile = QStringLiteral("main.ico");

QByteArray Item(const QByteArray& tag, const QByteArray& value) {
    return "<%%" + tag + "%%>" + value + "<%%/" + tag + "%%>\r\n";
}

QByteArray StillPicture(QSize size, const char* format) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0x20, 0x60, 0xc0));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        qFatal("cannot write a %s picture", format);
    return bytes;
}

// A GIF from tests/data/brand: "120x30" and "60x20" have two frames, "10x10" one.
QByteArray Gif(const char* size) {
    return readTestData(QStringLiteral("brand/banner-%1.gif").arg(QLatin1StringView(size)));
}

QColor IconColour() {
    return QApplication::windowIcon().pixmap(16, 16).toImage().pixelColor(8, 8);
}

std::unique_ptr<ScriptedRandom> Picks(QList<int> picks) {
    return std::make_unique<ScriptedRandom>(std::move(picks));
}

} // namespace

class TestBrandWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void settingsFiles_data();
    void settingsFiles();
    void bannerPictures_data();
    void bannerPictures();
    void links_data();
    void links();
    void errorsKeepWhatWasRead_data();
    void errorsKeepWhatWasRead();
    void unreadableSkinKeepsTheStoredOne();
    void brandedClicks_data();
    void brandedClicks();
};

void TestBrandWindow::init() {
    qApp->setStyleSheet(QString());
    QApplication::setWindowIcon(QIcon());
}

void TestBrandWindow::cleanup() {
    init();
}

// Every kind of settings file, in a folder that also holds a banner, a skin and an icon.
void TestBrandWindow::settingsFiles_data() {
    QTest::addColumn<QByteArray>("file"); // null: no settings file
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("makeMoney");
    QTest::addColumn<QString>("link1");
    QTest::addColumn<QString>("shown");  // what is there besides the captions
    QTest::addColumn<QString>("status"); // the status bar's reason of a file that cannot be read

    const QByteArray branded = EncryptedSettings(Base + Item("Welcome1", WelcomePage) +
                                                 Item("Banner1", "ad.gif^http://127.0.0.1:9/ad") +
                                                 Item("Link1", "Home^http://127.0.0.1:9/home"));
    auto row = [](const char* name, const QByteArray& file, const char* caption, const char* makeMoney,
                  const char* link1, const char* shown, const char* reason = nullptr) {
        const QString status =
            reason ? QStringLiteral("The brand file \"dbsettings.dat\" could not be read: %1.")
                         .arg(QLatin1StringView(reason))
                   : QString();
        QTest::newRow(name) << file << QString::fromUtf8(caption) << QString::fromLatin1(makeMoney)
                            << QString::fromLatin1(link1) << QString::fromLatin1(shown) << status;
    };
    const char* damaged = "the authentication check failed (the file is damaged or truncated)";
    row("branded", branded, "Acm\xc3\xa9 v2.0", "Earn", "Home", "news banner links skin icon welcome");
    row("no settings file", {}, "Velmora", "Make Money", "Google", "news banner links");
    row("password check fails", Flipped(branded, 8), " v2.0", "Make Money", "", "skin icon",
        "the password check failed (the file was made with another password, or its first bytes are "
        "damaged)");
    row("damaged text", Flipped(branded, 12), " v2.0", "Make Money", "", "skin icon", damaged);
    row("cut short", branded.left(branded.size() - 3), " v2.0", "Make Money", "", "skin icon", damaged);
    row("shorter than a header", branded.left(9), " v2.0", "Make Money", "", "skin icon",
        "the file is truncated (9 bytes, at least 20 needed)");
    row("empty", QByteArray(""), " v2.0", "Make Money", "", "skin icon", "the file is empty");
    row("text without items", EncryptedSettings("just text\r\n"), " v2.0", "Make Money", "", "skin icon");
}

void TestBrandWindow::settingsFiles() {
    QFETCH(QByteArray, file);
    QFETCH(QString, caption);
    QFETCH(QString, makeMoney);
    QFETCH(QString, link1);
    QFETCH(QString, shown);
    QFETCH(QString, status);
    const auto has = [&](const char* what) { return shown.contains(QLatin1StringView(what)); };

    BrandedFolder folder;
    if (!file.isNull())
        folder.write(QStringLiteral("dbsettings.dat"), file);
    folder.write(QStringLiteral("banner1.dat"), Gif("60x20"));
    folder.write(SkinFile, Gzip(Skin));
    folder.write(IconFile, StillPicture({16, 16}, "ico"));
    // A file the program never names stays untouched too.
    folder.write(QStringLiteral("ad.gif"), "not the banner");
    const auto before = folder.contents();

    MainWindowFixture f(folder.path(), Picks({}));
    QCOMPARE(f.reporter.messages, QStringList());
    QCOMPARE(f.window->windowTitle(), caption);
    QCOMPARE(f.find<QLabel>("MainStatusPanel")->text(), status);
    QCOMPARE(f.find<QPushButton>("btnMakeMoney")->text(), makeMoney);
    QCOMPARE(f.find<QLabel>("lblLink1URL")->text(), link1);
    QCOMPARE(!f.find("btnNews")->isHidden(), has("news"));
    QCOMPARE(!f.find("panBanner")->isHidden(), has("banner"));
    QCOMPARE(!f.find("panLinks")->isHidden(), has("links"));
    QCOMPARE(qApp->styleSheet(), has("skin") ? QString::fromLatin1(Skin) : QString());
    QCOMPARE(QApplication::windowIcon().isNull(), !has("icon"));
    if (has("icon"))
        QCOMPARE(IconColour(), QColor(0x20, 0x60, 0xc0));
    // A caption sized to its text still shows all of it in the reseller's font.
    auto* keyword = f.find<QLabel>("bsSkinStdLabel6");
    QCOMPARE(keyword->width(), keyword->sizeHint().width());

    // The welcome page gets the settings' bytes as they stand; without one the poll starts now.
    const bool welcome = has("welcome");
    QCOMPARE(f.window->brandSettings().WelcomeText, welcome ? WelcomePage : QByteArray());
    QCOMPARE(f.find<QTimer>("Timer1")->isActive(), !welcome);
    QVERIFY(f.show());
    QCOMPARE(f.viewsMade, welcome ? 1 : 0);
    if (welcome)
        QCOMPARE(f.find<FakeHtmlView>("prfWelcome")->html, WelcomePage);
    QCOMPARE(folder.contents(), before);
}

// The chosen banner's stored file, read where it is; the other numbers' files are decoys of
// another size.
void TestBrandWindow::bannerPictures_data() {
    QTest::addColumn<QByteArray>("items");
    QTest::addColumn<int>("pick");
    QTest::addColumn<QByteArray>("picture"); // empty: the chosen file is missing
    QTest::addColumn<QString>("shown");      // empty: the panel is hidden
    QTest::addColumn<QSize>("size");

    const QByteArray two =
        Item("Banner1", "one.bmp^http://127.0.0.1:9/1") + Item("Banner2", "two.jpg^http://127.0.0.1:9/2");
    auto row = [](const char* name, const QByteArray& items, int pick, const QByteArray& picture,
                  const char* shown, QSize size = {}) {
        QTest::newRow(name) << items << pick << picture << QString::fromLatin1(shown) << size;
    };
    const QByteArray url = "^http://127.0.0.1:9/ad";
    row("GIF from item 3", two + Item("Banner3", "ad.gif" + url), 2, Gif("120x30"), "gifBanner", {120, 30});
    row("upper-case GIF name", Item("Banner1", "AD.GIF" + url), 0, Gif("60x20"), "gifBanner", {60, 20});
    row("BMP", Item("Banner1", "ad.bmp" + url), 0, StillPicture({90, 20}, "bmp"), "imgBanner", {90, 20});
    row("JPEG in a Windows folder", Item("Banner1", "C:\\ads.gif\\ad.JPG" + url), 0,
        StillPicture({70, 40}, "jpeg"), "imgBanner", {70, 40});
    row("icon", Item("Banner1", "ad.ico" + url), 0, StillPicture({32, 32}, "ico"), "imgBanner", {32, 32});
    row("empty file name", Item("Banner1", url), 0, Gif("60x20"), "");
    row("missing file", two + Item("Banner3", "ad.gif" + url), 2, {}, "");
    row("metafile", Item("Banner1", "ad.wmf" + url), 0, "metafile", "");
}

void TestBrandWindow::bannerPictures() {
    QFETCH(QByteArray, items);
    QFETCH(int, pick);
    QFETCH(QByteArray, picture);
    QFETCH(QString, shown);
    QFETCH(QSize, size);

    BrandedFolder folder;
    folder.writeSettings(Base + items);
    for (int n = 1; n <= 3; ++n)
        folder.write(QStringLiteral("banner%1.dat").arg(n), Gif("10x10"));
    const QString chosen = QStringLiteral("banner%1.dat").arg(pick + 1);
    QFile::remove(folder.filePath(chosen));
    if (!picture.isEmpty())
        folder.write(chosen, picture);
    const auto before = folder.contents();

    MainWindowFixture f(folder.path(), Picks({pick}));
    QVERIFY(f.show());
    QCOMPARE(f.reporter.messages, QStringList());
    QWidget* panel = f.find("panBanner");
    QCOMPARE(panel->isVisible(), !shown.isEmpty());
    // The URL gives the hand cursor, shown or not.
    for (const char* name : {"imgBanner", "gifBanner"})
        QCOMPARE(f.find(name)->cursor().shape(), Qt::PointingHandCursor);
    if (!shown.isEmpty()) {
        auto* banner = f.find<QLabel>(qPrintable(shown));
        auto* other = f.find<QLabel>(shown == QStringLiteral("gifBanner") ? "imgBanner" : "gifBanner");
        QVERIFY(banner->isVisible());
        QVERIFY(!other->isVisible());
        QCOMPARE(banner->size(), size);
        QCOMPARE(panel->height(), size.height() + 10);
        QCOMPARE(banner->x(), panel->width() / 2 - size.width() / 2);
        if (QMovie* movie = banner->movie()) {
            QCOMPARE(movie->state(), QMovie::Running);
            QCOMPARE(movie->frameCount(), 2);
        } else {
            QCOMPARE(banner->pixmap().size(), size);
        }
    }
    QCOMPARE(folder.contents(), before);
}

void TestBrandWindow::links_data() {
    QTest::addColumn<QByteArray>("items");
    QTest::addColumn<QList<int>>("picks");
    QTest::addColumn<QStringList>("expected"); // caption and URL of each label

    const QByteArray one = Item("Link1", "One^http://127.0.0.1:9/1");
    const QByteArray three =
        one + Item("Link2", "Two^http://127.0.0.1:9/2") + Item("Link3", "Three^http://127.0.0.1:9/3");
    QTest::newRow("one link") << one << QList<int>{0} << QStringList{"One", "http://127.0.0.1:9/1", "", ""};
    // The second pick is among the links left after the first.
    QTest::newRow("two of three") << three << QList<int>{0, 1}
                                  << QStringList{"One", "http://127.0.0.1:9/1", "Three",
                                                 "http://127.0.0.1:9/3"};
}

void TestBrandWindow::links() {
    QFETCH(QByteArray, items);
    QFETCH(QList<int>, picks);
    QFETCH(QStringList, expected);

    BrandedFolder folder;
    folder.writeSettings(Base + items);
    MainWindowFixture f(folder.path(), Picks(picks));
    QCOMPARE(f.reporter.messages, QStringList());
    auto* link1 = f.find<velmora::app::LinkLabel>("lblLink1URL");
    auto* link2 = f.find<velmora::app::LinkLabel>("lblLink2URL");
    QCOMPARE((QStringList{link1->text(), QString::fromLatin1(link1->url()), link2->text(),
                          QString::fromLatin1(link2->url())}),
             expected);
    QCOMPARE(!f.find("panLinks")->isHidden(), !expected[0].isEmpty());
}

// Each part of the brand stands on its own: a bad one is left out, the others are applied all
// the same (texts, banner, links, skin, icon), every bad part is told once in one message, and
// the window goes on (the news poll still starts).
void TestBrandWindow::errorsKeepWhatWasRead_data() {
    QTest::addColumn<QByteArray>("items");
    QTest::addColumn<QByteArray>("banner1"); // banner1.dat
    QTest::addColumn<QByteArray>("icon");    // main.ico; empty: none
    QTest::addColumn<QStringList>("told");   // fragments of the one message
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("bannerPanel");
    QTest::addColumn<QString>("link1"); // "Google": the links keep their design
    QTest::addColumn<bool>("branded");  // the skin and the icon applied

    const QByteArray gif = Gif("60x20");
    const QByteArray icon = StillPicture({16, 16}, "ico");
    const QByteArray link = Item("Link1", "Home^http://127.0.0.1:9/home");
    auto row = [](const char* name, const QByteArray& items, const QByteArray& banner1,
                  const QByteArray& icon, const QStringList& told, bool bannerPanel, const char* link1,
                  bool branded = true, const char* caption = "Acm\xc3\xa9 v2.0") {
        QTest::newRow(name) << items << banner1 << icon << told << QString::fromUtf8(caption) << bannerPanel
                            << QString::fromLatin1(link1) << branded;
    };
    const QByteArray url = "^http://127.0.0.1:9/ad";
    const QStringList listIndex{"List index out of bounds (1)"};
    const QStringList notAGif{"readable GIF picture", "banner1.dat"};
    row("banner item of one field", Item("Banner1", "ad.gif") + link, gif, icon, listIndex, true, "Home");
    row("link item of one field", Item("Banner1", "ad.gif" + url) + Item("Link1", "Home"), gif, icon,
        listIndex, true, "Google");
    row("unknown picture extension", Item("Banner1", "ad.png" + url) + link, gif, icon,
        {"Unknown picture file extension (.png)"}, true, "Home");
    row("not a GIF", Item("Banner1", "ad.gif" + url) + link, StillPicture({60, 20}, "png"), icon, notAGif,
        false, "Home");
    row("truncated GIF", Item("Banner1", "ad.gif" + url) + link, gif.left(20), icon, notAGif, false, "Home");
    row("not a JPEG", Item("Banner1", "ad.jpeg" + url) + link, gif, icon, {"readable JPEG picture"}, false,
        "Home");
    // An icon cut short keeps a sound header: only reading it finds it bad.
    row("not a GIF, icon cut short", Item("Banner1", "ad.gif" + url) + link, "not a picture", icon.left(30),
        notAGif + QStringList{"main.ico", "readable icon"}, false, "Home");
    row("bad banner item and bad link item", Item("Banner1", "ad.gif") + Item("Link1", "Home"), gif, icon,
        {"List index out of bounds (1)\nList index out of bounds (1)"}, true, "Google");
    row("settings file unreadable", {}, gif, icon, {"Cannot open file"}, true, "Google", false, "Velmora");
}

void TestBrandWindow::errorsKeepWhatWasRead() {
    QFETCH(QByteArray, items);
    QFETCH(QByteArray, banner1);
    QFETCH(QByteArray, icon);
    QFETCH(QStringList, told);
    QFETCH(QString, caption);
    QFETCH(bool, bannerPanel);
    QFETCH(QString, link1);
    QFETCH(bool, branded);

    BrandedFolder folder;
    if (items.isEmpty())
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("dbsettings.dat")));
    else
        folder.writeSettings(Base + items);
    folder.write(QStringLiteral("banner1.dat"), banner1);
    folder.write(SkinFile, Gzip(Skin));
    folder.write(IconFile, icon);

    MainWindowFixture f(folder.path(), Picks({}));
    QCOMPARE(f.reporter.messages.size(), 1);
    for (const QString& fragment : told)
        QVERIFY2(f.reporter.messages[0].contains(fragment), qPrintable(f.reporter.messages[0]));
    QCOMPARE(f.window->windowTitle(), caption);
    QCOMPARE(!f.find("panBanner")->isHidden(), bannerPanel);
    QCOMPARE(f.find<QLabel>("lblLink1URL")->text(), link1);
    QCOMPARE(qApp->styleSheet(), branded ? QString::fromLatin1(Skin) : QString());
    const bool iconShown = branded && told.filter(QStringLiteral("main.ico")).isEmpty();
    QCOMPARE(QApplication::windowIcon().isNull(), !iconShown);
    QVERIFY(f.find<QTimer>("Timer1")->isActive());
    QVERIFY(f.show());
}

void TestBrandWindow::unreadableSkinKeepsTheStoredOne() {
    BrandedFolder folder;
    folder.writeSettings(Base);
    folder.write(SkinFile, Skin); // not compressed
    folder.write(IconFile, "not an icon");
    const QString stored = QStringLiteral("QLabel { color: #654321; }");
    qApp->setStyleSheet(stored);
    MainWindowFixture f(folder.path(), Picks({}));
    QCOMPARE(qApp->styleSheet(), stored);
    QVERIFY(QApplication::windowIcon().isNull());
    QCOMPARE(f.reporter.messages.size(), 1);
    QVERIFY2(f.reporter.messages[0].contains(QStringLiteral("main.ico")), qPrintable(f.reporter.messages[0]));
}

void TestBrandWindow::brandedClicks_data() {
    QTest::addColumn<QByteArray>("items");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QString>("opened"); // null: nothing opened

    const QByteArray gifBanner = Item("Banner1", "ad.gif^http://127.0.0.1:9/ad?a=1&b=2");
    const QByteArray bmpBanner = Item("Banner1", "ad.bmp^http://127.0.0.1:9/ad");
    QTest::newRow("animated banner") << gifBanner << QStringLiteral("gifBanner")
                                     << QStringLiteral("http://127.0.0.1:9/ad?a=1&b=2");
    QTest::newRow("still banner") << bmpBanner << QStringLiteral("imgBanner")
                                  << QStringLiteral("http://127.0.0.1:9/ad");
    QTest::newRow("Make Money") << QByteArray() << QStringLiteral("btnMakeMoney")
                                << QStringLiteral("http://127.0.0.1:9/join?id=a7");
    QTest::newRow("Make Money without a link")
        << QByteArray("<%%ApplicationName%%>Acme<%%/ApplicationName%%>") << QStringLiteral("btnMakeMoney")
        << QStringLiteral("");
}

void TestBrandWindow::brandedClicks() {
    QFETCH(QByteArray, items);
    QFETCH(QString, clicked);
    QFETCH(QString, opened);

    BrandedFolder folder;
    folder.writeSettings(items.startsWith("<%%ApplicationName") ? items : Base + items);
    folder.write(QStringLiteral("banner1.dat"),
                 items.contains("ad.gif") ? Gif("60x20") : StillPicture({60, 20}, "bmp"));
    MainWindowFixture f(folder.path(), Picks({}));
    QVERIFY(f.show());
    QWidget* target = f.find(qPrintable(clicked));
    QVERIFY(target->isVisible());
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    QCOMPARE(f.platform.started.size(), 1);
    QCOMPARE(f.platform.started[0].program, QStringLiteral("/usr/bin/test-browser"));
    QCOMPARE(f.platform.started[0].arguments.join(QString()), opened);
    // A press that is dragged off the picture before it is let go is no click.
    if (clicked != QStringLiteral("btnMakeMoney")) {
        QTest::mousePress(target, Qt::LeftButton, {}, target->rect().center());
        QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(f.platform.started.size(), 1);
    }
    QCOMPARE(f.messageBox.shown.size(), 0);
    // No browser starts: the user is told, with the link.
    f.platform.startsPrograms = false;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    QCOMPARE(f.messageBox.texts(),
             QStringList{opened.isEmpty()
                             ? QStringLiteral("No web browser could be started.")
                             : QStringLiteral("No web browser could be started to open %1.").arg(opened)});
    QCOMPARE(f.reporter.messages, QStringList());
}

QTEST_MAIN(TestBrandWindow)
#include "tst_BrandWindow.moc"
