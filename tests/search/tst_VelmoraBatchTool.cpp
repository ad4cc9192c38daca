// velmora-batch run as a separate program against a loopback engine: the rows on standard output,
// the exit statuses, the usage errors, and the phone's searches through the web engine module.

#include "LoopbackServer.h"
#include "search/OffscreenPage.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using velmora::testing::CannedReply;
using velmora::testing::LoopbackServer;
using velmora::testing::RecordedRequest;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runBatch(const QByteArray& engine, const QStringList& arguments, const QByteArray& keywords,
             const QString& tool = QStringLiteral(VELMORA_BATCH_TOOL)) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELMORA_SEARCH_BASE_URL"), QString::fromLatin1(engine));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM")); // a phone's run chooses the offscreen one itself
    process.setProcessEnvironment(environment);
    process.start(tool, arguments + QStringList{QStringLiteral("-")});
    if (!process.waitForStarted(10000))
        return {};
    process.write(keywords);
    process.closeWriteChannel();
    // The loopback server answers on its own threads, so waiting here blocks nothing it needs.
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// The first column of what a query finds in a SQLite history.
QStringList StoredValues(const QString& history, const QString& sql) {
    QStringList values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("look"));
        db.setDatabaseName(history);
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(sql);
            while (query.next())
                values << query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("look"));
    return values;
}

// A results page whose one ad names its keyword (in today's layout, below the results, for
// keywords that start with "bottom"), a server error for "broken", the captcha for "captcha".
void serveEngine(LoopbackServer& server) {
    server.setResponder("/search", [](const RecordedRequest& request) {
        const qsizetype from = request.target.indexOf("q=") + 2;
        const QByteArray keyword = request.target.mid(from, request.target.indexOf('&', from) - from);
        CannedReply reply;
        if (keyword.startsWith("broken")) {
            reply.status = 500;
        } else if (keyword == "captcha") {
            reply.status = 302;
            reply.headers = {{"Location", "/sorry/index"}};
        } else if (keyword.startsWith("bottom")) {
            reply.body = "<div id=bottomads><div data-text-ad><span>Sponsored</span><a data-rw=\"/aclk?x\">"
                         "<div role=heading>" +
                         keyword +
                         " deals</div><span role=text>shop.example</span></a><div>Cheap</div></div>";
        } else {
            reply.body = "<div><a id=an1 href=\"/x\">" + keyword +
                         " \"deals\"</a> Cheap<cite>shop.example</cite></div>";
        }
        return reply;
    });
    CannedReply captcha;
    captcha.body = "<form id=captcha-form></form>";
    server.setReply("/sorry/index", captcha);
}

} // namespace

class TestVelmoraBatchTool : public QObject {
    Q_OBJECT

private slots:
    void exitStatuses_data();
    void exitStatuses();
    void jsonLines();
    void resumeAfterSignal_data();
    void resumeAfterSignal();
    void phone_data();
    void phone();
};

void TestVelmoraBatchTool::exitStatuses_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("keywords");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("errContains");

    const QByteArray header = "\"Ad Title\",\"Ad Text\",\"Ad URL\",\"Used Keyword\",\"Position\"\r\n";
    const QStringList noPause{QStringLiteral("--pause"), QStringLiteral("0")};
    QTest::newRow("all done, quotes doubled")
        << noPause << QByteArray("shoes\r\nboots\n\nshoes\n")
        << 0
        // The classic rules keep the space before the ad text.
        << header + "\"shoes \"\"deals\"\"\",\" Cheap\",\"shop.example\",\"shoes\",\"1\"\r\n"
                    "\"boots \"\"deals\"\"\",\" Cheap\",\"shop.example\",\"boots\",\"1\"\r\n"
        << QByteArray("2 keywords; 1 blank line and 1 repeat skipped.");
    QTest::newRow("some failed, named")
        << noPause << QByteArray("broken1\nshoes\n") << 1
        << header + "\"shoes \"\"deals\"\"\",\" Cheap\",\"shop.example\",\"shoes\",\"1\"\r\n"
        << QByteArray("failed: broken1");
    QTest::newRow("captcha stops") << noPause << QByteArray("captcha\nshoes\n") << 3 << header
                                   << QByteArray("2 of 2 keywords not searched");
    QTest::newRow("reversed pause") << QStringList{"--pause", "40-20"} << QByteArray("shoes\n") << 2
                                    << QByteArray() << QByteArray("above its most");
    QTest::newRow("country of three letters")
        << QStringList{"--country", "deu"} << QByteArray("shoes\n") << 2 << QByteArray()
        << QByteArray("The country must be two letters");
    QTest::newRow("worker on a file history")
        << QStringList{"--worker", "--history", "h.sqlite", "--list", "shoes"} << QByteArray() << 2
        << QByteArray() << QByteArray("--worker needs a PostgreSQL history");
    QTest::newRow("resume without history") << QStringList{"--resume", "shoes"} << QByteArray() << 2
                                            << QByteArray() << QByteArray("--resume needs");
    QTest::newRow("no such device") << QStringList{"--device", "tablet"} << QByteArray("shoes\n") << 2
                                    << QByteArray() << QByteArray("the device is desktop or phone");
    QTest::newRow("UTF-16 list refused")
        << noPause << QByteArray("\xff\xfes\0h\0", 6) << 2 << QByteArray() << QByteArray("UTF-16");
}

void TestVelmoraBatchTool::exitStatuses() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, keywords);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, errContains);
    LoopbackServer server;
    serveEngine(server);
    const Run run = runBatch(server.url(), arguments, keywords);
    QVERIFY2(run.err.contains(errContains), run.err.constData());
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, out);
}

// One line an ad, with where the ad stands (unknown on the classic page) as the history keeps it.
void TestVelmoraBatchTool::jsonLines() {
    LoopbackServer server;
    serveEngine(server);
    QTemporaryDir folder;
    const QString history = folder.filePath(QStringLiteral("history.sqlite"));
    const Run run = runBatch(
        server.url(),
        {"--pause", "0", "--format", "jsonl", "--country", "DE", "--language", "en", "--history", history},
        "red shoes\nbottom lamps\n");
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(server.requests().at(0).target, QByteArray("/search?q=red+shoes&gl=de&hl=en"));
    QVERIFY(run.out.endsWith('\n'));
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    const QJsonObject row = QJsonDocument::fromJson(lines[0]).object();
    QCOMPARE(row.value(QStringLiteral("title")).toString(), QStringLiteral("red+shoes \"deals\""));
    QCOMPARE(row.value(QStringLiteral("keyword")).toString(), QStringLiteral("red shoes"));
    QCOMPARE(row.value(QStringLiteral("position")).toInt(), 1);
    QCOMPARE(row.value(QStringLiteral("market")).toString(), QStringLiteral("de/en"));
    QCOMPARE(row.value(QStringLiteral("device")).toString(), QStringLiteral("desktop"));
    QCOMPARE(row.value(QStringLiteral("block")).toString(), QString());
    QVERIFY(!row.value(QStringLiteral("time")).toString().isEmpty());
    const QJsonObject below = QJsonDocument::fromJson(lines[1]).object();
    QCOMPARE(below.value(QStringLiteral("title")).toString(), QStringLiteral("bottom+lamps deals"));
    QCOMPARE(below.value(QStringLiteral("block")).toString(), QStringLiteral("bottom"));
    QCOMPARE(
        StoredValues(history, QStringLiteral("SELECT '<' || block || '>' FROM sightings ORDER BY search_id")),
        (QStringList{"<>", "<bottom>"}));
}

void TestVelmoraBatchTool::resumeAfterSignal_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode"); // -1: killed, no exit of its own
    QTest::newRow("SIGKILL") << int(SIGKILL) << -1;
    QTest::newRow("SIGINT") << int(SIGINT) << 130;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
}

// A run stopped by a signal in the middle of its list, then resumed from the history: every
// keyword is in the history once, and the engine saw none twice but the one in flight.
void TestVelmoraBatchTool::resumeAfterSignal() {
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    LoopbackServer server;
    server.setResponder("/search", [](const RecordedRequest& request) {
        CannedReply reply;
        const qsizetype from = request.target.indexOf("q=") + 2;
        reply.body = "<div><a id=an1 href=\"/x\">" + request.target.mid(from) +
                     " deals</a> Cheap<cite>shop.example</cite></div>";
        reply.chunkSize = 16; // a search takes a few tenths of a second
        reply.intervalMs = 40;
        return reply;
    });
    QTemporaryDir folder;
    const QString history = folder.filePath(QStringLiteral("history.sqlite"));
    const QString list = folder.filePath(QStringLiteral("shoes.txt"));
    QList<QByteArray> keywords;
    for (int i = 1; i <= 8; ++i)
        keywords << "k" + QByteArray::number(i);
    {
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(keywords.join('\n'));
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELMORA_SEARCH_BASE_URL"), QString::fromLatin1(server.url()));

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(VELMORA_BATCH_TOOL), {"--pause", "0", "--history", history, "--output",
                                                     folder.filePath(QStringLiteral("1.csv")), list});
    QVERIFY(server.waitForRequests(3, 20000));
    ::kill(pid_t(first.processId()), signal);
    QVERIFY(first.waitForFinished(20000));
    const QByteArray firstErr = first.readAllStandardError();
    if (exitCode < 0) {
        QCOMPARE(first.exitStatus(), QProcess::CrashExit);
    } else {
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), exitCode);
        QVERIFY2(firstErr.contains("to go on: velmora-batch --history"), firstErr.constData());
    }

    const auto stored = [&](const QString& sql) { return StoredValues(history, sql); };
    QFile firstOut(folder.filePath(QStringLiteral("1.csv")));
    QVERIFY(firstOut.open(QIODevice::ReadOnly));
    const QByteArray firstRows = firstOut.readAll();
    const int done =
        stored(QStringLiteral("SELECT COUNT(*) FROM list_keywords WHERE state = 'done'")).value(0).toInt();
    QVERIFY(done >= 2 && done < 8);
    QVERIFY(firstRows.endsWith("\r\n"));
    // Stopped by the signal, the rows written and the progress kept agree.
    if (exitCode >= 0)
        QCOMPARE(int(firstRows.count('\n')) - 1, done);

    const Run resumed = [&] {
        QProcess second;
        second.setProcessEnvironment(environment);
        second.start(QStringLiteral(VELMORA_BATCH_TOOL),
                     {"--history", history, "--resume", "shoes", "--output",
                      folder.filePath(QStringLiteral("2.csv"))});
        if (!second.waitForFinished(30000) || second.exitStatus() != QProcess::NormalExit)
            return Run{-1, {}, second.readAllStandardError()};
        return Run{second.exitCode(), {}, second.readAllStandardError()};
    }();
    QVERIFY2(resumed.exitCode == 0, resumed.err.constData());
    QStringList expected;
    for (const QByteArray& keyword : keywords)
        expected << QString::fromLatin1(keyword) + QStringLiteral(" 1");
    QCOMPARE(stored(QStringLiteral("SELECT k.keyword || ' ' || COUNT(*) FROM searches s JOIN keywords k"
                                   " ON k.id = s.keyword_id GROUP BY k.keyword ORDER BY MIN(s.id)")),
             expected);
    QFile secondOut(folder.filePath(QStringLiteral("2.csv")));
    QVERIFY(secondOut.open(QIODevice::ReadOnly));
    const QByteArray rows = firstRows + secondOut.readAll();
    for (const QByteArray& keyword : keywords)
        QVERIFY2(rows.contains(",\"" + keyword + "\","), keyword.constData());
    int searches = 0;
    for (const RecordedRequest& request : server.requests())
        searches += request.path == "/search" ? 1 : 0;
    QVERIFY2(searches == 8 || searches == 9, QByteArray::number(searches).constData());
}

void TestVelmoraBatchTool::phone_data() {
    QTest::addColumn<bool>("besideModule"); // the tool as built, or a copy alone in a folder
    QTest::addColumn<bool>("captcha");      // the engine answers with its captcha page
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("errContains");
    QTest::newRow("through the web engine") << true << false << 0 << QByteArray("1 of 1 \xC2\xB7 shoes");
    QTest::newRow("captcha: nobody to answer it")
        << true << true << 3 << QByteArray("1 of 1 keywords not searched");
    QTest::newRow("module missing") << false << false << 2
                                    << QByteArray(
                                           "A phone's search needs the web engine. The web engine module");
}

void TestVelmoraBatchTool::phone() {
    QFETCH(bool, besideModule);
    QFETCH(bool, captcha);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, errContains);
#ifndef VELMORA_WEBENGINE_BUILT
    if (besideModule)
        QSKIP("the web engine module is not built here");
#endif
    LoopbackServer server;
    CannedReply reply;
    // One text ad in today's layout, as the engine serves it to a phone.
    reply.body = "<html><body><div id=\"tads\"><div data-text-ad=\"1\"><span>Sponsored</span>"
                 "<a data-rw=\"/aclk?x\" href=\"/t\"><div role=\"heading\">Shoes on the go</div>"
                 "<span role=\"text\">m.shop.example</span></a><div><span>Tap to buy</span></div></div>"
                 "</div></body></html>";
    if (captcha)
        serveEngine(server); // its captcha page, for the keyword "captcha"
    else
        server.setReply("/search", reply);
    QTemporaryDir alone;
    const QString copy = alone.filePath(QStringLiteral("velmora-batch"));
    QVERIFY(besideModule || QFile::copy(QStringLiteral(VELMORA_BATCH_TOOL), copy));
    const Run run =
        runBatch(server.url(), {"--device", "phone", "--pause", "0", "--format", "jsonl", "--language", "en"},
                 captcha ? "captcha\n" : "shoes\n", besideModule ? QStringLiteral(VELMORA_BATCH_TOOL) : copy);
    QVERIFY2(run.err.contains(errContains), run.err.constData());
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(server.requestCount() > 0, besideModule);
    if (exitCode != 0) {
        QCOMPARE(run.out, QByteArray());
        return;
    }
    QCOMPARE(server.requests().first().header("User-Agent"), velmora::search::CurrentPhone().userAgent);
    const QJsonObject row = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(row.value(QStringLiteral("title")).toString(), QStringLiteral("Shoes on the go"));
    QCOMPARE(row.value(QStringLiteral("device")).toString(), QStringLiteral("phone"));
    QCOMPARE(row.value(QStringLiteral("market")).toString(), QStringLiteral("/en"));
}

QTEST_GUILESS_MAIN(TestVelmoraBatchTool)
#include "tst_VelmoraBatchTool.moc"
