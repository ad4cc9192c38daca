// The news requests' addresses and the readings of replies, without a network. What a
// server sees of the form, and replies over the wire, are in tst_NewsClient.

#include "news/NewsProtocol.h"

#include <QTest>

using namespace velmora::news;

Q_DECLARE_METATYPE(NewsRequestKind)

class TestNewsProtocol : public QObject {
    Q_OBJECT

private slots:
    void baseUrlByProductType_data();
    void baseUrlByProductType();
    void requestUrl_data();
    void requestUrl();
    void trimReply_data();
    void trimReply();
    void latestNewsReading_data();
    void latestNewsReading();
    void failureMessages_data();
    void failureMessages();
};

void TestNewsProtocol::baseUrlByProductType_data() {
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("BM") << QByteArray("BM") << QByteArray("m");
    QTest::newRow("BP") << QByteArray("BP") << QByteArray("p");
    QTest::newRow("BG") << QByteArray("BG") << QByteArray("g");
    QTest::newRow("bm is no code") << QByteArray("bm") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("BMX") << QByteArray("BMX") << QByteArray();
}

void TestNewsProtocol::baseUrlByProductType() {
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, expected);
    QCOMPARE(NewsBaseUrl(type, NewsBaseUrls{"m", "p", "g"}), expected);
}

void TestNewsProtocol::requestUrl_data() {
    QTest::addColumn<QByteArray>("base");
    QTest::addColumn<NewsRequestKind>("kind");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("slash") << QByteArray("http://h/n/") << NewsRequestKind::List
                           << QByteArray("http://h/n/getlastnews.php");
    QTest::newRow("no slash") << QByteArray("http://h/n") << NewsRequestKind::Latest
                              << QByteArray("http://h/n/getlastnews.php");
    QTest::newRow("details") << QByteArray("http://h/n") << NewsRequestKind::Details
                             << QByteArray("http://h/n/getnewsdetails.php");
    QTest::newRow("empty base") << QByteArray() << NewsRequestKind::List << QByteArray("/getlastnews.php");
    QTest::newRow("two slashes kept")
        << QByteArray("http://h//") << NewsRequestKind::Details << QByteArray("http://h//getnewsdetails.php");
    QTest::newRow("query left as it is") << QByteArray("http://h/?a=b c") << NewsRequestKind::List
                                         << QByteArray("http://h/?a=b c/getlastnews.php");
}

void TestNewsProtocol::requestUrl() {
    QFETCH(QByteArray, base);
    QFETCH(NewsRequestKind, kind);
    QFETCH(QByteArray, expected);
    QCOMPARE(NewsRequestUrl(base, kind), expected);
}

void TestNewsProtocol::trimReply_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("blanks and line breaks") << QByteArray(" \r\n\tOK \r\n") << QByteArray("OK");
    QTest::newRow("NUL and control bytes") << QByteArray("\0\x1f"
                                                         "a b\x01\0",
                                                         7)
                                           << QByteArray("a b");
    QTest::newRow("inner blanks kept") << QByteArray(" a \r\n b ") << QByteArray("a \r\n b");
    QTest::newRow("0xAF is no blank") << QByteArray("\xaf"
                                                    "OK\xaf")
                                      << QByteArray("\xaf"
                                                    "OK\xaf");
    QTest::newRow("bytes above 127 kept") << QByteArray("\x80\xff") << QByteArray("\x80\xff");
    QTest::newRow("DEL kept") << QByteArray("\x7f") << QByteArray("\x7f");
    QTest::newRow("only blanks") << QByteArray(" \r\n ") << QByteArray();
}

void TestNewsProtocol::trimReply() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    QCOMPARE(TrimReply(body), expected);
}

void TestNewsProtocol::latestNewsReading_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QByteArray>("title");
    QTest::newRow("id and title") << QByteArray("12^Hello\xaf"
                                                "OK")
                                  << QByteArray("12") << QByteArray("Hello");
    QTest::newRow("OK alone") << QByteArray("OK") << QByteArray() << QByteArray();
    QTest::newRow("id without title") << QByteArray("12\xaf"
                                                    "OK")
                                      << QByteArray("12") << QByteArray();
    QTest::newRow("id and empty title") << QByteArray("12^\xaf"
                                                      "OK")
                                        << QByteArray("12") << QByteArray();
    QTest::newRow("nothing but the closing OK") << QByteArray("\xaf"
                                                              "OK")
                                                << QByteArray() << QByteArray();
    QTest::newRow("title without id") << QByteArray("^Hi\xaf"
                                                    "OK")
                                      << QByteArray() << QByteArray("Hi");
    QTest::newRow("third field ignored") << QByteArray("3^T^2024\xaf"
                                                       "OK")
                                         << QByteArray("3") << QByteArray("T");
    QTest::newRow("every closing OK removed") << QByteArray("4^A\xaf"
                                                            "OKB\xaf"
                                                            "OK")
                                              << QByteArray("4") << QByteArray("AB");
    QTest::newRow("OK in the title stays") << QByteArray("5^BOOKS") << QByteArray("5") << QByteArray("BOOKS");
}

void TestNewsProtocol::latestNewsReading() {
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, id);
    QFETCH(QByteArray, title);
    const LatestNewsResult result = ReadLatestNews(reply);
    QVERIFY(result.ok);
    QCOMPARE(result.NewsId, id);
    QCOMPARE(result.NewsTitle, title);
}

void TestNewsProtocol::failureMessages_data() {
    QTest::addColumn<NewsRequestKind>("kind");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    const QString access =
        QStringLiteral("There is a trouble accessing the news site. Contact your provider.");
    const QString news = QStringLiteral("There is a trouble with this news. Contact your provider.");
    for (const auto& [name, kind] :
         {std::pair{"list", NewsRequestKind::List}, std::pair{"latest", NewsRequestKind::Latest},
          std::pair{"details", NewsRequestKind::Details}}) {
        const QByteArray row(name);
        QTest::newRow(row + ": empty") << kind << QByteArray() << access;
        QTest::newRow(row + ": CONNECTIONFAIL")
            << kind << QByteArray("CONNECTIONFAIL")
            << QStringLiteral("There is a trouble in the settings file on the news site.");
        QTest::newRow(row + ": INVALIDUSER")
            << kind << QByteArray("INVALIDUSER")
            << QStringLiteral("There is a trouble with the Publisher Id. Contact your provider.");
        QTest::newRow(row + ": INVALIDPRODUCT")
            << kind << QByteArray("INVALIDPRODUCT")
            << QStringLiteral("There is a trouble with the product validation. Contact your provider.");
        QTest::newRow(row + ": INVALIDNEWS")
            << kind << QByteArray("INVALIDNEWS") << (kind == NewsRequestKind::Details ? news : QString());
        QTest::newRow(row + ": lower case") << kind << QByteArray("invaliduser") << QString();
        QTest::newRow(row + ": code in a longer text") << kind << QByteArray("INVALIDUSER!") << QString();
    }
}

void TestNewsProtocol::failureMessages() {
    QFETCH(NewsRequestKind, kind);
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    QCOMPARE(NewsFailureMessage(kind, reply), message);
}

QTEST_GUILESS_MAIN(TestNewsProtocol)
#include "tst_NewsProtocol.moc"
