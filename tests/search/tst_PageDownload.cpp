// The results-page client against a loopback server: progress, the temporary file, failures,
// abort and refusal of a second start.

#include "search/PageDownload.h"
#include "util/RandomSource.h"

#include "FullDisk.h"
#include "LoopbackServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using velmora::search::DownloadResult;
using velmora::search::PageDownload;
using velmora::testing::CannedReply;
using velmora::testing::LoopbackServer;
using Outcome = DownloadResult::Outcome;

Q_DECLARE_METATYPE(velmora::search::DownloadResult)
Q_DECLARE_METATYPE(CannedReply)

namespace {

// A client in its own folder, with every signal recorded.
struct Client {
    QTemporaryDir dir;
    std::unique_ptr<velmora::util::RandomSource> random = velmora::util::SeededRandom(7);
    PageDownload download{dir.path(), *random};
    QSignalSpy begun{&download, &PageDownload::workBegin};
    QSignalSpy progress{&download, &PageDownload::work};
    QSignalSpy ended{&download, &PageDownload::workEnd};
    QSignalSpy finished{&download, &PageDownload::finished};

    DownloadResult result() const { return finished.last().first().value<DownloadResult>(); }
    QStringList leftovers() const { return QDir(dir.path()).entryList(QDir::Files); }
    bool waitFinished() {
        return QTest::qWaitFor([this] { return !finished.isEmpty(); }, 10000);
    }
};

QByteArray bodyOf(int size) {
    QByteArray body;
    for (int i = 0; body.size() < size; ++i)
        body += "line " + QByteArray::number(i) + "\n";
    return body.left(size - 1) + '\n';
}

CannedReply trickled(const QByteArray& body, int chunk, int intervalMs) {
    CannedReply reply;
    reply.body = body;
    reply.chunkSize = chunk;
    reply.intervalMs = intervalMs;
    return reply;
}

} // namespace

class TestPageDownload : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<DownloadResult>(); }
    void completes_data();
    void completes();
    void failures_data();
    void failures();
    void abortIsSafeTwiceAndFreesEverything();
    void secondStartIsRefused();
    void nameInUseDrawsAnother();
    void fileThatCannotBeCreatedSendsNothing();
    void fullDiskIsNamed_data();
    void fullDiskIsNamed();
};

void TestPageDownload::completes_data() {
    QTest::addColumn<CannedReply>("reply");
    QTest::addColumn<bool>("redirected");
    QTest::addColumn<qint64>("expectedTotal");

    const QByteArray body = bodyOf(5000);
    QTest::newRow("known length") << trickled(body, 1000, 10) << false << qint64(5000);
    CannedReply unknown = trickled(body, 1000, 10);
    unknown.announceLength = false;
    QTest::newRow("unknown length") << unknown << false << qint64(0);
    QTest::newRow("after a redirect") << trickled(body, 0, 0) << true << qint64(5000);
}

void TestPageDownload::completes() {
    QFETCH(CannedReply, reply);
    QFETCH(bool, redirected);
    QFETCH(qint64, expectedTotal);
    LoopbackServer server;
    server.setReply("/page", reply);
    server.setRedirect("/start", server.url("/page"));
    Client c;
    QVERIFY(c.download.start(QUrl::fromEncoded(server.url(redirected ? "/start" : "/page"))));
    QVERIFY(c.download.isRunning());
    QCOMPARE(c.leftovers().size(), 1); // the file exists while the body arrives
    QVERIFY(c.waitFinished());

    QCOMPARE(c.finished.size(), 1);
    const DownloadResult result = c.result();
    QCOMPARE(int(result.outcome), int(Outcome::Completed));
    QCOMPARE(result.finalUrl, QUrl::fromEncoded(server.url("/page")));
    // Read back as page text: every line ends in CR LF.
    QByteArray expected = reply.body;
    expected.replace("\n", "\r\n");
    QCOMPARE(result.pageText, expected);
    // Begin once with the announced total, counts that only grow up to the body's size, one end.
    QCOMPARE(c.begun.size(), 1);
    QCOMPARE(c.begun.first().first().toLongLong(), expectedTotal);
    qint64 last = 0;
    for (const QList<QVariant>& signal : c.progress) {
        QVERIFY(signal.first().toLongLong() >= last);
        last = signal.first().toLongLong();
    }
    QCOMPARE(last, qint64(reply.body.size()));
    if (reply.chunkSize > 0)
        QVERIFY(c.progress.size() >= 2); // the count moved while the body trickled
    QCOMPARE(c.ended.size(), 1);
    QVERIFY(!c.download.isRunning());
    QCOMPARE(c.leftovers(), QStringList());
}

void TestPageDownload::failures_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("requests"); // what the server saw

    // Error statuses and a refused connection are tested through the window.
    QTest::newRow("endless redirects") << QByteArray("/loop") << 15;
    QTest::newRow("body cut short") << QByteArray("/cut") << 0; // not this server
}

void TestPageDownload::failures() {
    QFETCH(QByteArray, path);
    QFETCH(int, requests);
    LoopbackServer server;
    server.setRedirect("/loop", server.url("/loop"));
    // Announces more than it sends, then closes the connection.
    QTcpServer cutter;
    QVERIFY(cutter.listen(QHostAddress::LocalHost));
    connect(&cutter, &QTcpServer::newConnection, &cutter, [&cutter] {
        QTcpSocket* socket = cutter.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial");
            socket->disconnectFromHost();
        });
    });
    QByteArray url = server.url(path);
    if (path == "/cut")
        url = "http://127.0.0.1:" + QByteArray::number(cutter.serverPort()) + "/cut";
    Client c;
    QVERIFY(c.download.start(QUrl::fromEncoded(url)));
    QVERIFY(c.waitFinished());
    QCOMPARE(c.finished.size(), 1);
    QCOMPARE(int(c.result().outcome), int(Outcome::Failed));
    QVERIFY(c.result().pageText.isEmpty());
    QVERIFY(!c.result().errorText.isEmpty());
    QCOMPARE(c.ended.size(), 0);
    QCOMPARE(server.requestCount(), requests);
    QCOMPARE(c.leftovers(), QStringList());
}

void TestPageDownload::abortIsSafeTwiceAndFreesEverything() {
    LoopbackServer server;
    server.setReply("/slow", trickled(bodyOf(4000), 100, 50));
    Client c;
    QVERIFY(c.download.start(QUrl::fromEncoded(server.url("/slow"))));
    QVERIFY(QTest::qWaitFor([&] { return !c.progress.isEmpty(); }, 5000));
    const QString file = c.download.temporaryFileName();
    QVERIFY(QFile::exists(file));

    c.download.abort();
    // Reported before abort() returns, exactly once.
    QCOMPARE(c.finished.size(), 1);
    QCOMPARE(int(c.result().outcome), int(Outcome::Aborted));
    QVERIFY(!c.download.isRunning());
    QVERIFY(!QFile::exists(file));
    c.download.abort();
    QTest::qWait(150); // a few more pieces would have arrived by now
    QCOMPARE(c.finished.size(), 1);
    QCOMPARE(c.ended.size(), 0);
    // The reply is gone once the event loop has run.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(c.download.findChildren<QNetworkReply*>().isEmpty());
    QCOMPARE(c.leftovers(), QStringList());
}

void TestPageDownload::secondStartIsRefused() {
    LoopbackServer server;
    server.setReply("/slow", trickled(bodyOf(600), 100, 30));
    server.setReply("/other", CannedReply{});
    Client c;
    QVERIFY(c.download.start(QUrl::fromEncoded(server.url("/slow"))));
    const QString file = c.download.temporaryFileName();
    QVERIFY(!c.download.start(QUrl::fromEncoded(server.url("/other"))));
    QCOMPARE(c.download.temporaryFileName(), file);
    QVERIFY(c.waitFinished());
    QCOMPARE(c.finished.size(), 1);
    QCOMPARE(c.result().finalUrl, QUrl::fromEncoded(server.url("/slow")));
    QCOMPARE(server.requestCount(), 1);
    // Free again once it ended.
    QVERIFY(c.download.start(QUrl::fromEncoded(server.url("/other"))));
    QTRY_COMPARE(c.finished.size(), 2);
}

void TestPageDownload::nameInUseDrawsAnother() {
    LoopbackServer server;
    CannedReply fresh;
    fresh.body = "fresh";
    server.setReply("/page", fresh);
    Client c;
    // The first number the client's generator will draw.
    const int first = velmora::util::SeededRandom(7)->pick(1000);
    const QString taken = QDir(c.dir.path()).filePath(QStringLiteral("test%1.html").arg(first));
    velmora::testing::writeFileForTest(taken, "another copy's page");

    QVERIFY(c.download.start(QUrl::fromEncoded(server.url("/page"))));
    const QString used = c.download.temporaryFileName();
    QVERIFY(used != taken);
    QVERIFY(QFileInfo(used).fileName().startsWith(QStringLiteral("test")));
    QVERIFY(used.endsWith(QStringLiteral(".html")));
    QVERIFY(c.waitFinished());
    QCOMPARE(c.result().pageText, QByteArray("fresh\r\n"));
    // The other file is neither read nor removed.
    QCOMPARE(velmora::testing::readFileOrMarker(taken), QByteArray("another copy's page"));
    QCOMPARE(c.leftovers(), QStringList{QFileInfo(taken).fileName()});
}

void TestPageDownload::fileThatCannotBeCreatedSendsNothing() {
    LoopbackServer server;
    server.setReply("/page", CannedReply{});
    Client c;
    const QString missing = c.dir.filePath(QStringLiteral("no such folder"));
    PageDownload download(missing, *c.random);
    QSignalSpy finished(&download, &PageDownload::finished);
    try {
        download.start(QUrl::fromEncoded(server.url("/page")));
        QFAIL("no error");
    } catch (const std::runtime_error& error) {
        QVERIFY2(QString::fromLocal8Bit(error.what()).contains(QDir::toNativeSeparators(missing)),
                 error.what());
    }
    QVERIFY(!download.isRunning());
    QTest::qWait(50);
    QCOMPARE(server.requestCount(), 0);
    QCOMPARE(finished.size(), 0);
}

// A page that does not fit on the disk is not blamed on the connection; small pages fail when
// the last bytes are flushed, large ones while they arrive.
void TestPageDownload::fullDiskIsNamed_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("small page") << 3000;
    QTest::newRow("large page") << 200000;
}

void TestPageDownload::fullDiskIsNamed() {
    QFETCH(int, size);
    velmora::testing::FullDisk disk;
    VELMORA_REQUIRE_FULL_DISK(disk);
    LoopbackServer server;
    server.setReply("/page", trickled(bodyOf(size), 0, 0));
    std::unique_ptr<velmora::util::RandomSource> random = velmora::util::SeededRandom(7);
    PageDownload download(disk.path(), *random);
    QSignalSpy finished(&download, &PageDownload::finished);
    QVERIFY(download.start(QUrl::fromEncoded(server.url("/page"))));
    QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 10000));
    const DownloadResult result = finished.last().first().value<DownloadResult>();
    QCOMPARE(int(result.outcome), int(Outcome::Failed));
    QCOMPARE(velmora::search::DownloadEndStatus(result, false),
             QStringLiteral("Could not write the downloaded page: No space left on device."));
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files), QStringList{QStringLiteral("filler")});
}

QTEST_GUILESS_MAIN(TestPageDownload)
#include "tst_PageDownload.moc"
