// The reseller's lint: each finding it must make, and the texts it must pass.

#include "BrandLint.h"

#include <QTest>

using velmora::brand::Finding;
using velmora::brand::LintSettings;

namespace {

QByteArray Item(const QByteArray& tag, const QByteArray& value) {
    return "<%%" + tag + "%%>" + value + "<%%/" + tag + "%%>\n";
}

const QByteArray Clean =
    Item("ApplicationName", "Acme") + Item("BranderType", "Master") + Item("MasterNewsBaseURL", "http://n/") +
    Item("MasterPublID", "p") + Item("AboutText", "Say <%%Hello%%>") + Item("Welcome1", "<b>hi</b>") +
    Item("Banner1", "ad.gif^http://b") + Item("Link1", "One^http://1") + Item("LastNewsId", "3");

} // namespace

class TestBrandLint : public QObject {
    Q_OBJECT

private slots:
    void findings_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("expected"); // "E:line:fragment" or "W:line:fragment", in order

        QTest::newRow("clean, with a tag-like text inside a value and the news id anywhere")
            << Item("LastNewsId", "2") + Clean << QStringList{};
        QTest::newRow("out of the reading order")
            << Item("BranderCode", "X") + Clean
            << QStringList{"W:1:<%%BranderCode%%> is never read, out of the reading order: it stands before "
                           "<%%ApplicationName%%> (line 2)"};
        QTest::newRow("unknown tag") << Clean + Item("Colour", "red")
                                     << QStringList{"W:10:unknown tag <%%Colour%%>"};
        QTest::newRow("leading zero is no series number")
            << Clean + Item("Link01", "a^b") << QStringList{"W:10:unknown tag <%%Link01%%>"};
        QTest::newRow("gap in a series")
            << Clean + Item("Link3", "a^b")
            << QStringList{"W:10:the Link series ends at Link2, which is missing"};
        QTest::newRow("empty item ends a series")
            << Clean + Item("Link2", "") + Item("Link3", "a^b")
            << QStringList{"W:11:the Link series ends at Link2, which is empty"};
        QByteArray seventeen;
        for (int n = 2; n <= 17; ++n)
            seventeen += Item("Welcome" + QByteArray::number(n), "w");
        QTest::newRow("seventeenth item")
            << QByteArray(Clean).replace("<b>hi</b><%%/Welcome1%%>\n",
                                         "<b>hi</b><%%/Welcome1%%>\n" + seventeen)
            << QStringList{"W:22:only Welcome1 to Welcome16 are read"};
        QTest::newRow("second copy of an item") << Clean + Item("Link1", "Two^http://2")
                                                << QStringList{"W:10:only the first <%%Link1%%> (line 8) is"};
        QTest::newRow("no end tag") << "<%%ApplicationName%%>Acme\n" + Clean.mid(Clean.indexOf('\n') + 1)
                                    << QStringList{"W:1:<%%ApplicationName%%> has no <%%/ApplicationName%%>"};
        QTest::newRow("tier in lower case") << QByteArray(Clean).replace(">Master<", ">master<")
                                            << QStringList{"W:2:BranderType \"master\" matches no tier"};
        QTest::newRow("no tier at all")
            << Item("ApplicationName", "Acme") << QStringList{"W:0:BranderType \"\" matches no tier"};
        QTest::newRow("Gold without its values")
            << QByteArray(Clean).replace(">Master<", ">Gold<")
            << QStringList{"W:2:needs both GoldPublID and GoldNewsBaseURL"};
        QTest::newRow("Free follows Master's values")
            << QByteArray(Clean).replace(">Master<", ">Free<") << QStringList{};

        QTest::newRow("banner of one field") << QByteArray(Clean).replace("ad.gif^http://b", "ad.gif")
                                             << QStringList{"E:7:Banner1: List index out of bounds (1)"};
        QTest::newRow("unknown picture extension")
            << QByteArray(Clean).replace("ad.gif", "ad.png")
            << QStringList{"E:7:Banner1: Unknown picture file extension (.png)"};
        QTest::newRow("missing banner file")
            << QByteArray(Clean).replace("/Banner1%%>\n", "/Banner1%%>\n" + Item("Banner2", "b.jpg^http://c"))
            << QStringList{"E:8:Banner2: its picture file \"banner2.dat\" is not in the folder"};
        QTest::newRow("metafile") << QByteArray(Clean).replace("ad.gif", "ad.emf")
                                  << QStringList{"W:7:Banner1: wmf and emf pictures cannot be shown"};
        QTest::newRow("no picture name")
            << QByteArray(Clean).replace("ad.gif", "") << QStringList{"W:7:Banner1 names no picture file"};
        QTest::newRow("link of one field") << QByteArray(Clean).replace("One^http://1", "One")
                                           << QStringList{"E:8:Link1: List index out of bounds (1)"};
    }

    void findings() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, expected);
        const QList<Finding> findings = LintSettings(
            text, [](const QString& name) { return name == QLatin1StringView("banner1.dat"); },
            QStringLiteral("the folder"));
        QStringList got;
        for (const Finding& f : findings)
            got.append(QStringLiteral("%1:%2:%3")
                           .arg(QLatin1Char(f.isError() ? 'E' : 'W'))
                           .arg(f.line)
                           .arg(f.message));
        QCOMPARE(got.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const QString head = expected[i].section(u':', 0, 1) + u':';
            const QString fragment = expected[i].section(u':', 2);
            QVERIFY2(got[i].startsWith(head) && got[i].contains(fragment), qPrintable(got[i]));
        }
    }
};

QTEST_GUILESS_MAIN(TestBrandLint)
#include "tst_BrandLint.moc"
