// The news service's replies as the program judges them: trimmed, tested for "OK", read, or
// turned into the user's message. Pure functions, so no server is started; tst_NewsClient sends a
// few of these rows over a loopback server.

#include "news/NewsProtocol.h"

#include <QTest>

using namespace velmora::news;

Q_DECLARE_METATYPE(NewsRequestKind)

namespace {

// A reply row; "~" in body and payload stands for the separator byte 0xAF.
void replyRow(const char* name, NewsRequestKind kind, bool silent, const char* body, bool ok,
              const QString& message, const char* payload) {
    QTest::newRow(name) << kind << silent << QByteArray(body).replace('~', '\xaf') << ok << message
                        << QByteArray(payload).replace('~', '\xaf');
}

} // namespace

class tst_NewsProtocol : public QObject {
    Q_OBJECT

private slots:
    void replies_data() {
        QTest::addColumn<NewsRequestKind>("kind");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("payload"); // records joined by "|", or id "|" title, or the HTML
        const auto L = NewsRequestKind::List;
        const auto N = NewsRequestKind::Latest;
        const auto D = NewsRequestKind::Details;
        const QString none;
        const QString user =
            QStringLiteral("There is a trouble with the Publisher Id. Contact your provider.");
        const QString settings = QStringLiteral("There is a trouble in the settings file on the news site.");
        const QString product =
            QStringLiteral("There is a trouble with the product validation. Contact your provider.");
        const QString news = QStringLiteral("There is a trouble with this news. Contact your provider.");

        replyRow("list: OK alone", L, false, "OK", true, none, "");
        replyRow("list: runs of 0xAF", L, false, "~~1^A~~~2^B~OK", true, none, "1^A|2^B");
        replyRow("list: blanks and line breaks", L, false, "\r\n  1^A~OK \r\n\r\n", true, none, "1^A");
        replyRow("list: control bytes, DEL kept", L, false, "\x01\x1f 1^A~OK\x7f\x01", true, none,
                 "1^A|OK\x7f");
        replyRow("list: OK inside a word", L, false, "BOOKS", true, none, "BOOKS");
        replyRow("list: INVALIDUSER in line breaks", L, false, "\r\n INVALIDUSER\r\n", false, user, "");
        replyRow("list: invaliduser is no code", L, false, "invaliduser", false, none, "");
        replyRow("list: CONNECTIONFAIL", L, false, "CONNECTIONFAIL", false, settings, "");
        replyRow("list: INVALIDNEWS says nothing", L, false, "INVALIDNEWS", false, none, "");
        replyRow("latest: OK alone", N, false, "OK", true, none, "|");
        replyRow("latest: id without title", N, true, "8~OK", true, none, "8|");
        replyRow("latest: nothing readable", N, true, "~OK", true, none, "|");
        replyRow("latest: title without id", N, true, "^Hi~OK", true, none, "|Hi");
        replyRow("latest: third field ignored", N, true, "3^T^2024~OK", true, none, "3|T");
        replyRow("latest: every closing OK removed", N, true, "4^A~OKB~OK", true, none, "4|AB");
        replyRow("latest: INVALIDUSER", N, false, "INVALIDUSER", false, user, "|");
        replyRow("latest: INVALIDUSER, silent", N, true, "INVALIDUSER", false, none, "|");
        replyRow("details: bad escape, empty HTML", D, false, "<p>x$G1~OK", true, none, "");
        replyRow("details: 0xAF and high bytes kept", D, false, "~caf\xe9~b\xe9~OK", true, none,
                 "~caf\xe9~b\xe9");
        replyRow("details: INVALIDPRODUCT", D, false, "INVALIDPRODUCT", false, product, "");
    }

    void replies() {
        QFETCH(NewsRequestKind, kind);
        QFETCH(bool, silent);
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        QFETCH(QString, message);
        QFETCH(QByteArray, payload);
        NewsResult result;
        QByteArray read;
        switch (kind) {
        case NewsRequestKind::List: {
            const NewsListResult list = JudgeNewsListReply(body);
            result = list;
            read = list.records.join('|');
            break;
        }
        case NewsRequestKind::Latest: {
            const LatestNewsResult latest = JudgeLatestNewsReply(body, silent);
            result = latest;
            read = latest.NewsId + '|' + latest.NewsTitle;
            break;
        }
        case NewsRequestKind::Details: {
            const NewsDetailsResult details = JudgeNewsDetailsReply(body);
            result = details;
            read = details.Html;
            break;
        }
        }
        QCOMPARE(result.ok, ok);
        QCOMPARE(result.message, message);
        QCOMPARE(read, payload);
        QVERIFY(!result.aborted && !result.timedOut);
    }
};

QTEST_GUILESS_MAIN(tst_NewsProtocol)
#include "tst_NewsProtocol.moc"
