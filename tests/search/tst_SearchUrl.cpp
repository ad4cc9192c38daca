// The keyword as it goes into the results page's address, and without its control characters.

#include "search/SearchUrl.h"

#include <QTest>

using velmora::search::KeywordWithoutControls;
using velmora::search::Market;
using velmora::search::MarketName;
using velmora::search::ParseMarketCode;
using velmora::search::SearchUrl;
using velmora::search::SearchUrlPrefix;

class TestSearchUrl : public QObject {
    Q_OBJECT

private slots:
    void encodes_data();
    void encodes();
    void controlCharactersRemoved_data();
    void controlCharactersRemoved();
    void market_data();
    void market();
    void marketCodes_data();
    void marketCodes();
};

void TestSearchUrl::encodes_data() {
    QTest::addColumn<QByteArray>("keyword"); // as typed, UTF-8
    QTest::addColumn<QByteArray>("query");   // what follows "q="

    // Letters, digits, blanks and double quotes: the classic addresses, byte for byte.
    QTest::newRow("two words") << QByteArray("red shoes") << QByteArray("red+shoes");
    QTest::newRow("quoted phrase") << QByteArray("\"blue suede\"") << QByteArray("%22blue+suede%22");
    QTest::newRow("leading space") << QByteArray(" ipod") << QByteArray("+ipod");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("case and digits kept") << QByteArray("iPod Nano 4GB") << QByteArray("iPod+Nano+4GB");
    // What would otherwise end or change the query value.
    QTest::newRow("ampersand") << QByteArray("salt&pepper") << QByteArray("salt%26pepper");
    QTest::newRow("plus") << QByteArray("c++ book") << QByteArray("c%2B%2B+book");
    QTest::newRow("percent and hash") << QByteArray("50% #1") << QByteArray("50%25+%231");
    QTest::newRow("equals and slash") << QByteArray("a=b/c?") << QByteArray("a%3Db%2Fc%3F");
    QTest::newRow("unreserved kept") << QByteArray("a-b.c_d~e") << QByteArray("a-b.c_d~e");
    QTest::newRow("non-ASCII as UTF-8")
        << QByteArray("caf\xc3\xa9 \xe2\x82\xac") << QByteArray("caf%C3%A9+%E2%82%AC");
    QTest::newRow("control bytes") << QByteArray("a\tb\nc", 5) << QByteArray("a%09b%0Ac");
}

void TestSearchUrl::encodes() {
    QFETCH(QByteArray, keyword);
    QFETCH(QByteArray, query);
    const QByteArray prefix = SearchUrlPrefix("https://engine.example");
    QCOMPARE(prefix, QByteArray("https://engine.example/search?q="));
    QCOMPARE(SearchUrl(prefix, keyword), prefix + query);
}

void TestSearchUrl::controlCharactersRemoved_data() {
    QTest::addColumn<QByteArray>("typed"); // UTF-8
    QTest::addColumn<QByteArray>("kept");

    QTest::newRow("plain text stays") << QByteArray(" red  shoes ") << QByteArray(" red  shoes ");
    QTest::newRow("line end pasted after it") << QByteArray("shoes\r\n") << QByteArray("shoes");
    QTest::newRow("CR, LF, tab and NUL inside")
        << QByteArray("red\r\nsh\0o\tes", 12) << QByteArray("redshoes");
    // Octal escapes: a hex escape would take the letter after it in.
    QTest::newRow("C0 bytes and DEL") << QByteArray("\001a\037\177") << QByteArray("a");
    QTest::newRow("C1 controls in UTF-8") << QByteArray("a\302\200b\302\237") << QByteArray("ab");
    QTest::newRow("letters next to them stay")
        << QByteArray("\302\240caf\303\251 \302\177") << QByteArray("\302\240caf\303\251 \302");
    QTest::newRow("controls only") << QByteArray("\r\n\t") << QByteArray();
}

void TestSearchUrl::controlCharactersRemoved() {
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, kept);
    QCOMPARE(KeywordWithoutControls(typed), kept);
}

void TestSearchUrl::market_data() {
    QTest::addColumn<QByteArray>("country");
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("stored"); // in the history

    // No market: the address of a plain search, byte for byte.
    QTest::newRow("none") << QByteArray() << QByteArray()
                          << QByteArray("https://engine.example/search?q=red+shoes") << QByteArray();
    QTest::newRow("both") << QByteArray("de") << QByteArray("en")
                          << QByteArray("https://engine.example/search?q=red+shoes&gl=de&hl=en")
                          << QByteArray("de/en");
    QTest::newRow("country only") << QByteArray("ch") << QByteArray()
                                  << QByteArray("https://engine.example/search?q=red+shoes&gl=ch")
                                  << QByteArray("ch/");
    QTest::newRow("language only") << QByteArray() << QByteArray("fr")
                                   << QByteArray("https://engine.example/search?q=red+shoes&hl=fr")
                                   << QByteArray("/fr");
}

void TestSearchUrl::market() {
    QFETCH(QByteArray, country);
    QFETCH(QByteArray, language);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, stored);
    const Market market{country, language};
    QCOMPARE(SearchUrl(SearchUrlPrefix("https://engine.example"), "red shoes", market), address);
    QCOMPARE(MarketName(market), stored);
}

void TestSearchUrl::marketCodes_data() {
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("code");

    QTest::newRow("lower case") << QByteArray("de") << true << QByteArray("de");
    QTest::newRow("upper case lowered") << QByteArray("GB") << true << QByteArray("gb");
    QTest::newRow("empty: none") << QByteArray() << true << QByteArray();
    QTest::newRow("three letters") << QByteArray("deu") << false << QByteArray();
    QTest::newRow("one letter") << QByteArray("d") << false << QByteArray();
    QTest::newRow("digit") << QByteArray("d1") << false << QByteArray();
    QTest::newRow("would end the query value") << QByteArray("d&") << false << QByteArray();
    QTest::newRow("non-ASCII letter") << QByteArray("\xc3\xa9") << false << QByteArray();
}

void TestSearchUrl::marketCodes() {
    QFETCH(QByteArray, given);
    QFETCH(bool, valid);
    QFETCH(QByteArray, code);
    QByteArray parsed = "unchanged";
    QString why;
    QCOMPARE(ParseMarketCode(given, "country", &parsed, &why), valid);
    if (valid) {
        QCOMPARE(parsed, code);
        QVERIFY(why.isEmpty());
    } else {
        QCOMPARE(why, QStringLiteral("The country must be two letters, such as de: \"%1\".")
                          .arg(QString::fromUtf8(given)));
    }
}

QTEST_GUILESS_MAIN(TestSearchUrl)
#include "tst_SearchUrl.moc"
