// The update check without its dialogs: the information file, the version comparison, the
// download into the program's folder against a loopback update server, and the updater's
// command line.

#include "news/LiveUpdate.h"
#include "news/NewsClient.h"

#include "LoopbackServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace velmora::news;
using velmora::testing::CannedReply;
using velmora::testing::LoopbackServer;
using velmora::testing::readFileOrMarker;
using velmora::testing::writeFileForTest;

namespace {

CannedReply canned(int status, const QByteArray& body) {
    CannedReply reply;
    reply.status = status;
    reply.body = body;
    return reply;
}

constexpr QByteArrayView Base = "/liveupdate/velmora/";

template <typename Result, typename Ask> Result await(NewsClient& client, Ask ask) {
    std::optional<Result> result;
    ask([&result](const Result& r) { result = r; });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 10000)) {
        client.abort();
        qWarning("the request did not end");
    }
    return result.value_or(Result{});
}

UpdateOffer fetchOffer(NewsClient& client, const QByteArray& base, const QString& dir) {
    return await<UpdateOffer>(client, [&](auto handler) {
        FetchUpdateOffer(client, base, dir, "2.0", nullptr, std::move(handler));
    });
}

DownloadResult download(NewsClient& client, const QByteArray& url, const QString& file) {
    return await<DownloadResult>(
        client, [&](auto handler) { client.DownloadToFile(url, file, -1, nullptr, std::move(handler)); });
}

} // namespace

class TestLiveUpdate : public QObject {
    Q_OBJECT

private slots:
    void readUpdateInfo_data();
    void readUpdateInfo();
    void readVersionNumber_data();
    void readVersionNumber();
    void dialogTexts();
    void updaterCommand();
    void offerFromServer_data();
    void offerFromServer();
    void downloadReplacesFileAndKeepsOnlyTheFinalBody();
    void downloadIntoUnwritableFolderFails();
    void abortedDownloadLeavesNoFile();
};

void TestLiveUpdate::readUpdateInfo_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("version");
    QTest::newRow("plain") << QByteArray("[APPLICATION]\r\nName=Velmora\r\nVersion=2.1\r\n")
                           << QByteArray("Velmora") << QByteArray("2.1");
    QTest::newRow("names in any case")
        << QByteArray("[application]\nNAME=V\nversion=2.2\n") << QByteArray("V") << QByteArray("2.2");
    QTest::newRow("blanks around") << QByteArray("  [ Application ]\n  Version  =  2.3  \n") << QByteArray()
                                   << QByteArray("2.3");
    QTest::newRow("indented key after another")
        << QByteArray("[APPLICATION]\nName=V\n    Version=2.4\n") << QByteArray("V") << QByteArray("2.4");
    QTest::newRow("other section first") << QByteArray("[OTHER]\nVersion=9.9\n[APPLICATION]\nVersion=2.5\n")
                                         << QByteArray() << QByteArray("2.5");
    QTest::newRow("only in another section")
        << QByteArray("[OTHER]\nVersion=9.9\n") << QByteArray() << QByteArray();
    QTest::newRow("before any section") << QByteArray("Version=9.9\n") << QByteArray() << QByteArray();
    QTest::newRow("first value counts")
        << QByteArray("[APPLICATION]\nVersion=2.6\nversion=9.9\n") << QByteArray() << QByteArray("2.6");
    QTest::newRow("quotes removed") << QByteArray("[APPLICATION]\nName=\"V x\"\nVersion='2.7'\n")
                                    << QByteArray("V x") << QByteArray("2.7");
    QTest::newRow("CR line ends") << QByteArray("[APPLICATION]\rName=V\rVersion=2.8") << QByteArray("V")
                                  << QByteArray("2.8");
    QTest::newRow("comments") << QByteArray("; Version=9.9\n[APPLICATION]\n# Version=9.8\nVersion=2.9\n")
                              << QByteArray() << QByteArray("2.9");
    QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf[APPLICATION]\nVersion=3.0\n") << QByteArray()
                                     << QByteArray("3.0");
    QTest::newRow("long line's rest is not a line")
        << (QByteArray("[APPLICATION]\nOther=") + QByteArray(400, 'n') + "Version=9.9\nVersion=3.1\n")
        << QByteArray() << QByteArray("3.1");
    QTest::newRow("garbage") << (QByteArray("\x01\x02<html>") + '\0' + "=[]\n==\n[\n") << QByteArray()
                             << QByteArray();
}

void TestLiveUpdate::readUpdateInfo() {
    QFETCH(QByteArray, ini);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, version);
    const UpdateInfo info = ReadUpdateInfo(ini);
    QCOMPARE(info.Name, name);
    QCOMPARE(info.Version, version);
}

void TestLiveUpdate::readVersionNumber_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<float>("value");
    QTest::newRow("2.1") << QByteArray("2.1") << 2.1f;
    QTest::newRow("2.00000001 is 2 in single precision") << QByteArray("2.00000001") << 2.0f;
    QTest::newRow("2.0000003 is not") << QByteArray("2.0000003") << 2.0000003f;
    QTest::newRow("integer") << QByteArray("3") << 3.0f;
    QTest::newRow("leading point") << QByteArray(".5") << 0.5f;
    QTest::newRow("signs") << QByteArray("+2.5") << 2.5f;
    QTest::newRow("exponent") << QByteArray("21e-1") << 2.1f;
    QTest::newRow("blanks around") << QByteArray(" 2.1 ") << 2.1f;
    QTest::newRow("empty") << QByteArray() << 0.0f;
    QTest::newRow("comma") << QByteArray("2,1") << 0.0f;
    QTest::newRow("trailing text") << QByteArray("2.1beta") << 0.0f;
    QTest::newRow("two points") << QByteArray("2.1.3") << 0.0f;
    QTest::newRow("bare exponent") << QByteArray("2e") << 0.0f;
    QTest::newRow("hexadecimal") << QByteArray("0x10") << 0.0f;
    QTest::newRow("infinity") << QByteArray("inf") << 0.0f;
    QTest::newRow("beyond single precision") << QByteArray("1e39") << 0.0f;
}

void TestLiveUpdate::readVersionNumber() {
    QFETCH(QByteArray, text);
    QFETCH(float, value);
    QCOMPARE(ReadVersionNumber(text), value);
}

void TestLiveUpdate::dialogTexts() {
    QCOMPARE(NewUpdateQuestion(QStringLiteral("2.1")),
             QStringLiteral("There is a new update: (version 2.1) available for your application!. "
                            "Do you want download this update now?"));
    const QString closes = UpdateClosesQuestion();
    QVERIFY(closes.startsWith(
        QStringLiteral("To update your software the application will close to\n\rreplace")));
    QVERIFY(!closes.contains(QStringLiteral("\r\n")));
    QVERIFY(closes.endsWith(QStringLiteral("some files. Do you want to update now?")));
}

void TestLiveUpdate::updaterCommand() {
    const DetachedCommand command =
        UpdaterCommand(QStringLiteral("/opt/app dir"), "http://u.example/liveupdate/velmora/", "2.0");
    QCOMPARE(command.program, QStringLiteral("/opt/app dir/Updater.exe"));
    QCOMPARE(command.arguments, (QList<QString>{QStringLiteral("http://u.example/liveupdate/velmora/"),
                                                QStringLiteral("2.0"), QStringLiteral("A")}));
}

void TestLiveUpdate::offerFromServer_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("newer");
    QTest::addColumn<QByteArray>("versionText");
    QTest::addColumn<QString>("failure"); // what the user is told; empty when the file arrived
    const QByteArray head = "[APPLICATION]\r\nName=Velmora\r\nVersion=";
    const QString none;
    QTest::newRow("2.0: nothing new") << 200 << head + "2.0\r\n"
                                      << true << false << QByteArray("2.0") << none;
    QTest::newRow("2.1: newer") << 200 << head + "2.1\r\n" << true << true << QByteArray("2.1") << none;
    QTest::newRow("1.9: nothing new") << 200 << head + "1.9\r\n"
                                      << true << false << QByteArray("1.9") << none;
    QTest::newRow("2.00000001: nothing new")
        << 200 << head + "2.00000001" << true << false << QByteArray("2.00000001") << none;
    QTest::newRow("garbage") << 200 << QByteArray("<html>Version=9</html>") << true << false << QByteArray()
                             << none;
    QTest::newRow("missing on the server")
        << 404 << QByteArray() << true << false << QByteArray()
        << QStringLiteral("The check for updates failed: the update server answered with status 404.");
    QTest::newRow("server error with a newer file as its page")
        << 500 << head + "9.9" << true << false << QByteArray()
        << QStringLiteral("The check for updates failed: the update server answered with status 500.");
    QTest::newRow("unreachable") << 0 << QByteArray() << false << false << QByteArray()
                                 << QStringLiteral("The check for updates failed: Connection refused.");
    const QString tooLarge = QStringLiteral("The update server's information file is too large (over 1 MiB); "
                                            "it was not read and the check for updates stopped.");
    const QByteArray newer = head + "9.9\r\n";
    QTest::newRow("1 MiB: read") << 200 << newer + QByteArray(MaxUpdateInfoBytes - newer.size(), ';') << true
                                 << true << QByteArray("9.9") << none;
    QTest::newRow("a byte over 1 MiB")
        << 200 << newer + QByteArray(MaxUpdateInfoBytes - newer.size() + 1, ';') << true << false
        << QByteArray() << tooLarge;
    // Status -1: a server that takes the request and never answers.
    QTest::newRow("never answers")
        << -1 << QByteArray() << true << false << QByteArray()
        << QStringLiteral("The update server did not answer for 30 seconds. Try again later.");
}

void TestLiveUpdate::offerFromServer() {
    QFETCH(int, status);
    QFETCH(QByteArray, file);
    QFETCH(bool, reachable);
    QFETCH(bool, newer);
    QFETCH(QByteArray, versionText);
    QFETCH(QString, failure);
    LoopbackServer server;
    CannedReply reply = canned(status, file);
    reply.neverAnswer = status < 0;
    if (status != 404)
        server.setReply(Base.toByteArray() + "mainappupdate.inf", reply);
    const QByteArray base =
        reachable
            ? server.url(Base)
            : "http://127.0.0.1:" + QByteArray::number(LoopbackServer::closedPort()) + Base.toByteArray();
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("mainappupdate.inf"));
    // A copy from an earlier check that announced more must not speak for a failed one.
    const QByteArray earlier = "[APPLICATION]\nVersion=7.0\n";
    writeFileForTest(local, earlier);
    NewsClient client;
    client.setIdleTimeout(std::chrono::milliseconds(300));

    const UpdateOffer offer = fetchOffer(client, base, dir.path());

    QCOMPARE(offer.newer, newer);
    QCOMPARE(offer.versionText, versionText);
    QVERIFY(!offer.aborted);
    const bool arrived = failure.isEmpty();
    QCOMPARE(offer.failed, !arrived);
    QCOMPARE(offer.failed ? UpdateCheckFailedMessage(offer) : QString(), failure);
    // The earlier copy stays until a new one is complete, and nothing else is left beside it.
    QCOMPARE(readFileOrMarker(local), arrived ? file : earlier);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("mainappupdate.inf")});
    QCOMPARE(offer.downloadError.isEmpty(), arrived);
    if (reachable) {
        QCOMPARE(server.requestCount(), 1);
        QCOMPARE(server.requests().front().method, QByteArray("GET"));
        QCOMPARE(server.requests().front().header("User-Agent"),
                 QByteArray("Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)"));
    }
}

void TestLiveUpdate::downloadReplacesFileAndKeepsOnlyTheFinalBody() {
    LoopbackServer server;
    CannedReply moved;
    moved.status = 302;
    moved.body = "moved: this page is not the file";
    moved.headers.append({QByteArray("Location"), server.url("/real")});
    server.setReply("/start", moved);
    CannedReply slow = canned(200, "short");
    slow.chunkSize = 2;
    slow.intervalMs = 5;
    server.setReply("/real", slow);
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("f.inf"));
    writeFileForTest(local, "an older and much longer file");
    NewsClient client;

    const DownloadResult result = download(client, server.url("/start"), local);

    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(readFileOrMarker(local), QByteArray("short"));
}

void TestLiveUpdate::downloadIntoUnwritableFolderFails() {
    LoopbackServer server;
    server.setReply("/f", canned(200, "x"));
    QTemporaryDir dir;
    // A folder that cannot hold the file, even for a user who may write anywhere.
    const QString notAFolder = dir.filePath(QStringLiteral("plain-file"));
    writeFileForTest(notAFolder, "x");
    NewsClient client;

    const DownloadResult result = download(client, server.url("/f"), notAFolder + QStringLiteral("/f.inf"));
    QVERIFY(!result.ok);
    QVERIFY(!result.aborted);
    QVERIFY(result.error.contains(QStringLiteral("f.inf")));
    QCOMPARE(server.requestCount(), 0);

    const UpdateOffer offer = fetchOffer(client, server.url(Base), notAFolder);
    QVERIFY(!offer.newer);
    QVERIFY(!offer.downloadError.isEmpty());
    QCOMPARE(server.requestCount(), 0);
}

void TestLiveUpdate::abortedDownloadLeavesNoFile() {
    LoopbackServer server;
    CannedReply slow = canned(200, QByteArray(200, 'z'));
    slow.chunkSize = 10;
    slow.intervalMs = 30;
    server.setReply("/slow", slow);
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("f.inf"));
    NewsClient client;
    std::optional<DownloadResult> result;
    client.DownloadToFile(server.url("/slow"), local, -1, nullptr,
                          [&](const DownloadResult& r) { result = r; });
    QVERIFY(server.waitForRequests(1));
    QTest::qWait(60); // a few pieces have arrived

    client.abort();

    QVERIFY(result.has_value());
    QVERIFY(result->aborted);
    QVERIFY(!result->ok);
    QVERIFY(QDir(dir.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestLiveUpdate)
#include "tst_LiveUpdate.moc"
