// The update check of an installed program: the information file goes to the user's cache
// folder, nothing is written beside the executable, and without an updater of its own a newer
// version is left to the system's package manager.

#include "AppFakes.h"
#include "LoopbackServer.h"
#include "MainWindowFixture.h"
#include "TestSupport.h"
#include "news/NewsClient.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace velmora;
using namespace velmora::testing;

class TestInstalledWindow : public QObject {
    Q_OBJECT

private slots:
    void updateCheck_data();
    void updateCheck();
};

void TestInstalledWindow::updateCheck_data() {
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<bool>("updaterThere");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("newer, no updater: the package manager installs it")
        << QByteArray("2.1") << false
        << QStringList{
               QStringLiteral("A new version (2.1) is available. This copy was installed on your system: "
                              "your system's package manager installs the new version with its other "
                              "updates.")};
    QTest::newRow("newer, an updater beside it: offered as in a portable folder")
        << QByteArray("2.1") << true
        << QStringList{
               QStringLiteral("There is a new update: (version 2.1) available for your application!. Do "
                              "you want download this update now?")};
    QTest::newRow("nothing new") << QByteArray("2.0") << false
                                 << QStringList{
                                        QStringLiteral("There's no new updates for this application!")};
}

void TestInstalledWindow::updateCheck() {
    QFETCH(QByteArray, version);
    QFETCH(bool, updaterThere);

    LoopbackServer server;
    CannedReply reply;
    reply.body = "[Application]\r\nName=Velmora\r\nVersion=" + version + "\r\n";
    server.setReply("/liveupdate/velmora/mainappupdate.inf", reply);

    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    if (updaterThere)
        writeFileForTest(QDir(bin).filePath(QStringLiteral("Updater.exe")), "#!/bin/sh\n");
    const QStringList binBefore = QDir(bin).entryList(QDir::Files);

    util::ProgramPlaces places;
    places.applicationDir = bin;
    places.portable = false;
    places.downloadDir = root.filePath(QStringLiteral("tmp"));
    places.cacheDir = root.filePath(QStringLiteral("cache/velmora")); // made by the check
    places.userSettingsFile = root.filePath(QStringLiteral("config/velmora/usersettings.txt"));
    places.brandDir = bin;

    MainWindowFixture f;
    f.messageBox.answers = {app::MessageBox::Answer::Cancel};
    app::MainWindowServices services =
        f.services(bin, "http://127.0.0.1:9", {}, server.url("/liveupdate/velmora/"));
    services.places = places;
    f.window = std::make_unique<app::TfrmMain>(app::BrandSettings{}, std::move(services));
    QVERIFY(f.show());

    f.find<QToolButton>("btnUpdate")->click();
    QVERIFY(QTest::qWaitFor([&] { return !f.messageBox.shown.isEmpty(); }));
    QTEST(f.messageBox.texts(), "messages");
    QVERIFY(f.platform.started.isEmpty());
    QVERIFY(QFileInfo::exists(QDir(places.cacheDir).filePath(QStringLiteral("mainappupdate.inf"))));
    QCOMPARE(QDir(bin).entryList(QDir::Files), binBefore);
}

QTEST_MAIN(TestInstalledWindow)
#include "tst_InstalledWindow.moc"
