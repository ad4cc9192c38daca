// The main window's news and update handlers against loopback news and update servers: the
// start-up poll and its balloon, the news button, the news window's stored id, the update check.

#include "FullDisk.h"
#include "LoopbackServer.h"
#include "MainWindowFixture.h"
#include "TestSupport.h"
#include "app/FNews.h"
#include "app/MessageHint.h"
#include "brand/SettingsFile.h"
#include "news/NewsClient.h"
#include "util/FileEncryption.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>

using velmora::app::BrandSettings;
using velmora::app::MessageBox;
using velmora::testing::CannedReply;
using velmora::testing::FakeHtmlView;
using velmora::testing::LoopbackServer;
using velmora::testing::MainWindowFixture;
using velmora::testing::RecordedRequest;
using velmora::testing::writeFileForTest;

namespace {

const QByteArray UpdatePath = "/liveupdate/velmora/mainappupdate.inf";
const QString NoNews = QStringLiteral("There's no news for this application!");
const QString NoUpdates = QStringLiteral("There's no new updates for this application!");

// A stored id: the LastNewsId item's value, or one of these.
const QByteArray NoSettingsFile = "<no file>";
const QByteArray NoIdItem = "<no item>";
const QByteArray UnreadableFile = "<unreadable>";

BrandSettings brandFor(const QByteArray& tier, const QByteArray& newsBase) {
    BrandSettings brand;
    brand.BranderType = tier;
    brand.BranderCode = "RC1";
    brand.MasterNewsBaseURL = newsBase;
    brand.PlatinumNewsBaseURL = newsBase;
    brand.GoldNewsBaseURL = newsBase;
    brand.MasterPublID = "pub-m";
    brand.PlatinumPublID = "pub-p";
    brand.GoldPublID = "pub-g";
    return brand;
}

QByteArray encrypted(const QByteArray& plain) {
    QBuffer source;
    source.setData(plain);
    source.open(QIODevice::ReadOnly);
    QBuffer target;
    target.open(QIODevice::WriteOnly);
    if (!velmora::util::EncryptDevice(&source, &target))
        qFatal("encryption failed");
    return target.data();
}

// "info+cancel: ...", "info: ...", "warning: ..." for each message shown, in order.
QStringList described(const velmora::testing::RecordingMessageBox& box) {
    QStringList result;
    for (const auto& shown : box.shown) {
        const bool warning = shown.kind == MessageBox::Kind::Warning;
        const bool cancel = shown.buttons == MessageBox::Buttons::OkCancel;
        result.append(QString::fromLatin1(warning ? "warning" : "info") +
                      QString::fromLatin1(cancel ? "+cancel: " : ": ") + shown.text);
    }
    return result;
}

bool showsUnreadDot(const QToolButton* button) {
    // The dot's middle, orange in the picture with the dot and empty in the other.
    const QColor pixel = button->icon().pixmap(QSize(24, 24)).toImage().pixelColor(19, 5);
    return pixel.alpha() > 200 && pixel.red() > 200 && pixel.blue() < 100;
}

int countPosts(const LoopbackServer& server, const QByteArray& conttype) {
    int count = 0;
    for (const RecordedRequest& request : server.requests())
        count += request.method == "POST" && request.field("conttype") == conttype;
    return count;
}

int countUpdateFetches(const LoopbackServer& server) {
    int count = 0;
    for (const RecordedRequest& request : server.requests())
        count += request.method == "GET" && request.path == UpdatePath;
    return count;
}

// A news and update server, a program folder with a settings file, and a main window with
// its poll timer held back until a test lets it run.
struct NewsWindowFixture {
    LoopbackServer server;
    QTemporaryDir dir;
    std::unique_ptr<MainWindowFixture> f;
    QByteArray latestReply = "OK";
    QByteArray listReply = "OK";
    QMap<QByteArray, QByteArray> details; // news id to the details reply

    QByteArray updateBase = server.url("/liveupdate/velmora/");

    // applicationDir: the temporary folder unless given; updateBase: this server unless given.
    explicit NewsWindowFixture(const QByteArray& tier, const QByteArray& storedId = NoIdItem,
                               const QString& applicationDir = {}, const QByteArray& otherUpdateBase = {}) {
        if (!otherUpdateBase.isEmpty())
            updateBase = otherUpdateBase;
        server.setResponder("/news/getlastnews.php", [this](const RecordedRequest& request) {
            CannedReply reply;
            reply.body = request.field("conttype") == "all" ? listReply : latestReply;
            return reply;
        });
        server.setResponder("/news/getnewsdetails.php", [this](const RecordedRequest& request) {
            CannedReply reply;
            reply.body = details.value(request.field("newsid"));
            return reply;
        });
        serveVersion("2.0");
        if (storedId == UnreadableFile)
            QDir(dir.path()).mkdir(QString::fromLatin1(velmora::app::SettingsFileName));
        else if (storedId != NoSettingsFile)
            writeFileForTest(settingsFile(), encrypted("<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n" +
                                                       (storedId == NoIdItem ? QByteArray()
                                                                             : "<%%LastNewsId%%>" + storedId +
                                                                                   "<%%/LastNewsId%%>\r\n")));
        f = std::make_unique<MainWindowFixture>(
            brandFor(tier, server.url("/news")), applicationDir.isEmpty() ? dir.path() : applicationDir,
            "http://127.0.0.1:9", velmora::app::HtmlViewFactory(), updateBase);
        timer()->stop();
    }

    void serveVersion(const QByteArray& version) {
        CannedReply reply;
        reply.body = "[Application]\r\nName=Velmora\r\nVersion=" + version + "\r\n";
        reply.contentType = "application/octet-stream";
        server.setReply(UpdatePath, reply);
    }

    QString settingsFile() const { return velmora::app::SettingsFilePath(dir.path()); }
    QByteArray storedId() const { return velmora::app::ReadLastNewsId(settingsFile()); }
    QTimer* timer() const { return f->find<QTimer>("Timer1"); }
    QToolButton* button(const char* name) const { return f->find<QToolButton>(name); }
    velmora::news::NewsClient* client() const { return f->find<velmora::news::NewsClient>("IdHTTP1"); }
    QString status() const { return f->find<QLabel>("MainStatusPanel")->text(); }
    velmora::app::MessageHint* balloon() const {
        return f->find<velmora::app::MessageHint>("LMDMessageHint1");
    }

    bool showActive() { return f->show() && QTest::qWaitForWindowActive(f->window.get()); }

    // Lets the poll's tick come at once and waits until it and what followed it are done.
    bool runPoll() {
        timer()->start(0);
        return QTest::qWaitFor([this] { return !timer()->isActive() && !client()->busy(); });
    }

    bool click(const char* name) {
        button(name)->click();
        return QTest::qWaitFor([this] { return !client()->busy(); });
    }
};

// Works the news window while it runs modally: hands it to act once it is up, and closes it
// once act says it is done, or after five seconds, so that a test that fails does not hang.
class ModalNewsWindow : public QObject {
public:
    std::function<bool(velmora::app::TfrmNews&)> act; // true: done, close it
    bool seen = false;

    ModalNewsWindow() {
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this] {
            auto* window = qobject_cast<velmora::app::TfrmNews*>(QApplication::activeModalWidget());
            if (!window)
                return;
            if (!seen)
                m_open.start();
            seen = true;
            if (!act || act(*window) || m_open.hasExpired(5000))
                window->close();
        });
        poll->start(10);
    }

private:
    QElapsedTimer m_open;
};

QTreeWidget* newsList(velmora::app::TfrmNews& window) {
    return window.findChild<QTreeWidget*>(QStringLiteral("lvwItems"));
}

} // namespace

class TestFMainNews : public QObject {
    Q_OBJECT

private slots:
    void poll_data();
    void poll();
    void pollRunsOnce();
    void newsButton_data();
    void newsButton();
    void readingItemsStoresTheirIdsAndClearsTheDot();
    void fullDiskKeepsTheSettingsFile();
    void closingStopsTheNewsRequest();
    void updateCheck_data();
    void updateCheck();
    void updateClickDuringTheSilentCheckGetsAnAnswer();
    void silentNewsServerHoldsUpNothing();
};

void TestFMainNews::poll_data() {
    QTest::addColumn<QByteArray>("tier");
    QTest::addColumn<QByteArray>("storedId");
    QTest::addColumn<QByteArray>("latestReply");
    QTest::addColumn<QString>("balloonTitle"); // null: no balloon
    QTest::addColumn<bool>("asked");           // a latest-news request went out
    QTest::addColumn<bool>("updateChecked");

    const QString none;
    QTest::newRow("newer id") << QByteArray("Master") << QByteArray("7") << QByteArray("8^Eight\xAFOK")
                              << QStringLiteral("Eight") << true << true;
    QTest::newRow("same id") << QByteArray("Master") << QByteArray("7") << QByteArray("7^Seven\xAFOK") << none
                             << true << true;
    QTest::newRow("no settings file") << QByteArray("Gold") << NoSettingsFile << QByteArray("1^One\xAFOK")
                                      << QStringLiteral("One") << true << true;
    QTest::newRow("no stored id, newest not a number")
        << QByteArray("Platinum") << NoIdItem << QByteArray("x9^Bad\xAFOK") << none << true << true;
    QTest::newRow("stored id out of range counts 0")
        << QByteArray("Master") << QByteArray("2147483648") << QByteArray("1^One\xAFOK")
        << QStringLiteral("One") << true << true;
    QTest::newRow("negative stored id") << QByteArray("Master") << QByteArray("-3")
                                        << QByteArray("junk^J\xAFOK") << QStringLiteral("J") << true << true;
    QTest::newRow("OK alone") << QByteArray("Master") << QByteArray("0") << QByteArray("OK") << none << true
                              << true;
    QTest::newRow("refused poll, silently")
        << QByteArray("Master") << QByteArray("1") << QByteArray("INVALIDUSER") << none << true << true;
    QTest::newRow("Free") << QByteArray("Free") << NoIdItem << QByteArray("8^Eight\xAFOK") << none << false
                          << true;
    QTest::newRow("unreadable settings skip the update check")
        << QByteArray("Master") << UnreadableFile << QByteArray("8^Eight\xAFOK") << none << true << false;
}

void TestFMainNews::poll() {
    QFETCH(QByteArray, tier);
    QFETCH(QByteArray, storedId);
    QFETCH(QByteArray, latestReply);
    QFETCH(QString, balloonTitle);
    QFETCH(bool, asked);
    QFETCH(bool, updateChecked);

    NewsWindowFixture n(tier, storedId);
    n.latestReply = latestReply;
    QVERIFY(n.showActive());
    QVERIFY(!showsUnreadDot(n.button("btnNews")));
    QVERIFY(n.runPoll());

    QCOMPARE(countPosts(n.server, "lastcode"), asked ? 1 : 0);
    QCOMPARE(countUpdateFetches(n.server), updateChecked ? 1 : 0);
    QCOMPARE(n.f->messageBox.shown.size(), 0);
    QCOMPARE(n.f->reporter.messages.size(), storedId == UnreadableFile ? 1 : 0);
    velmora::app::MessageHint* balloon = n.balloon();
    QCOMPARE(balloon->isShowing(), !balloonTitle.isNull());
    QCOMPARE(showsUnreadDot(n.button("btnNews")), !balloonTitle.isNull());
    if (balloonTitle.isNull())
        return;
    QCOMPARE(balloon->lines(), QStringList({QStringLiteral("You've Got A Message!"), balloonTitle}));
    const QToolButton* news = n.button("btnNews");
    QCOMPARE(balloon->anchor(), news->mapToGlobal(QPoint(news->width() / 2, news->height() / 2)));
    // The poll reads the stored id and never writes it.
    if (storedId != NoSettingsFile)
        QCOMPARE(n.storedId(), storedId == NoIdItem ? QByteArray() : storedId);
}

void TestFMainNews::pollRunsOnce() {
    NewsWindowFixture n("Master", "7");
    n.latestReply = "8^Eight\xAFOK";
    QCOMPARE(n.timer()->interval(), 2000);
    QVERIFY(n.showActive());
    QVERIFY(n.runPoll());
    QCOMPARE(n.server.requestCount(), 2); // the poll, then the update check
    QVERIFY(n.balloon()->isShowing());
    QTest::qWait(50);
    QVERIFY(!n.timer()->isActive());
    QCOMPARE(n.server.requestCount(), 2);
    // Closing the window takes the balloon along.
    QVERIFY(n.f->window->close());
    QVERIFY(!n.balloon()->isShowing());
}

void TestFMainNews::newsButton_data() {
    QTest::addColumn<QByteArray>("tier");
    QTest::addColumn<QByteArray>("listReply");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("listRequests");

    const QString warning = QStringLiteral("warning: ");
    const QString info = QStringLiteral("info: ");
    QTest::newRow("Free asks nobody")
        << QByteArray("Free") << QByteArray("1^A^B\xAFOK") << QStringList{info + NoNews} << 0;
    QTest::newRow("publisher refused")
        << QByteArray("Gold") << QByteArray(" \r\nINVALIDUSER\r\n")
        << QStringList{warning +
                           QStringLiteral("There is a trouble with the Publisher Id. Contact your provider."),
                       info + NoNews}
        << 1;
    QTest::newRow("empty reply")
        << QByteArray("Master") << QByteArray()
        << QStringList{warning + QStringLiteral(
                                     "There is a trouble accessing the news site. Contact your provider."),
                       info + NoNews}
        << 1;
    QTest::newRow("unknown reply") << QByteArray("Platinum") << QByteArray("invaliduser")
                                   << QStringList{info + NoNews} << 1;
    QTest::newRow("OK without records")
        << QByteArray("Master") << QByteArray("OK") << QStringList{info + NoNews} << 1;
}

void TestFMainNews::newsButton() {
    QFETCH(QByteArray, tier);
    QFETCH(QByteArray, listReply);
    QFETCH(QStringList, messages);
    QFETCH(int, listRequests);

    NewsWindowFixture n(tier);
    n.listReply = listReply;
    ModalNewsWindow modal;
    QVERIFY(n.showActive());
    QVERIFY(n.click("btnNews"));
    QTRY_COMPARE(described(n.f->messageBox), messages);
    QCOMPARE(countPosts(n.server, "all"), listRequests);
    QVERIFY(!modal.seen);
}

void TestFMainNews::readingItemsStoresTheirIdsAndClearsTheDot() {
    NewsWindowFixture n("Master", "7");
    n.latestReply = "9^Nine\xAFOK";
    n.listReply = "9^Nine^2024-05-01\xAF"
                  "5^Five^2024-01-01\xAF"
                  "OK";
    n.details["9"] = "<p>nine</p>\xAFOK";
    n.details["5"] = "<p>$66ive</p>\xAFOK";
    QVERIFY(n.showActive());
    QVERIFY(n.runPoll());
    QVERIFY(showsUnreadDot(n.button("btnNews")));

    // The older item first: its smaller id is stored, and the newer one is still unread.
    QStringList titles;
    QByteArray shown;
    QList<QByteArray> storedAfter;
    int step = 0;
    ModalNewsWindow modal;
    modal.act = [&](velmora::app::TfrmNews& window) {
        QTreeWidget* list = newsList(window);
        auto* view = window.findChild<FakeHtmlView*>(QStringLiteral("prfEditorNews"));
        if (window.loadingDetails() || !view)
            return false;
        switch (step) {
        case 0:
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                titles.append(list->topLevelItem(row)->text(0));
            list->setCurrentItem(list->topLevelItem(1));
            break;
        case 1:
            shown = view->html;
            storedAfter.append(n.storedId());
            storedAfter.append(showsUnreadDot(n.button("btnNews")) ? "dot" : "no dot");
            list->setCurrentItem(list->topLevelItem(0));
            break;
        default:
            storedAfter.append(n.storedId());
            storedAfter.append(showsUnreadDot(n.button("btnNews")) ? "dot" : "no dot");
            return true;
        }
        ++step;
        return false;
    };
    n.button("btnNews")->click();
    QTRY_VERIFY(step == 2 && !QApplication::activeModalWidget());
    QCOMPARE(titles, QStringList({QStringLiteral("Nine"), QStringLiteral("Five")}));
    QCOMPARE(shown, QByteArray("<p>five</p>"));
    QCOMPARE(storedAfter, QList<QByteArray>({"5", "dot", "9", "no dot"}));
    QCOMPARE(n.f->messageBox.shown.size(), 0);
}

// The id cannot be stored on a full disk: the settings file keeps every byte and the error is
// reported, instead of the file being replaced by an empty one.
void TestFMainNews::fullDiskKeepsTheSettingsFile() {
    velmora::testing::FullDisk disk;
    NewsWindowFixture n("Master", NoSettingsFile, disk.path());
    const QString settings = velmora::app::SettingsFilePath(disk.path());
    const QByteArray old = encrypted("<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
                                     "<%%LastNewsId%%>7<%%/LastNewsId%%>\r\n");
    if (disk.unavailable().isEmpty())
        writeFileForTest(settings, old);
    VELMORA_REQUIRE_FULL_DISK(disk);
    n.listReply = "9^Nine^2024-05-01\xAFOK";
    n.details["9"] = "<p>nine</p>\xAFOK";
    QVERIFY(n.showActive());

    bool selected = false;
    ModalNewsWindow modal;
    modal.act = [&](velmora::app::TfrmNews& window) {
        if (!std::exchange(selected, true))
            newsList(window)->setCurrentItem(newsList(window)->topLevelItem(0));
        return !window.loadingDetails() && !n.f->reporter.messages.isEmpty();
    };
    n.button("btnNews")->click();
    QTRY_VERIFY(modal.seen && !QApplication::activeModalWidget());
    QCOMPARE(velmora::testing::readFileOrMarker(settings), old);
    QCOMPARE(n.f->reporter.messages.size(), 1);
    QVERIFY2(n.f->reporter.messages.first().contains(QStringLiteral("No space left on device")),
             qPrintable(n.f->reporter.messages.first()));
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("dbsettings.dat"), QStringLiteral("filler")}));
}

void TestFMainNews::closingStopsTheNewsRequest() {
    NewsWindowFixture n("Master");
    CannedReply slow;
    slow.body = QByteArray(4000, ' ') + "1^One^Now\xAFOK";
    slow.chunkSize = 100;
    slow.intervalMs = 50;
    n.server.setReply("/news/getlastnews.php", slow);
    QVERIFY(n.showActive());
    n.button("btnNews")->click();
    QVERIFY(n.server.waitForRequests(1));
    QVERIFY(n.client()->busy());
    QVERIFY(n.f->window->close());
    QVERIFY(!n.client()->busy());
    QTest::qWait(100);
    QCOMPARE(n.f->messageBox.shown.size(), 0);
}

void TestFMainNews::updateCheck_data() {
    QTest::addColumn<QByteArray>("version"); // empty: nothing listens at the update server's port
    QTest::addColumn<bool>("atStartUp");     // the poll's silent check instead of the button
    QTest::addColumn<bool>("folderIsFile");  // the program's folder cannot take the download
    QTest::addColumn<QList<int>>("answers"); // 0 OK, 1 Cancel, in order
    QTest::addColumn<bool>("updaterThere");
    QTest::addColumn<QString>("startFailure");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("closed");

    const QString question = QStringLiteral("info+cancel: There is a new update: (version 2.1) available for "
                                            "your application!. Do you want download this update now?");
    const QString closes = QStringLiteral("info+cancel: To update your software the application will close "
                                          "to\n\rreplace some files. Do you want to update now?");
    const QString missing =
        QStringLiteral("warning: The updater module is missing. Please reinstall again the current version!");
    const QString none = QStringLiteral("info: ") + NoUpdates;
    const QList<int> ok{0, 0};
    const QString starts;

    QTest::newRow("same version, button")
        << QByteArray("2.0") << false << false << ok << true << starts << QStringList{none} << false;
    QTest::newRow("same version, start-up")
        << QByteArray("2.0") << true << false << ok << true << starts << QStringList() << false;
    QTest::newRow("unreachable, button")
        << QByteArray() << false << false << ok << true << starts
        << QStringList{QStringLiteral("warning: The check for updates failed: Connection refused.")} << false;
    QTest::newRow("unreachable, start-up")
        << QByteArray() << true << false << ok << true << starts << QStringList() << false;
    QTest::newRow("folder without write access, button")
        << QByteArray("2.1") << false << true << ok << true << starts
        << QStringList{QStringLiteral("warning: The check for updates failed: Cannot create "
                                      "<dir>/mainappupdate.inf: Not a directory.")}
        << false;
    QTest::newRow("folder without write access, start-up")
        << QByteArray("2.1") << true << true << ok << true << starts << QStringList() << false;
    QTest::newRow("newer at start-up, Cancel at the first question")
        << QByteArray("2.1") << true << false << QList<int>{1} << true << starts << QStringList{question}
        << false;
    QTest::newRow("newer, Cancel at the second question")
        << QByteArray("2.1") << false << false << QList<int>{0, 1} << true << starts
        << QStringList{question, closes} << false;
    QTest::newRow("newer, updater missing") << QByteArray("2.1") << false << false << ok << false << starts
                                            << QStringList{question, missing} << false;
    QTest::newRow("newer, both answered OK") << QByteArray("2.1") << false << false << ok << true << starts
                                             << QStringList{question, closes} << true;
    QTest::newRow("newer, updater does not start")
        << QByteArray("2.1") << false << false << ok << true << QStringLiteral("execv: Exec format error")
        << QStringList{question, closes,
                       QStringLiteral("warning: The updater module could not be started: execv: Exec format "
                                      "error\nThe application stays open.")}
        << false;
}

void TestFMainNews::updateCheck() {
    QFETCH(QByteArray, version);
    QFETCH(bool, atStartUp);
    QFETCH(bool, folderIsFile);
    QFETCH(QList<int>, answers);
    QFETCH(bool, updaterThere);
    QFETCH(QString, startFailure);
    QFETCH(QStringList, messages);
    QFETCH(bool, closed);

    QTemporaryDir other;
    const QString notAFolder = other.filePath(QStringLiteral("file"));
    writeFileForTest(notAFolder, "x");
    const QByteArray unreachable =
        "http://127.0.0.1:" + QByteArray::number(LoopbackServer::closedPort()) + "/liveupdate/velmora/";
    NewsWindowFixture n("Free", NoIdItem, folderIsFile ? notAFolder : QString(),
                        version.isEmpty() ? unreachable : QByteArray());
    n.serveVersion(version);
    const QString programDir = folderIsFile ? notAFolder : n.dir.path();
    // A copy from an earlier check stays until a new one has arrived whole.
    const QString infoFile = n.dir.filePath(QStringLiteral("mainappupdate.inf"));
    const QByteArray earlier = "[APPLICATION]\r\nVersion=1.0\r\n";
    writeFileForTest(infoFile, earlier);
    const QString updater = QDir(programDir).filePath(QStringLiteral("Updater.exe"));
    if (updaterThere && !folderIsFile)
        writeFileForTest(updater, "#!/bin/sh\n");
    for (int answer : answers)
        n.f->messageBox.answers.append(answer == 0 ? MessageBox::Answer::Ok : MessageBox::Answer::Cancel);
    n.f->platform.startFailure = startFailure;
    QVERIFY(n.showActive());
    QVERIFY(atStartUp ? n.runPoll() : n.click("btnUpdate"));

    messages.replaceInStrings(QStringLiteral("<dir>"), programDir);
    QCOMPARE(described(n.f->messageBox), messages);
    const bool arrived = !version.isEmpty() && !folderIsFile;
    QCOMPARE(velmora::testing::readFileOrMarker(infoFile),
             arrived ? "[Application]\r\nName=Velmora\r\nVersion=" + version + "\r\n" : earlier);
    QCOMPARE(n.status(), QString());
    const bool startTried = closed || !startFailure.isEmpty();
    QCOMPARE(n.f->platform.started.size(), startTried ? 1 : 0);
    if (startTried) {
        QCOMPARE(n.f->platform.started.front().program, updater);
        QCOMPARE(
            n.f->platform.started.front().arguments,
            QList<QString>({QString::fromLatin1(n.updateBase), QStringLiteral("2.0"), QStringLiteral("A")}));
    }
    QCOMPARE(n.f->window->isVisible(), !closed);
    QCOMPARE(n.f->window->Closing(), closed);
    // The information file stays beside the program; nothing else there changes.
    QStringList files{QStringLiteral("dbsettings.dat"), QStringLiteral("mainappupdate.inf")};
    if (updaterThere && !folderIsFile)
        files.prepend(QStringLiteral("Updater.exe"));
    QCOMPARE(QDir(n.dir.path()).entryList(QDir::Files, QDir::Name), files);
}

void TestFMainNews::updateClickDuringTheSilentCheckGetsAnAnswer() {
    NewsWindowFixture n("Free");
    CannedReply slow;
    slow.body = "[APPLICATION]\nVersion=2.0\n" + QByteArray(2000, '\n');
    slow.chunkSize = 200;
    slow.intervalMs = 20;
    n.server.setReply(UpdatePath, slow);
    QVERIFY(n.showActive());
    n.timer()->start(0);
    QVERIFY(n.server.waitForRequests(1));
    n.button("btnUpdate")->click();
    QTRY_VERIFY(!n.client()->busy());
    QCOMPARE(described(n.f->messageBox), QStringList{QStringLiteral("info: ") + NoUpdates});
    QCOMPARE(countUpdateFetches(n.server), 1);
}

void TestFMainNews::silentNewsServerHoldsUpNothing() {
    NewsWindowFixture n("Master");
    CannedReply silent;
    silent.neverAnswer = true;
    n.server.setReply("/news/getlastnews.php", silent);
    QVERIFY(n.showActive());
    n.client()->setIdleTimeout(std::chrono::milliseconds(1500));

    n.button("btnNews")->click();
    QCOMPARE(n.status(), QStringLiteral("Checking for news..."));
    QVERIFY(n.server.waitForRequests(1));
    // The update check goes out and ends while the news request still waits.
    n.button("btnUpdate")->click();
    QCOMPARE(n.status(), QStringLiteral("Checking for updates..."));
    QTRY_COMPARE(described(n.f->messageBox), QStringList{QStringLiteral("info: ") + NoUpdates});
    QCOMPARE(countUpdateFetches(n.server), 1);
    QVERIFY(n.client()->busy());
    QCOMPARE(n.status(), QStringLiteral("Checking for news..."));

    // The news request gives up with a sentence, and says nothing about there being no news.
    QTRY_VERIFY(!n.client()->busy());
    QCOMPARE(described(n.f->messageBox),
             (QStringList{
                 QStringLiteral("info: ") + NoUpdates,
                 QStringLiteral("warning: The news site did not answer for 30 seconds. Try again later.")}));
    QCOMPARE(n.status(), QString());
}

QTEST_MAIN(TestFMainNews)
#include "tst_FMainNews.moc"
