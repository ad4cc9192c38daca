// Whether a document handed to the web view declares its character set: the view lets a
// declaration decide and reads every other document as UTF-8 when it is, else as Windows-1252.

#include "webengine/DocumentCharset.h"

#include <QTest>

using velmora::webengine::DeclaresCharset;
using velmora::webengine::HtmlMimeType;

class TestDocumentCharset : public QObject {
    Q_OBJECT

private slots:
    void declaration_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<bool>("declares");

        const QByteArray longStyle = "<style>" + QByteArray(1100, 'x') + "</style>";
        const QByteArray longText = "<p>" + QByteArray(1100, 'x') + "</p>";
        auto row = [](const char* name, const QByteArray& document, bool declares) {
            QTest::newRow(name) << document << declares;
        };
        row("none", "<html><body><h1>Caf\xe9</h1></body></html>", false);
        row("empty", "", false);
        row("meta charset", "<html><head><meta charset=\"utf-8\"></head><body>x</body></html>", true);
        row("upper case, unquoted", "<HTML><META CHARSET=UTF-8><BODY>x", true);
        row("single quotes, self-closing", "<meta charset='windows-1251'/>", true);
        row("pragma", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">", true);
        row("pragma, content first", "<meta content='text/html;charset=\"utf-8\"' http-equiv=content-type>",
            true);
        row("content without pragma", "<meta content=\"text/html; charset=utf-8\">", false);
        row("pragma without charset", "<meta http-equiv=\"Content-Type\" content=\"text/html\">", false);
        row("unknown set", "<meta charset=\"no-such-set\">", false);
        row("UTF-16 in markup", "<meta charset=\"utf-16le\">", true);
        row("UTF-8 byte-order mark", "\xEF\xBB\xBF<p>x</p>", true);
        row("UTF-16 byte-order mark", "\xFF\xFE<\0p\0>\0", true);
        row("in a comment", "<!-- <meta charset=\"utf-8\"> --><p>x</p>", false);
        row("after an empty comment", "<!--><meta charset=\"utf-8\">", true);
        row("in a script", "<script>var s = '<meta charset=\"utf-8\">';</script>", false);
        row("in an attribute value", "<div title='<meta charset=\"utf-8\">'>x</div>", false);
        row("meta word in another tag", "<metadata charset=\"utf-8\">", false);
        row("late in a long head", "<html><head>" + longStyle + "<meta charset=\"utf-8\"></head>", true);
        row("late, after the body began", "<html><body>" + longText + "<meta charset=\"utf-8\">", false);
        row("early in the body", "<body><meta charset=\"utf-8\">", true);
    }

    void declaration() {
        QFETCH(QByteArray, document);
        QFETCH(bool, declares);
        QCOMPARE(DeclaresCharset(document), declares);
        QCOMPARE(HtmlMimeType(document),
                 declares ? QStringLiteral("text/html") : QStringLiteral("text/html;charset=windows-1252"));
    }

    void undeclaredSet_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("mimeType");

        const QString utf8 = QStringLiteral("text/html;charset=utf-8");
        const QString legacy = QStringLiteral("text/html;charset=windows-1252");
        QTest::newRow("plain ASCII") << QByteArray("<p>Cafe</p>") << legacy;
        QTest::newRow("UTF-8 letters") << QByteArray("<p>Caf\xc3\xa9 \xe2\x82\xac</p>") << utf8;
        QTest::newRow("Windows-1252 letters") << QByteArray("<p>Caf\xe9 \x80</p>") << legacy;
        QTest::newRow("UTF-8 cut inside a letter") << QByteArray("<p>Caf\xc3") << legacy;
        QTest::newRow("UTF-8, then a legacy byte") << QByteArray("<p>Caf\xc3\xa9 \xe9</p>") << legacy;
        QTest::newRow("declared set wins")
            << QByteArray("<meta charset=koi8-r><p>\xc3\xa9</p>") << QStringLiteral("text/html");
    }

    void undeclaredSet() {
        QFETCH(QByteArray, document);
        QFETCH(QString, mimeType);
        QCOMPARE(HtmlMimeType(document), mimeType);
    }
};

QTEST_GUILESS_MAIN(TestDocumentCharset)
#include "tst_DocumentCharset.moc"
