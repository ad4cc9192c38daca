// Several velmora-batch workers on one list in a test-started PostgreSQL server, against a
// loopback engine, with one of them killed in the middle: in the end every keyword is searched
// and stored exactly once.

#include "HistoryFixture.h"
#include "LoopbackServer.h"

#include "history/ListStore.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <memory>
#include <vector>

using namespace velmora::testing;

namespace {

// The stored list "work" of keywords k1 ... kN, pause 0; false when it cannot be made.
bool MakeList(const FreshLocation& place, int count) {
    QList<QByteArray> keywords;
    for (int i = 1; i <= count; ++i)
        keywords << "k" + QByteArray::number(i);
    auto store = place.open();
    QString why;
    const bool made =
        velmora::history::ListStore(*store)
            .create(QStringLiteral("work"), keywords, {}, velmora::history::Device::Desktop, {0, 0}, &why)
            .has_value();
    if (!made)
        qWarning("%s", qPrintable(why));
    return made;
}

// An engine whose page names its keyword in one ad, a few tenths of a second a search.
void ServeSlowly(LoopbackServer& server) {
    server.setResponder("/search", [](const RecordedRequest& request) {
        CannedReply reply;
        reply.body = "<div><a id=an1 href=\"/x\">" + request.target.mid(request.target.indexOf("q=") + 2) +
                     " deals</a> Cheap<cite>shop.example</cite></div>";
        reply.chunkSize = 16;
        reply.intervalMs = 30;
        return reply;
    });
}

} // namespace

class TestListWorkers : public QObject {
    Q_OBJECT

private slots:
    void oneKilled_data();
    void oneKilled();
    void serverGoesAway();
};

void TestListWorkers::oneKilled_data() {
    QTest::addColumn<int>("workers");
    QTest::newRow("two workers") << 2;
    QTest::newRow("three workers") << 3;
}

void TestListWorkers::oneKilled() {
    QFETCH(int, workers);
    if (Backends().size() < 2)
        QSKIP("PostgreSQL's server programs are not installed (Debian package postgresql)");
    VELMORA_FRESH_LOCATION(place, QStringLiteral("postgresql"));
    constexpr int Keywords = 24;
    QVERIFY(MakeList(place, Keywords));
    LoopbackServer server;
    ServeSlowly(server);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELMORA_SEARCH_BASE_URL"), QString::fromLatin1(server.url()));
    std::vector<std::unique_ptr<QProcess>> running;
    for (int i = 0; i < workers; ++i) {
        auto worker = std::make_unique<QProcess>();
        worker->setProcessEnvironment(environment);
        worker->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        worker->start(QStringLiteral(VELMORA_BATCH_TOOL), {"--worker", "--history", place.text(), "--list",
                                                           "work", "--lease", "2", "--format", "jsonl"});
        QVERIFY(worker->waitForStarted(10000));
        running.push_back(std::move(worker));
    }
    // The first worker dies with a keyword in flight; its lease runs out and another takes it.
    QVERIFY(server.waitForRequests(Keywords / 3, 30000));
    ::kill(pid_t(running.front()->processId()), SIGKILL);
    QVERIFY(running.front()->waitForFinished(10000));
    QCOMPARE(running.front()->exitStatus(), QProcess::CrashExit);
    for (size_t i = 1; i < running.size(); ++i) {
        QVERIFY(running[i]->state() == QProcess::NotRunning || running[i]->waitForFinished(60000));
        QCOMPARE(running[i]->exitStatus(), QProcess::NormalExit);
        QCOMPARE(running[i]->exitCode(), 0);
        // Every worker that lived did its share.
        QVERIFY(running[i]->readAllStandardOutput().count('\n') > 0);
    }

    auto store = place.open();
    QCOMPARE(
        QueryValue(*store, QStringLiteral("SELECT COUNT(*) FROM list_keywords WHERE state = 'done'")).toInt(),
        Keywords);
    QSqlQuery query(store->database());
    QVERIFY(query.exec(QStringLiteral("SELECT k.keyword, COUNT(*) FROM searches s JOIN keywords k"
                                      " ON k.id = s.keyword_id GROUP BY k.keyword")));
    QStringList once;
    while (query.next())
        if (query.value(1).toInt() == 1)
            once << query.value(0).toString();
    QCOMPARE(once.size(), Keywords);
    QCOMPARE(QueryValue(*store, QStringLiteral("SELECT COUNT(*) FROM searches")).toInt(), Keywords);
    // The engine saw no keyword twice but the one in flight at the kill.
    QVERIFY2(server.requestCount() <= Keywords + 1, QByteArray::number(server.requestCount()).constData());
}

// The server stops in the middle of the list and comes back: the worker waits, tries again and
// loses no keyword.
void TestListWorkers::serverGoesAway() {
    if (Backends().size() < 2)
        QSKIP("PostgreSQL's server programs are not installed (Debian package postgresql)");
    VELMORA_FRESH_LOCATION(place, QStringLiteral("postgresql"));
    constexpr int Keywords = 10;
    QVERIFY(MakeList(place, Keywords));
    LoopbackServer server;
    ServeSlowly(server);
    QProcess worker;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELMORA_SEARCH_BASE_URL"), QString::fromLatin1(server.url()));
    worker.setProcessEnvironment(environment);
    worker.start(QStringLiteral(VELMORA_BATCH_TOOL),
                 {"--worker", "--history", place.text(), "--list", "work", "--format", "jsonl"});
    QVERIFY(server.waitForRequests(3, 30000));
    QVERIFY(TestServer().stop());
    QTest::qWait(2500);
    QVERIFY(TestServer().start());
    QVERIFY(worker.state() == QProcess::NotRunning || worker.waitForFinished(90000));
    const QByteArray err = worker.readAllStandardError();
    QVERIFY2(worker.exitStatus() == QProcess::NormalExit && worker.exitCode() == 0, err.constData());
    QVERIFY2(err.contains("Trying again in"), err.constData());
    QCOMPARE(worker.readAllStandardOutput().count('\n'), Keywords);

    auto store = place.open();
    QCOMPARE(
        QueryValue(*store, QStringLiteral("SELECT COUNT(*) FROM list_keywords WHERE state = 'done'")).toInt(),
        Keywords);
    QCOMPARE(QueryValue(*store, QStringLiteral("SELECT COUNT(DISTINCT keyword_id) FROM searches")).toInt(),
             Keywords);
    QCOMPARE(QueryValue(*store, QStringLiteral("SELECT COUNT(*) FROM searches")).toInt(), Keywords);
}

QTEST_GUILESS_MAIN(TestListWorkers)
#include "tst_ListWorkers.moc"
