// The reseller's brand on the main window, from branded folders made here with the program's
// own encryption: what each kind of settings file gives, the banner pictures read in place,
// the links, the skin and icon, the welcome page, the branded clicks, and the errors of a load.

#include "BrandedFolder.h"
#include "MainWindowFixture.h"
#include "ScriptedRandom.h"
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

using velmora::testing::BrandedFolder;
using velmora::testing::FakeHtmlView;
using velmora::testing::Flipped;
using velmora::testing::MainWindowFixture;
using velmora::testing::ScriptedRandom;

namespace {

const QByteArray Base("<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
                      "<%%BranderType%%>Gold<%%/BranderType%%>\r\n"
                      "<%%AffiliateURL%%>http://127.0.0.1:9/join?id=%%AFFILIATEID%%<%%/AffiliateURL%%>\r\n"
                      "<%%AffiliateID%%>a7<%%/AffiliateID%%>\r\n"
                      "<%%GoldNewsBaseURL%%>http://127.0.0.1:9/news/<%%/GoldNewsBaseURL%%>\r\n"
                      "<%%GoldPublID%%>77<%%/GoldPublID%%>\r\n"
                      "<%%MakeMoneyButton%%>Earn<%%/MakeMoneyButton%%>\r\n");
// Bytes as a legacy page has them: 0xE9 is "é" in Windows-1252, no charset declared.
const QByteArray WelcomePage("<html><body><h1>Caf\xe9</h1></body></html>");
const QByteArray Skin("QPushButton { color: #123456; }");
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
    QTest::addColumn<QByteArray>("file"); // empty: no settings file
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("makeMoney");
    QTest::addColumn<bool>("news");
    QTest::addColumn<bool>("banner");
    QTest::addColumn<QString>("link1");
    QTest::addColumn<bool>("links");
    QTest::addColumn<bool>("skinAndIcon");
    QTest::addColumn<bool>("welcome");

    const QByteArray branded = velmora::testing::EncryptedSettings(
        Base + Item("Welcome1", WelcomePage) + Item("Banner1", "ad.gif^http://127.0.0.1:9/ad") +
        Item("Link1", "Home^http://127.0.0.1:9/home"));
    const QString v2 = QStringLiteral(" v2.0");
    const QString money = QStringLiteral("Make Money");
    QTest::newRow("branded") << branded << QStringLiteral("Acme v2.0") << QStringLiteral("Earn") << true
                             << true << QStringLiteral("Home") << true << true << true;
    QTest::newRow("no settings file") << QByteArray() << QStringLiteral("Velmora") << money << true << true
                                      << QStringLiteral("Google") << true << false << false;
    QTest::newRow("password check fails")
        << Flipped(branded, 8) << v2 << money << false << false << QString() << false << true << false;
    QTest::newRow("damaged text") << Flipped(branded, 12) << v2 << money << false << false << QString()
                                  << false << true << false;
    QTest::newRow("text without items") << velmora::testing::EncryptedSettings("just text\r\n") << v2 << money
                                        << false << false << QString() << false << true << false;
}

void TestBrandWindow::settingsFiles() {
    QFETCH(QByteArray, file);
    QFETCH(QString, caption);
    QFETCH(QString, makeMoney);
    QFETCH(bool, news);
    QFETCH(bool, banner);
    QFETCH(QString, link1);
    QFETCH(bool, links);
    QFETCH(bool, skinAndIcon);
    QFETCH(bool, welcome);

    BrandedFolder folder;
    if (!file.isEmpty())
        folder.write(QStringLiteral("dbsettings.dat"), file);
    folder.write(QStringLiteral("banner1.dat"), velmora::testing::AnimatedGif({60, 20}));
    folder.write(SkinFile, velmora::testing::Gzip(Skin));
    folder.write(IconFile, StillPicture({16, 16}, "ico"));
    // A file the program never names stays untouched too.
    folder.write(QStringLiteral("ad.gif"), "not the banner");
    const auto before = folder.contents();

    MainWindowFixture f(folder.path(), Picks({}));
    QCOMPARE(f.reporter.messages, QStringList());
    QCOMPARE(f.window->windowTitle(), caption);
    QCOMPARE(f.find<QPushButton>("btnMakeMoney")->text(), makeMoney);
    QCOMPARE(!f.find("btnNews")->isHidden(), news);
    QCOMPARE(!f.find("panBanner")->isHidden(), banner);
    QCOMPARE(f.find<QLabel>("lblLink1URL")->text(), link1);
    QCOMPARE(!f.find("panLinks")->isHidden(), links);
    QCOMPARE(qApp->styleSheet(), skinAndIcon ? QString::fromLatin1(Skin) : QString());
    QCOMPARE(QApplication::windowIcon().isNull(), !skinAndIcon);
    if (skinAndIcon)
        QCOMPARE(IconColour(), QColor(0x20, 0x60, 0xc0));

    // The welcome page gets the settings' bytes as they stand; without one the poll starts now.
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

    const QByteArray three =
        Item("Banner1", "one.bmp^http://127.0.0.1:9/1") + Item("Banner2", "two.jpg^http://127.0.0.1:9/2");
    const QString gif = QStringLiteral("gifBanner");
    const QString img = QStringLiteral("imgBanner");
    QTest::newRow("GIF from item 3") << three + Item("Banner3", "ad.gif^http://127.0.0.1:9/ad") << 2
                                     << velmora::testing::AnimatedGif({120, 30}) << gif << QSize(120, 30);
    QTest::newRow("upper-case GIF name") << Item("Banner1", "AD.GIF^http://127.0.0.1:9/ad") << 0
                                         << velmora::testing::AnimatedGif({80, 25}) << gif << QSize(80, 25);
    QTest::newRow("BMP") << Item("Banner1", "ad.bmp^http://127.0.0.1:9/ad") << 0
                         << StillPicture({90, 20}, "bmp") << img << QSize(90, 20);
    QTest::newRow("JPEG in a Windows folder") << Item("Banner1", "C:\\ads.gif\\ad.JPG^http://127.0.0.1:9/ad")
                                              << 0 << StillPicture({70, 40}, "jpeg") << img << QSize(70, 40);
    QTest::newRow("icon") << Item("Banner1", "ad.ico^http://127.0.0.1:9/ad") << 0
                          << StillPicture({32, 32}, "ico") << img << QSize(32, 32);
    QTest::newRow("empty file name") << Item("Banner1", "^http://127.0.0.1:9/ad") << 0
                                     << velmora::testing::AnimatedGif({80, 25}) << QString() << QSize();
    QTest::newRow("missing file") << three + Item("Banner3", "ad.gif^http://127.0.0.1:9/ad") << 2
                                  << QByteArray() << QString() << QSize();
    QTest::newRow("metafile") << Item("Banner1", "ad.wmf^http://127.0.0.1:9/ad") << 0
                              << QByteArray("metafile") << QString() << QSize();
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
        folder.write(QStringLiteral("banner%1.dat").arg(n), velmora::testing::AnimatedGif({10, 10}, 1));
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
    QTest::addColumn<bool>("visible");

    const QByteArray three = Item("Link1", "One^http://127.0.0.1:9/1") +
                             Item("Link2", "Two^http://127.0.0.1:9/2") +
                             Item("Link3", "Three^http://127.0.0.1:9/3");
    QTest::newRow("one link") << Item("Link1", "One^http://127.0.0.1:9/1") << QList<int>{0}
                              << QStringList{"One", "http://127.0.0.1:9/1", "", ""} << true;
    // The second pick is among the links left after the first.
    QTest::newRow("two of three") << three << QList<int>{2, 0}
                                  << QStringList{"Three", "http://127.0.0.1:9/3", "One",
                                                 "http://127.0.0.1:9/1"}
                                  << true;
    QTest::newRow("second of the rest")
        << three << QList<int>{0, 1}
        << QStringList{"One", "http://127.0.0.1:9/1", "Three", "http://127.0.0.1:9/3"} << true;
    QTest::newRow("none") << QByteArray() << QList<int>{} << QStringList{"", "", "", ""} << false;
}

void TestBrandWindow::links() {
    QFETCH(QByteArray, items);
    QFETCH(QList<int>, picks);
    QFETCH(QStringList, expected);
    QFETCH(bool, visible);

    BrandedFolder folder;
    folder.writeSettings(Base + items);
    MainWindowFixture f(folder.path(), Picks(picks));
    QCOMPARE(f.reporter.messages, QStringList());
    auto* link1 = f.find<velmora::app::LinkLabel>("lblLink1URL");
    auto* link2 = f.find<velmora::app::LinkLabel>("lblLink2URL");
    QCOMPARE((QStringList{link1->text(), QString::fromLatin1(link1->url()), link2->text(),
                          QString::fromLatin1(link2->url())}),
             expected);
    QCOMPARE(!f.find("panLinks")->isHidden(), visible);
}

// An error ends the load: it is reported, what was applied before it stays, nothing after it
// is applied, and the window goes on (the news poll still starts).
void TestBrandWindow::errorsKeepWhatWasRead_data() {
    QTest::addColumn<QByteArray>("items");
    QTest::addColumn<QByteArray>("banner1"); // banner1.dat
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("bannerPanel");
    QTest::addColumn<QString>("link1"); // "Google": the links were not reached

    const QByteArray gif = velmora::testing::AnimatedGif({60, 20});
    const QByteArray link = Item("Link1", "Home^http://127.0.0.1:9/home");
    const QString acme = QStringLiteral("Acme v2.0");
    const QString google = QStringLiteral("Google");
    QTest::newRow("banner item of one field")
        << Item("Banner1", "ad.gif") + link << gif << QStringLiteral("List index out of bounds (1)") << acme
        << true << google;
    QTest::newRow("link item of one field")
        << Item("Banner1", "ad.gif^http://127.0.0.1:9/ad") + Item("Link1", "Home") << gif
        << QStringLiteral("List index out of bounds (1)") << acme << true << google;
    QTest::newRow("unknown picture extension")
        << Item("Banner1", "ad.png^http://127.0.0.1:9/ad") + link << gif
        << QStringLiteral("Unknown picture file extension (.png)") << acme << true << google;
    QTest::newRow("not a GIF") << Item("Banner1", "ad.gif^http://127.0.0.1:9/ad") + link
                               << StillPicture({60, 20}, "png") << QStringLiteral("readable GIF picture")
                               << acme << false << google;
    QTest::newRow("truncated GIF") << Item("Banner1", "ad.gif^http://127.0.0.1:9/ad") + link << gif.left(20)
                                   << QStringLiteral("readable GIF picture") << acme << false << google;
    QTest::newRow("not a JPEG") << Item("Banner1", "ad.jpeg^http://127.0.0.1:9/ad") + link << gif
                                << QStringLiteral("readable JPEG picture") << acme << false << google;
    QTest::newRow("settings file unreadable") << QByteArray() << gif << QStringLiteral("Cannot open file")
                                              << QStringLiteral("Velmora") << true << google;
}

void TestBrandWindow::errorsKeepWhatWasRead() {
    QFETCH(QByteArray, items);
    QFETCH(QByteArray, banner1);
    QFETCH(QString, message);
    QFETCH(QString, caption);
    QFETCH(bool, bannerPanel);
    QFETCH(QString, link1);

    BrandedFolder folder;
    if (items.isEmpty())
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("dbsettings.dat")));
    else
        folder.writeSettings(Base + items);
    folder.write(QStringLiteral("banner1.dat"), banner1);
    folder.write(SkinFile, velmora::testing::Gzip(Skin));

    MainWindowFixture f(folder.path(), Picks({}));
    QCOMPARE(f.reporter.messages.size(), 1);
    QVERIFY2(f.reporter.messages[0].contains(message), qPrintable(f.reporter.messages[0]));
    if (message.startsWith(QStringLiteral("readable")))
        QVERIFY2(f.reporter.messages[0].contains(
                     QDir::toNativeSeparators(folder.filePath(QStringLiteral("banner1.dat")))),
                 qPrintable(f.reporter.messages[0]));
    QCOMPARE(f.window->windowTitle(), caption);
    QCOMPARE(!f.find("panBanner")->isHidden(), bannerPanel);
    QCOMPARE(f.find<QLabel>("lblLink1URL")->text(), link1);
    // The skin comes after the links.
    QCOMPARE(qApp->styleSheet(), QString());
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
    folder.write(QStringLiteral("banner1.dat"), items.contains("ad.gif")
                                                    ? velmora::testing::AnimatedGif({60, 20})
                                                    : StillPicture({60, 20}, "bmp"));
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
    QCOMPARE(f.reporter.messages, QStringList());
}

QTEST_MAIN(TestBrandWindow)
#include "tst_BrandWindow.moc"
