// The brand load as a function of the settings text, the random picks and the banner files
// present: the fields, the window's decisions, and that a bad part leaves the others alone.

#include "brand/BrandLoader.h"
#include "brand/BrandTier.h"
#include "brand/SettingsText.h"

#include "ScriptedRandom.h"

#include <QTest>

using namespace velmora::app;
using velmora::testing::ScriptedRandom;

namespace {

QByteArray Item(const char* tag, const QByteArray& value) {
    return "<%%" + QByteArray(tag) + "%%>" + value + "<%%/" + QByteArray(tag) + "%%>\r\n";
}

QByteArray Series(const char* prefix, const QList<QByteArray>& values) {
    QByteArray text;
    for (qsizetype i = 0; i < values.size(); ++i)
        text += Item((QByteArray(prefix) + QByteArray::number(i + 1)).constData(), values[i]);
    return text;
}

const QByteArray MasterValues = Item("MasterNewsBaseURL", "http://news/m/") + Item("MasterPublID", "pm");

// The value of one field or decision by name, so that a row names only what it is about.
QByteArray Value(const BrandLoad& load, const QByteArray& key) {
    const BrandSettings& s = load.settings;
    const std::pair<const char*, const QByteArray*> fields[] = {
        {"ApplicationName", &s.ApplicationName},
        {"BranderCode", &s.BranderCode},
        {"BranderType", &s.BranderType},
        {"AffiliateURL", &s.AffiliateURL},
        {"AffiliateID", &s.AffiliateID},
        {"AboutText", &s.AboutText},
        {"AppHelpURL", &s.AppHelpURL},
        {"WelcomeText", &s.WelcomeText},
        {"BannerImage", &s.BannerImage},
        {"BannerURL", &s.BannerURL},
        {"Link1Text", &s.Link1Text},
        {"Link1URL", &s.Link1URL},
        {"Link2Text", &s.Link2Text},
        {"Link2URL", &s.Link2URL},
        {"IconFile", &s.IconFile},
        {"caption", &load.caption},
        {"makeMoney", &load.makeMoneyCaption},
        {"format", &load.pictureFormat},
    };
    for (const auto& [name, value] : fields) {
        if (key == name)
            return *value;
    }
    if (key == "news")
        return load.newsButtonVisible ? "visible" : "hidden";
    if (key == "banner")
        return QByteArray::number(load.bannerIndex);
    if (key == "picture") {
        const char* names[] = {"none", "missing", "animated", "still", "metafile", "unknown"};
        return names[int(load.bannerPicture)];
    }
    if (key == "hand")
        return load.bannerHandCursor ? "hand" : "arrow";
    if (key == "links")
        return load.linksVisible ? "visible" : "hidden";
    if (key == "error")
        return load.errors().join(u'|').toLatin1();
    return "<no such key " + key + ">";
}

} // namespace

class TestBrandLoader : public QObject {
    Q_OBJECT

private slots:
    void load_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<int>>("picks");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QByteArrayList>("expected"); // "key=value"
        QTest::addColumn<QList<int>>("asked");        // candidates of each pick, in order

        const QStringList banner123{"banner1.dat", "banner2.dat", "banner3.dat"};
        const QByteArray links3 = Series("Link", {"One^http://1", "Two^http://2", "Three^http://3"});

        QTest::newRow("nothing read")
            << QByteArray() << QList<int>{} << QStringList{}
            << QByteArrayList{"caption= v2.0", "makeMoney=Make Money", "news=hidden", "picture=none",
                              "links=hidden",  "IconFile=main.ico",    "error="}
            << QList<int>{};
        QTest::newRow("item before an earlier one is lost")
            << Item("BranderCode", "X1") + Item("ApplicationName", "Acme") + Item("AboutText", "About")
            << QList<int>{} << QStringList{}
            << QByteArrayList{"BranderCode=", "ApplicationName=Acme", "caption=Acme v2.0", "AboutText=About"}
            << QList<int>{};
        QTest::newRow("tags in any case, values as written")
            << QByteArray("<%%applicationNAME%%>MiXed<%%/APPLICATIONNAME%%>") << QList<int>{} << QStringList{}
            << QByteArrayList{"ApplicationName=MiXed"} << QList<int>{};
        QTest::newRow("end tag missing: empty, later items found")
            << "<%%ApplicationName%%>Acme\r\n" + Item("BranderCode", "X1") << QList<int>{} << QStringList{}
            << QByteArrayList{"ApplicationName=", "BranderCode=X1"} << QList<int>{};
        QTest::newRow("value spanning lines")
            << JoinedSettingsText("<%%AboutText%%>one\ntwo<%%/AboutText%%>") << QList<int>{} << QStringList{}
            << QByteArrayList{"AboutText=one\r\ntwo"} << QList<int>{};
        QTest::newRow("affiliate id: every exact-case occurrence")
            << Item("AffiliateURL", "http://a/?x=%%AFFILIATEID%%&y=%%AFFILIATEID%%&z=%%affiliateid%%") +
                   Item("AffiliateID", "77")
            << QList<int>{} << QStringList{}
            << QByteArrayList{"AffiliateURL=http://a/?x=77&y=77&z=%%affiliateid%%"} << QList<int>{};
        QTest::newRow("Make Money caption")
            << Item("MakeMoneyButton", "Earn!") << QList<int>{} << QStringList{}
            << QByteArrayList{"makeMoney=Earn!"} << QList<int>{};

        QTest::newRow("Master with its values")
            << Item("BranderType", "Master") + MasterValues << QList<int>{} << QStringList{}
            << QByteArrayList{"news=visible"} << QList<int>{};
        QTest::newRow("master in lower case")
            << Item("BranderType", "master") + MasterValues << QList<int>{} << QStringList{}
            << QByteArrayList{"news=hidden"} << QList<int>{};
        QTest::newRow("Free follows Master's values")
            << Item("BranderType", "Free") + MasterValues << QList<int>{} << QStringList{}
            << QByteArrayList{"news=visible"} << QList<int>{};
        QTest::newRow("Free without Master's base URL")
            << Item("BranderType", "Free") + Item("MasterPublID", "pm") << QList<int>{} << QStringList{}
            << QByteArrayList{"news=hidden"} << QList<int>{};
        QTest::newRow("Gold with Master's values only")
            << Item("BranderType", "Gold") + MasterValues << QList<int>{} << QStringList{}
            << QByteArrayList{"news=hidden"} << QList<int>{};
        QTest::newRow("Platinum with its values")
            << Item("BranderType", "Platinum") + Item("PlatinumNewsBaseURL", "u") +
                   Item("PlatinumPublID", "p")
            << QList<int>{} << QStringList{} << QByteArrayList{"news=visible"} << QList<int>{};

        QTest::newRow("welcome 1-3, a gap, then 5")
            << Series("Welcome", {"W1", "W2", "W3"}) + Item("Welcome5", "W5") << QList<int>{2}
            << QStringList{} << QByteArrayList{"WelcomeText=W3"} << QList<int>{3};
        QTest::newRow("empty Welcome2 ends the series")
            << Series("Welcome", {"W1", "", "W3"}) << QList<int>{0} << QStringList{}
            << QByteArrayList{"WelcomeText=W1"} << QList<int>{1};
        QList<QByteArray> seventeen;
        for (int n = 1; n <= 17; ++n)
            seventeen.append("W" + QByteArray::number(n));
        QTest::newRow("a seventeenth item is never a candidate")
            << Series("Welcome", seventeen) << QList<int>{15} << QStringList{}
            << QByteArrayList{"WelcomeText=W16"} << QList<int>{16};
        QTest::newRow("banners before the welcome series are lost")
            << Series("Banner", {"a.gif^u"}) + Series("Welcome", {"W1"}) << QList<int>{} << banner123
            << QByteArrayList{"WelcomeText=W1", "banner=-1", "picture=none"} << QList<int>{1};

        QTest::newRow("GIF banner from item 3")
            << Series("Banner", {"one.bmp^http://1", "two.jpg^http://2", "ad.gif^http://3"}) << QList<int>{2}
            << banner123 << QByteArrayList{"banner=2",         "BannerImage=ad.gif", "BannerURL=http://3",
                                           "picture=animated", "format=gif",         "hand=hand"}
            << QList<int>{3};
        QTest::newRow("upper-case GIF name")
            << Series("Banner", {"AD.GIF^u"}) << QList<int>{} << banner123
            << QByteArrayList{"picture=animated", "format=gif"} << QList<int>{1};
        QTest::newRow("folder named .gif, still picture")
            << Series("Banner", {"c:\\pics.gif\\ad.JPG^u"}) << QList<int>{} << banner123
            << QByteArrayList{"picture=still", "format=jpeg"} << QList<int>{1};
        QTest::newRow("slash separates folders here")
            << Series("Banner", {"pics.gif/ad.bmp^u"}) << QList<int>{} << banner123
            << QByteArrayList{"picture=still", "format=bmp"} << QList<int>{1};
        QTest::newRow("third field ignored")
            << Series("Banner", {"a.ico^u^more"}) << QList<int>{} << banner123
            << QByteArrayList{"BannerURL=u", "format=ico"} << QList<int>{1};
        QTest::newRow("empty picture name: hidden, hand cursor all the same")
            << Series("Banner", {"^http://click"}) + links3 << QList<int>{0, 0, 0} << banner123
            << QByteArrayList{"picture=none", "hand=hand", "links=visible"} << QList<int>{1, 3, 2};
        QTest::newRow("banner file missing: hidden, load goes on")
            << Series("Banner", {"a.gif^u", "b.xyz^v"}) + links3 << QList<int>{1, 0, 0}
            << QStringList{"banner1.dat"}
            << QByteArrayList{"banner=1", "picture=missing", "error=", "links=visible"}
            << QList<int>{2, 3, 2};
        QTest::newRow("metafile: hidden, load goes on")
            << Series("Banner", {"a.WMF^u"}) + links3 << QList<int>{} << banner123
            << QByteArrayList{"picture=metafile", "error="} << QList<int>{1, 3, 2};

        QTest::newRow("banner item of one field")
            << Series("Welcome", {"W1"}) + Series("Banner", {"ad.gif"}) + links3 << QList<int>{} << banner123
            << QByteArrayList{"error=List index out of bounds (1)",
                              "WelcomeText=W1",
                              "BannerImage=ad.gif",
                              "BannerURL=",
                              "hand=arrow",
                              "picture=none",
                              "Link1Text=One",
                              "links=visible",
                              "IconFile=main.ico"}
            << QList<int>{1, 1, 3, 2};
        QTest::newRow("bad banner and bad link: each told")
            << Series("Banner", {"ad.gif"}) + Series("Link", {"One"}) << QList<int>{} << banner123
            << QByteArrayList{"error=List index out of bounds (1)|List index out of bounds (1)",
                              "links=hidden"}
            << QList<int>{1, 1};
        QTest::newRow("banner item with nothing after its ^")
            << Series("Banner", {"ad.gif^"}) << QList<int>{} << banner123
            << QByteArrayList{"error=List index out of bounds (1)"} << QList<int>{1};
        QTest::newRow("unknown extension, file present")
            << Series("Banner", {"ad.XyZ^http://u"}) + links3 << QList<int>{} << banner123
            << QByteArrayList{"error=Unknown picture file extension (.XyZ)",
                              "picture=unknown",
                              "hand=hand",
                              "Link1Text=One",
                              "links=visible",
                              "IconFile=main.ico"}
            << QList<int>{1, 3, 2};
        QTest::newRow("no extension")
            << Series("Banner", {"c:\\a.b\\ad^u"}) << QList<int>{} << banner123
            << QByteArrayList{"error=Unknown picture file extension (.)"} << QList<int>{1};
        QTest::newRow("no extension after a folder with a dot")
            << Series("Banner", {"pics.v2/ad^u"}) << QList<int>{} << banner123
            << QByteArrayList{"error=Unknown picture file extension (.)"} << QList<int>{1};

        QTest::newRow("two different links")
            << links3 << QList<int>{2, 1} << QStringList{}
            << QByteArrayList{"Link1Text=Three", "Link1URL=http://3", "Link2Text=Two", "Link2URL=http://2",
                              "links=visible"}
            << QList<int>{3, 2};
        QTest::newRow("second link from those left")
            << links3 << QList<int>{0, 0} << QStringList{} << QByteArrayList{"Link1Text=One", "Link2Text=Two"}
            << QList<int>{3, 2};
        QTest::newRow("one link only")
            << Series("Link", {"One^http://1"}) << QList<int>{} << QStringList{}
            << QByteArrayList{"Link1Text=One", "Link2Text=", "Link2URL=", "links=visible"} << QList<int>{1};
        QTest::newRow("link with an empty caption hides the links")
            << Series("Link", {"^http://1"}) << QList<int>{} << QStringList{}
            << QByteArrayList{"Link1URL=http://1", "links=hidden"} << QList<int>{1};
        QTest::newRow("second link of one field")
            << Series("Link", {"One^http://1", "Two"}) << QList<int>{0, 0} << QStringList{}
            << QByteArrayList{"Link1Text=One", "Link2Text=Two",
                              "Link2URL=",     "error=List index out of bounds (1)",
                              "links=hidden",  "IconFile=main.ico"}
            << QList<int>{2, 1};
    }

    void load() {
        QFETCH(QByteArray, text);
        QFETCH(QList<int>, picks);
        QFETCH(QStringList, files);
        QFETCH(QByteArrayList, expected);
        QFETCH(QList<int>, asked);

        ScriptedRandom random(picks);
        const BrandLoad load =
            LoadBrandSettings(text, random, [&](const QString& name) { return files.contains(name); });
        for (const QByteArray& entry : expected) {
            const qsizetype eq = entry.indexOf('=');
            const QByteArray key = entry.left(eq);
            QCOMPARE(Value(load, key), entry.mid(eq + 1));
        }
        QCOMPARE(random.asked, asked);
    }

    void newsAccount_data() {
        QTest::addColumn<QByteArray>("tier");
        QTest::addColumn<QByteArray>("publisherId");
        QTest::addColumn<QByteArray>("productType"); // empty: no request
        BrandSettings base;
        QTest::newRow("Master") << QByteArray("Master") << QByteArray("pm") << QByteArray("BM");
        QTest::newRow("Platinum") << QByteArray("Platinum") << QByteArray("pp") << QByteArray("BP");
        QTest::newRow("Gold") << QByteArray("Gold") << QByteArray("pg") << QByteArray("BG");
        QTest::newRow("Free sends nothing") << QByteArray("Free") << QByteArray() << QByteArray();
        QTest::newRow("GOLD is no tier") << QByteArray("GOLD") << QByteArray() << QByteArray();
    }

    void newsAccount() {
        QFETCH(QByteArray, tier);
        QFETCH(QByteArray, publisherId);
        QFETCH(QByteArray, productType);
        BrandSettings s;
        s.BranderType = tier;
        s.BranderCode = "code";
        s.MasterPublID = "pm";
        s.PlatinumPublID = "pp";
        s.GoldPublID = "pg";
        // Base URLs are not looked at for a request: an empty one fails later, on the wire.
        s.MasterNewsBaseURL = "m";
        s.GoldNewsBaseURL = "g";
        const std::optional<velmora::news::NewsAccount> account = NewsAccountFor(s);
        QCOMPARE(account.has_value(), !productType.isEmpty());
        if (!account)
            return;
        QCOMPARE(account->PublisherId, publisherId);
        QCOMPARE(account->ProductType, productType);
        QCOMPARE(account->ProductCode, QByteArray("code"));
        QCOMPARE(account->NewsTarget, QByteArray("UA"));
        const velmora::news::NewsBaseUrls& urls = account->baseUrls;
        QCOMPARE(urls.MasterNewsBaseURL + urls.PlatinumNewsBaseURL + urls.GoldNewsBaseURL, QByteArray("mg"));

        s.MasterPublID = s.PlatinumPublID = s.GoldPublID = {};
        QVERIFY2(!NewsAccountFor(s), "a tier without a publisher id sends nothing");
    }
};

QTEST_GUILESS_MAIN(TestBrandLoader)
#include "tst_BrandLoader.moc"
