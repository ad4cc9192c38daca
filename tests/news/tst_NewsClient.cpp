// The news client against a real HTTP server on 127.0.0.1: the form as the server parsed
// it, the replies as the client judges them, and the order and ending of requests.

#include "news/NewsClient.h"

#include "LoopbackServer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace velmora::news;
using velmora::testing::CannedReply;
using velmora::testing::LoopbackServer;
using velmora::testing::RecordedRequest;

Q_DECLARE_METATYPE(NewsRequestKind)

namespace {

CannedReply canned(int status, const QByteArray& body) {
    CannedReply reply;
    reply.status = status;
    reply.body = body;
    return reply;
}

// Whatever a request of any kind handed back, in one shape.
struct Outcome {
    bool ok = false;
    bool aborted = false;
    QString message;
    QByteArray payload; // records joined by "|", or id "|" title, or the HTML
};

using OutcomeHandler = std::function<void(const Outcome&)>;

void ask(NewsClient& client, NewsRequestKind kind, const NewsAccount& account, bool silent,
         const QObject* context, OutcomeHandler handler) {
    switch (kind) {
    case NewsRequestKind::List:
        client.GetNewsList(account, context, [handler](const NewsListResult& r) {
            handler({r.ok, r.aborted, r.message, r.records.join('|')});
        });
        break;
    case NewsRequestKind::Latest:
        client.GetLastNews(account, silent, context, [handler](const LatestNewsResult& r) {
            handler({r.ok, r.aborted, r.message, r.NewsId + '|' + r.NewsTitle});
        });
        break;
    case NewsRequestKind::Details:
        client.GetNewsDetails(account, "42", context, [handler](const NewsDetailsResult& r) {
            handler({r.ok, r.aborted, r.message, r.Html});
        });
        break;
    }
}

Outcome run(NewsClient& client, NewsRequestKind kind, const NewsAccount& account, bool silent = false) {
    std::optional<Outcome> outcome;
    ask(client, kind, account, silent, nullptr, [&outcome](const Outcome& o) { outcome = o; });
    if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 10000)) {
        client.abort(); // ends the request, so the handler never outlives this frame
        qWarning("the request did not end");
    }
    return outcome.value_or(Outcome{});
}

// Bases of the three tiers on one server: with a slash, without, and a deeper path.
NewsAccount accountFor(const LoopbackServer& server, const QByteArray& productType) {
    NewsAccount account;
    account.PublisherId = "publ-" + productType;
    // Line breaks and dashes in a value must not break the form apart.
    account.ProductCode = "RC\r\n--7 \xe9";
    account.ProductType = productType;
    account.baseUrls = {server.url("/m/"), server.url("/p"), server.url("/g/news/")};
    return account;
}

QByteArray scriptOf(NewsRequestKind kind) {
    return kind == NewsRequestKind::Details ? "getnewsdetails.php" : "getlastnews.php";
}

QString accessMessage() {
    return QStringLiteral("There is a trouble accessing the news site. Contact your provider.");
}

} // namespace

class TestNewsClient : public QObject {
    Q_OBJECT

private slots:
    void formAsServerSeesIt_data();
    void formAsServerSeesIt();
    void replies_data();
    void replies();
    void unreachable_data();
    void unreachable();
    void redirects_data();
    void redirects();
    void cookiesKept();
    void tooLongReplyFails();
    void requestsWaitTheirTurn();
    void silentServerTimesOut_data();
    void silentServerTimesOut();
    void abortEndsEverythingOnce();
    void goneContextIsNotCalled();
    void handlerNeverRunsInsideTheCall();
};

void TestNewsClient::formAsServerSeesIt_data() {
    QTest::addColumn<QByteArray>("productType");
    QTest::addColumn<QByteArray>("basePath");
    QTest::addColumn<NewsRequestKind>("kind");
    QTest::addColumn<QByteArray>("fourthName");
    QTest::addColumn<QByteArray>("fourthValue");
    const QList<std::pair<QByteArray, QByteArray>> tiers{{"BM", "/m/"}, {"BP", "/p/"}, {"BG", "/g/news/"}};
    for (const auto& [type, path] : tiers) {
        QTest::newRow(type + " list")
            << type << path << NewsRequestKind::List << QByteArray("conttype") << QByteArray("all");
        QTest::newRow(type + " latest")
            << type << path << NewsRequestKind::Latest << QByteArray("conttype") << QByteArray("lastcode");
        QTest::newRow(type + " details")
            << type << path << NewsRequestKind::Details << QByteArray("newsid") << QByteArray("42");
    }
}

void TestNewsClient::formAsServerSeesIt() {
    QFETCH(QByteArray, productType);
    QFETCH(QByteArray, basePath);
    QFETCH(NewsRequestKind, kind);
    QFETCH(QByteArray, fourthName);
    QFETCH(QByteArray, fourthValue);
    LoopbackServer server;
    const QByteArray path = basePath + scriptOf(kind);
    server.setReply(path, canned(200, "OK"));
    NewsClient client;
    const NewsAccount account = accountFor(server, productType);

    QVERIFY(run(client, kind, account).ok);

    const QList<RecordedRequest> requests = server.requests();
    QCOMPARE(requests.size(), 1);
    const RecordedRequest& request = requests.front();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path, path);
    QCOMPARE(request.header("User-Agent"), QByteArray("Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)"));
    QCOMPARE(request.header("Accept"), QByteArray("text/html, */*"));
    QVERIFY(request.header("Content-Type").startsWith("multipart/form-data; boundary="));
    QCOMPARE(request.header("Accept-Encoding"), QByteArray("identity"));

    QList<std::pair<QByteArray, QByteArray>> seen;
    for (const RecordedRequest::Field& field : request.fields) {
        QVERIFY(field.fileName.isEmpty());
        seen.append({field.name, field.value});
    }
    const QList<std::pair<QByteArray, QByteArray>> expected{{"memusername", "publ-" + productType},
                                                            {"prodcode", "RC\r\n--7 \xe9"},
                                                            {"prodtype", productType},
                                                            {fourthName, fourthValue},
                                                            {"newstarget", "UA"},
                                                            {"something", ""}};
    QCOMPARE(seen, expected);
}

namespace {

// A reply row; "~" in body and payload stands for the separator byte 0xAF.
void replyRow(const char* name, NewsRequestKind kind, bool silent, int status, const char* body, bool ok,
              const QString& message, const char* payload) {
    QTest::newRow(name) << kind << silent << status << QByteArray(body).replace('~', '\xaf') << ok << message
                        << QByteArray(payload).replace('~', '\xaf');
}

} // namespace

void TestNewsClient::replies_data() {
    QTest::addColumn<NewsRequestKind>("kind");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("payload");
    const auto L = NewsRequestKind::List;
    const auto N = NewsRequestKind::Latest;
    const auto D = NewsRequestKind::Details;
    const QString none;
    const QString access = accessMessage();
    const QString news = QStringLiteral("There is a trouble with this news. Contact your provider.");

    // The reply judging itself, row by row, is tested without a network in tst_NewsProtocol; these
    // rows prove the way a reply takes from the wire to the judging, and what only the wire has.
    replyRow("list: records, closing OK", L, false, 200, "1^A^d1~2^B^d2~OK", true, none, "1^A^d1|2^B^d2");
    replyRow("list: empty reply", L, false, 200, "", false, access, "");
    replyRow("list: 404 with OK in its page", L, false, 404, "OK", false, access, "");
    replyRow("latest: id and title", N, false, 200, "\n7^Seven~OK\n", true, none, "7|Seven");
    replyRow("details: escapes decoded", D, false, 200, "<b>$41$42C 100$25</b>~OK\r\n", true, none,
             "<b>ABC 100%</b>");
    replyRow("details: INVALIDNEWS", D, false, 200, " INVALIDNEWS ", false, news, "");
}

void TestNewsClient::replies() {
    QFETCH(NewsRequestKind, kind);
    QFETCH(bool, silent);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, ok);
    QFETCH(QString, message);
    QFETCH(QByteArray, payload);
    LoopbackServer server;
    server.setReply("/m/" + scriptOf(kind), canned(status, body));
    NewsClient client;

    const Outcome outcome = run(client, kind, accountFor(server, "BM"), silent);

    QCOMPARE(outcome.ok, ok);
    QCOMPARE(outcome.message, message);
    QCOMPARE(outcome.payload, payload);
    QVERIFY(!outcome.aborted);
}

void TestNewsClient::unreachable_data() {
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("base");
    QTest::addColumn<NewsRequestKind>("kind");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("message");
    const QByteArray closed = "http://127.0.0.1:" + QByteArray::number(LoopbackServer::closedPort()) + "/n/";
    const QByteArray live = "live"; // stands for the running server's URL
    const auto L = NewsRequestKind::List;
    const auto N = NewsRequestKind::Latest;
    const auto D = NewsRequestKind::Details;
    QTest::newRow("refused") << QByteArray("BG") << closed << L << false << accessMessage();
    QTest::newRow("refused, silent poll") << QByteArray("BG") << closed << N << true << QString();
    QTest::newRow("refused, details") << QByteArray("BG") << closed << D << false << accessMessage();
    QTest::newRow("empty base") << QByteArray("BG") << QByteArray() << L << false << accessMessage();
    QTest::newRow("empty base, silent poll") << QByteArray("BG") << QByteArray() << N << true << QString();
    QTest::newRow("empty base, poll") << QByteArray("BG") << QByteArray() << N << false << accessMessage();
    QTest::newRow("no host") << QByteArray("BG") << QByteArray("http:///n") << D << false << accessMessage();
    QTest::newRow("not a web address")
        << QByteArray("BG") << QByteArray("file:///tmp") << L << false << accessMessage();
    QTest::newRow("product type in lower case") << QByteArray("bg") << live << L << false << accessMessage();
    QTest::newRow("unknown product type") << QByteArray("BF") << live << L << false << accessMessage();
}

void TestNewsClient::unreachable() {
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, base);
    QFETCH(NewsRequestKind, kind);
    QFETCH(bool, silent);
    QFETCH(QString, message);
    LoopbackServer server;
    server.setReply("/n/getlastnews.php", canned(200, "1^A~OK"));
    NewsClient client;
    NewsAccount account;
    account.ProductType = type;
    const QByteArray url = base == "live" ? server.url("/n/") : base;
    account.baseUrls = {url, url, url};

    const Outcome outcome = run(client, kind, account, silent);

    QVERIFY(!outcome.ok);
    QVERIFY(!outcome.aborted);
    QCOMPARE(outcome.message, message);
    QCOMPARE(server.requestCount(), 0);
}

void TestNewsClient::redirects_data() {
    QTest::addColumn<int>("hops");
    QTest::addColumn<bool>("ok");
    QTest::newRow("one") << 1 << true;
    QTest::newRow("fourteen: fifteen requests") << 14 << true;
    QTest::newRow("fifteen: too many") << 15 << false;
}

void TestNewsClient::redirects() {
    QFETCH(int, hops);
    QFETCH(bool, ok);
    LoopbackServer server;
    // A POST answered 302 goes on as a GET, the way browsers do it.
    server.setRedirect("/m/getlastnews.php", server.url("/hop1"));
    for (int hop = 1; hop < hops; ++hop)
        server.setRedirect("/hop" + QByteArray::number(hop),
                           server.url("/hop" + QByteArray::number(hop + 1)));
    server.setReply("/hop" + QByteArray::number(hops), canned(200, "9^Nine\xaf"
                                                                   "OK"));
    NewsClient client;

    const Outcome outcome = run(client, NewsRequestKind::Latest, accountFor(server, "BM"));

    QCOMPARE(outcome.ok, ok);
    QCOMPARE(outcome.payload, ok ? QByteArray("9|Nine") : QByteArray("|"));
    QCOMPARE(server.requestCount(), std::min(hops + 1, 15));
    QCOMPARE(server.requests().back().method, QByteArray("GET"));
}

void TestNewsClient::cookiesKept() {
    LoopbackServer server;
    CannedReply withCookie = canned(200, "OK");
    withCookie.headers.append({QByteArray("Set-Cookie"), QByteArray("session=abc123; Path=/")});
    server.setReply("/m/getlastnews.php", withCookie);
    server.setReply("/m/getnewsdetails.php", canned(200, "OK"));
    NewsClient client;
    const NewsAccount account = accountFor(server, "BM");

    QVERIFY(run(client, NewsRequestKind::List, account).ok);
    QVERIFY(run(client, NewsRequestKind::Details, account).ok);

    const QList<RecordedRequest> requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QVERIFY(!requests[0].hasHeader("Cookie"));
    QCOMPARE(requests[1].header("Cookie"), QByteArray("session=abc123"));
}

void TestNewsClient::tooLongReplyFails() {
    LoopbackServer server;
    server.setReply("/m/getlastnews.php", canned(200, QByteArray(NewsClient::MaxReplyBytes, 'x') + "OK"));
    NewsClient client;

    const Outcome outcome = run(client, NewsRequestKind::List, accountFor(server, "BM"));

    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.message, accessMessage());
}

namespace {

// The list is answered slowly, a byte at a time; the latest news at once.
void serveSlowList(LoopbackServer& server) {
    server.setResponder("/m/getlastnews.php", [](const RecordedRequest& request) {
        CannedReply reply = canned(200, "1^Slow\xaf"
                                        "OK");
        if (request.field("conttype") == "all") {
            reply.chunkSize = 1;
            reply.intervalMs = 30;
        }
        return reply;
    });
}

} // namespace

void TestNewsClient::requestsWaitTheirTurn() {
    LoopbackServer server;
    serveSlowList(server);
    NewsClient client;
    const NewsAccount account = accountFor(server, "BM");
    QList<QByteArray> ended;

    client.GetNewsList(account, nullptr,
                       [&](const NewsListResult& r) { ended.append("list " + r.records.join()); });
    client.GetLastNews(account, true, nullptr,
                       [&](const LatestNewsResult& r) { ended.append("latest " + r.NewsId); });

    QVERIFY(server.waitForRequests(1));
    QTest::qWait(100); // the list is still trickling in
    QCOMPARE(server.requestCount(), 1);
    QVERIFY(client.busy());
    QVERIFY(QTest::qWaitFor([&] { return ended.size() == 2; }, 10000));
    QCOMPARE(ended, (QList<QByteArray>{"list 1^Slow", "latest 1"}));
    QCOMPARE(server.requests().at(1).field("conttype"), QByteArray("lastcode"));
    QVERIFY(!client.busy());
}

void TestNewsClient::abortEndsEverythingOnce() {
    LoopbackServer server;
    serveSlowList(server);
    NewsClient client;
    const NewsAccount account = accountFor(server, "BM");
    QList<QByteArray> ended;
    auto note = [&ended](const char* what) {
        return [&ended, what](const auto& r) {
            QByteArray line = QByteArray(what) + (r.aborted ? " aborted" : " ended");
            if constexpr (requires { r.message; })
                line += r.message.isEmpty() ? "" : " +msg";
            ended.append(line);
        };
    };
    client.GetNewsList(account, nullptr, note("list"));
    client.GetNewsDetails(account, "3", nullptr, note("details"));
    CannedReply silent;
    silent.neverAnswer = true;
    server.setReply("/file", silent);
    QTemporaryDir dir;
    client.DownloadToFile(server.url("/file"), dir.filePath(QStringLiteral("f")), -1, nullptr,
                          note("download"));
    QVERIFY(server.waitForRequests(2));

    client.abort();
    const QList<QByteArray> expected{"list aborted", "details aborted", "download aborted"};
    QCOMPARE(ended, expected);
    QVERIFY(!client.busy());
    client.abort();
    QTest::qWait(100);
    QCOMPARE(ended, expected);
    QCOMPARE(server.requestCount(), 2);
    QVERIFY(QDir(dir.path()).isEmpty());

    // The client serves again afterwards.
    const Outcome after = run(client, NewsRequestKind::Latest, account);
    QVERIFY(after.ok);
    QCOMPARE(after.payload, QByteArray("1|Slow"));
}

void TestNewsClient::silentServerTimesOut_data() {
    QTest::addColumn<NewsRequestKind>("kind");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("trickles"); // a byte every 100 ms: slow, but never quiet for long
    QTest::addColumn<QString>("message");
    const QString noAnswer = QStringLiteral("The news site did not answer for 30 seconds. Try again later.");
    QTest::newRow("list") << NewsRequestKind::List << false << false << noAnswer;
    QTest::newRow("latest, silent poll") << NewsRequestKind::Latest << true << false << QString();
    QTest::newRow("trickling list is no silence") << NewsRequestKind::List << false << true << QString();
}

void TestNewsClient::silentServerTimesOut() {
    QFETCH(NewsRequestKind, kind);
    QFETCH(bool, silent);
    QFETCH(bool, trickles);
    QFETCH(QString, message);
    LoopbackServer server;
    CannedReply reply = canned(200, "1^A\xaf"
                                    "OK");
    reply.neverAnswer = !trickles;
    reply.chunkSize = 1;
    reply.intervalMs = 100;
    server.setReply("/m/" + scriptOf(kind), reply);
    NewsClient client;
    client.setIdleTimeout(std::chrono::milliseconds(300));

    const Outcome outcome = run(client, kind, accountFor(server, "BM"), silent);

    QCOMPARE(outcome.ok, trickles);
    QCOMPARE(outcome.message, message);
    QVERIFY(!outcome.aborted);
    QVERIFY(!client.busy());
}

void TestNewsClient::goneContextIsNotCalled() {
    LoopbackServer server;
    serveSlowList(server);
    NewsClient client;
    const NewsAccount account = accountFor(server, "BM");
    int calls = 0;

    // Gone before its turn: nothing is sent.
    auto* early = new QObject;
    client.GetLastNews(account, true, early, [&](const LatestNewsResult&) { ++calls; });
    delete early;
    // Gone while its request runs: the request ends unseen.
    auto* late = new QObject;
    client.GetNewsList(account, late, [&](const NewsListResult&) { ++calls; });
    QVERIFY(server.waitForRequests(1));
    delete late;

    QVERIFY(QTest::qWaitFor([&] { return !client.busy(); }, 10000));
    QTest::qWait(50);
    QCOMPARE(calls, 0);
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(server.requests().front().field("conttype"), QByteArray("all"));
}

void TestNewsClient::handlerNeverRunsInsideTheCall() {
    NewsClient client;
    NewsAccount noBase; // fails without any network: the quickest ending there is
    noBase.ProductType = "BM";
    bool returned = false;
    std::optional<bool> calledAfterReturn;
    client.GetNewsList(noBase, nullptr, [&](const NewsListResult&) { calledAfterReturn = returned; });
    returned = true;
    QVERIFY(QTest::qWaitFor([&] { return calledAfterReturn.has_value(); }, 5000));
    QVERIFY(*calledAfterReturn);
}

QTEST_GUILESS_MAIN(TestNewsClient)
#include "tst_NewsClient.moc"
