// The last news item read: kept in the reseller's settings file in a portable folder, and in
// the user's own file for an installed program, which never changes the reseller's file.

#include "brand/LastNewsIdStore.h"
#include "util/FileEncryption.h"

#include "BrandedFolder.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora::app;
using velmora::testing::BrandedFolder;

class TestLastNewsIdStore : public QObject {
    Q_OBJECT

private slots:
    void storesWhereThePlaceSays_data();
    void storesWhereThePlaceSays();
    void unwritableConfigFolderLosesNothing();
};

void TestLastNewsIdStore::storesWhereThePlaceSays_data() {
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QByteArray>("resellerText");
    QTest::addColumn<QByteArray>("userText"); // empty: no user file
    QTest::addColumn<QByteArray>("readBefore");
    QTest::addColumn<QByteArray>("userTextAfter");

    const QByteArray brand = "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n";
    const QByteArray brandWithId = brand + "<%%LastNewsId%%>7<%%/LastNewsId%%>\r\n";
    QTest::newRow("portable: in the reseller's file")
        << false << brandWithId << QByteArray() << QByteArray("7") << QByteArray();
    QTest::newRow("installed, no user file: the reseller's id counts until one is stored")
        << true << brandWithId << QByteArray() << QByteArray("7")
        << QByteArray("<%%LastNewsId%%>42<%%/LastNewsId%%>\r\n");
    QTest::newRow("installed: the user's id wins")
        << true << brandWithId << QByteArray("<%%LastNewsId%%>9<%%/LastNewsId%%>\r\n") << QByteArray("9")
        << QByteArray("<%%LastNewsId%%>42<%%/LastNewsId%%>\r\n");
    QTest::newRow("installed: other lines of the user's file stay")
        << true << brand << QByteArray("<%%Other%%>x<%%/Other%%>\n<%%LastNewsId%%>3<%%/LastNewsId%%>")
        << QByteArray("3")
        << QByteArray("<%%Other%%>x<%%/Other%%>\r\n<%%LastNewsId%%>42<%%/LastNewsId%%>\r\n");
}

void TestLastNewsIdStore::storesWhereThePlaceSays() {
    QFETCH(bool, installed);
    QFETCH(QByteArray, resellerText);
    QFETCH(QByteArray, userText);
    QFETCH(QByteArray, userTextAfter);

    BrandedFolder reseller;
    reseller.writeSettings(resellerText);
    QTemporaryDir config;
    // A folder not there yet: the first store makes it.
    const QString userFile = config.filePath(QStringLiteral("velmora/usersettings.txt"));
    if (!userText.isEmpty()) {
        QDir().mkpath(QFileInfo(userFile).path());
        velmora::testing::writeFileForTest(userFile, userText);
    }
    const auto resellerBefore = reseller.contents();
    const LastNewsIdStore store(reseller.filePath(QStringLiteral("dbsettings.dat")),
                                installed ? userFile : QString());

    QTEST(store.read(), "readBefore");
    store.write("42");
    // Read back as the next start would.
    QCOMPARE(
        LastNewsIdStore(reseller.filePath(QStringLiteral("dbsettings.dat")), installed ? userFile : QString())
            .read(),
        QByteArray("42"));
    if (installed) {
        QCOMPARE(reseller.contents(), resellerBefore);
        QCOMPARE(velmora::testing::readFileOrMarker(userFile), userTextAfter);
    } else {
        QVERIFY(reseller.contents() != resellerBefore);
        QVERIFY(!QFileInfo::exists(userFile));
    }
}

void TestLastNewsIdStore::unwritableConfigFolderLosesNothing() {
    BrandedFolder reseller;
    reseller.writeSettings("<%%LastNewsId%%>7<%%/LastNewsId%%>\r\n");
    const auto resellerBefore = reseller.contents();
    // A file where the configuration folder should be: not even root can make the folder.
    QTemporaryDir home;
    velmora::testing::writeFileForTest(home.filePath(QStringLiteral(".config")), {});
    const QString userFile = home.filePath(QStringLiteral(".config/velmora/usersettings.txt"));
    const LastNewsIdStore store(reseller.filePath(QStringLiteral("dbsettings.dat")), userFile);

    try {
        store.write("42");
        QFAIL("the store reported no error");
    } catch (const velmora::util::FileError& error) {
        const QString message = error.message();
        QVERIFY2(message.startsWith(QStringLiteral("The last news item read could not be stored in \"")),
                 qPrintable(message));
        QVERIFY2(message.contains(userFile), qPrintable(message));
        // One sentence.
        QVERIFY2(message.endsWith(QLatin1Char('.')) && !message.contains(QStringLiteral(". ")),
                 qPrintable(message));
    }
    QCOMPARE(reseller.contents(), resellerBefore);
    QCOMPARE(store.read(), QByteArray("7"));
}

QTEST_GUILESS_MAIN(TestLastNewsIdStore)
#include "tst_LastNewsIdStore.moc"
