#include "HistoryFixture.h"
#include "TestSupport.h"

#include "history/HistoryAdsModel.h"
#include "history/HistoryQuery.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace velmora::history;
using namespace velmora::testing;

namespace {

const QDateTime Day1(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);
const QDateTime Day2(QDate(2026, 3, 2), QTime(23, 59), Qt::UTC);
const QDateTime Day3(QDate(2026, 3, 3), QTime(0, 0), Qt::UTC);

// shoes: Red (day 1 to 3, three times), Blue (day 1), Green 100% (day 3);
// boots: Red (day 2), "Quote" (day 2).
void StoreFixture(HistoryStore& store) {
    const SightedAd red = Ad("Red Shoes", "Best shoes", "www.shopa.example/red", 1);
    const SightedAd blue = Ad("Blue Shoes", "Cheap and blue", "shopb.example", 2);
    const SightedAd green = Ad("Green Shoes", "100% cotton_wool", "shopc.example/g", 2, "bottom");
    const SightedAd quote = Ad("Size 9\" boots", "It's DROP TABLE time", "shopb.example/b", 2);
    QVERIFY(store.storeSearch(Search("shoes", {red, blue}, Day1)).stored);
    QVERIFY(store.storeSearch(Search("shoes", {red}, Day2)).stored);
    QVERIFY(store.storeSearch(Search("boots", {red, quote}, Day2)).stored);
    QVERIFY(store.storeSearch(Search("shoes", {green, red}, Day3)).stored);
}

HistoryFilter Filter(const QString& keyword, const QString& words = {}, const QString& advertiser = {},
                     QDate from = {}, QDate to = {}, QDate newSince = {}) {
    return {keyword, words, advertiser, from, to, newSince};
}

// The titles of the filtered view, in its order, read through the window's model.
QStringList Titles(HistoryAdsModel& model) {
    QStringList titles;
    for (int row = 0; row < model.rowCount(); ++row)
        titles.append(model.index(row, int(HistoryColumn::Keyword)).data().toString() + u'/' +
                      model.index(row, int(HistoryColumn::Title)).data().toString());
    return titles;
}

} // namespace

class TestHistoryQuery : public QObject {
    Q_OBJECT

private slots:
    void filters_data();
    void filters();
    void sorting_data();
    void sorting();
    BACKEND_TEST(timeline)
    BACKEND_TEST(exports)
    void countLine();
    void fetchesOnlyWhatIsShown();
};

void TestHistoryQuery::filters_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<HistoryFilter>("filter");
    QTest::addColumn<QStringList>("titles"); // sorted by last seen, newest first
    QTest::addColumn<qint64>("advertisers");
    for (const QString& backend : Backends()) {
        auto row = [&](const char* name) -> QTestData& {
            return QTest::addRow("%s: %s", qPrintable(backend), name) << backend;
        };
        row("everything") << HistoryFilter{}
                          << QStringList{"shoes/Green Shoes", "shoes/Red Shoes", "boots/Size 9\" boots",
                                         "boots/Red Shoes", "shoes/Blue Shoes"}
                          << qint64(3);
        row("keyword") << Filter(QStringLiteral("boots"))
                       << QStringList{"boots/Size 9\" boots", "boots/Red Shoes"} << qint64(2);
        row("keyword is exact") << Filter(QStringLiteral("boot")) << QStringList{} << qint64(0);
        row("words in title or text, any case")
            << Filter({}, QStringLiteral("SHOES best")) << QStringList{"shoes/Red Shoes", "boots/Red Shoes"}
            << qint64(1);
        row("percent sign is literal")
            << Filter({}, QStringLiteral("100%")) << QStringList{"shoes/Green Shoes"} << qint64(1);
        row("percent sign is no wildcard") << Filter({}, QStringLiteral("e%s")) << QStringList{} << qint64(0);
        row("underscore is literal") << Filter({}, QStringLiteral("n_w")) << QStringList{"shoes/Green Shoes"}
                                     << qint64(1);
        row("underscore is no wildcard") << Filter({}, QStringLiteral("shoe_")) << QStringList{} << qint64(0);
        row("quote and SQL words found")
            << Filter({}, QStringLiteral("9\" drop")) << QStringList{"boots/Size 9\" boots"} << qint64(1);
        row("advertiser") << Filter({}, {}, QStringLiteral("shopb"))
                          << QStringList{"boots/Size 9\" boots", "shoes/Blue Shoes"} << qint64(1);
        row("seen on day 2") << Filter({}, {}, {}, QDate(2026, 3, 2), QDate(2026, 3, 2))
                             << QStringList{"shoes/Red Shoes", "boots/Size 9\" boots", "boots/Red Shoes"}
                             << qint64(2);
        row("new since day 2") << Filter({}, {}, {}, {}, {}, QDate(2026, 3, 2))
                               << QStringList{"shoes/Green Shoes", "boots/Size 9\" boots", "boots/Red Shoes"}
                               << qint64(3);
    }
}

void TestHistoryQuery::filters() {
    QFETCH(QString, backend);
    QFETCH(HistoryFilter, filter);
    QFETCH(QStringList, titles);
    QFETCH(qint64, advertisers);
    VELMORA_FRESH_LOCATION(place, backend);
    auto store = place.open();
    StoreFixture(*store);
    HistoryAdsModel model;
    QVERIFY2(model.setQuery(store->database(), filter), qPrintable(model.error()));
    QCOMPARE(Titles(model), titles);
    QCOMPARE(model.count().ads, titles.size());
    QCOMPARE(model.count().advertisers, advertisers);
}

void TestHistoryQuery::sorting_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("ascending");
    for (const QString& backend : Backends()) {
        auto row = [&](const char* name, HistoryColumn column) -> QTestData& {
            return QTest::addRow("%s: %s", qPrintable(backend), name) << backend << int(column);
        };
        // Ties fall to the ad, then to the keyword, in the same direction.
        row("title", HistoryColumn::Title)
            << QStringList{"shoes/Blue Shoes", "shoes/Green Shoes", "shoes/Red Shoes", "boots/Red Shoes",
                           "boots/Size 9\" boots"};
        row("times seen", HistoryColumn::TimesSeen)
            << QStringList{"boots/Red Shoes", "shoes/Blue Shoes", "boots/Size 9\" boots", "shoes/Green Shoes",
                           "shoes/Red Shoes"};
        row("first seen", HistoryColumn::FirstSeen)
            << QStringList{"shoes/Red Shoes", "shoes/Blue Shoes", "boots/Red Shoes", "boots/Size 9\" boots",
                           "shoes/Green Shoes"};
        row("advertiser", HistoryColumn::Advertiser)
            << QStringList{"shoes/Red Shoes", "boots/Red Shoes", "shoes/Blue Shoes", "boots/Size 9\" boots",
                           "shoes/Green Shoes"};
    }
}

void TestHistoryQuery::sorting() {
    QFETCH(QString, backend);
    QFETCH(int, column);
    QFETCH(QStringList, ascending);
    VELMORA_FRESH_LOCATION(place, backend);
    auto store = place.open();
    StoreFixture(*store);
    HistoryAdsModel model;
    QVERIFY(model.setQuery(store->database(), {}));
    model.sort(column, Qt::AscendingOrder);
    QCOMPARE(Titles(model), ascending);
    model.sort(column, Qt::DescendingOrder);
    QStringList descending = Titles(model);
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(descending, ascending);
}

void TestHistoryQuery::timeline() {
    QFETCH(QString, backend);
    VELMORA_FRESH_LOCATION(place, backend);
    auto store = place.open();
    StoreFixture(*store);
    HistoryAdsModel model;
    QVERIFY(model.setQuery(store->database(), Filter(QStringLiteral("shoes"), QStringLiteral("red"))));
    const qint64 red = model.index(0, 0).data(HistoryAdsModel::AdIdRole).toLongLong();
    QString error;
    auto days = [](const QList<DayCount>& counts) {
        QStringList text;
        for (const DayCount& count : counts)
            text.append(count.day.toString(Qt::ISODate) + u'=' + QString::number(count.sightings));
        return text;
    };
    QCOMPARE(days(SightingsPerDayOfAd(store->database(), red, QStringLiteral("shoes"), &error)),
             (QStringList{"2026-03-01=1", "2026-03-02=1", "2026-03-03=1"}));
    QCOMPARE(days(SightingsPerDayOfAd(store->database(), red, QString(), &error)),
             (QStringList{"2026-03-01=1", "2026-03-02=2", "2026-03-03=1"}));
    QCOMPARE(days(SightingsPerDayOfAdvertiser(store->database(), QStringLiteral("shopb.example"), &error)),
             (QStringList{"2026-03-01=1", "2026-03-02=1"}));
}

void TestHistoryQuery::exports() {
    QFETCH(QString, backend);
    VELMORA_FRESH_LOCATION(place, backend);
    auto store = place.open();
    StoreFixture(*store);
    const HistoryFilter boots = Filter(QStringLiteral("boots"));
    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    QString error;
    QVERIFY2(WriteHistoryExport(store->database(), boots, HistoryColumn::Title, Qt::AscendingOrder,
                                ExportFormat::Csv, &csv, &error),
             qPrintable(error));
    QCOMPARE(
        csv.data(),
        QByteArray(
            "\"Keyword\",\"Ad Title\",\"Ad Text\",\"Ad URL\",\"Advertiser\",\"First Seen\",\"Last Seen\","
            "\"Times Seen\",\"Best Position\",\"Last Position\",\"Block\"\r\n"
            "\"boots\",\"Red Shoes\",\"Best shoes\",\"www.shopa.example/red\",\"shopa.example\","
            "\"2026-03-02T23:59:00.000Z\",\"2026-03-02T23:59:00.000Z\",\"1\",\"1\",\"1\",\"top\"\r\n"
            "\"boots\",\"Size 9\"\" boots\",\"It's DROP TABLE time\",\"shopb.example/b\",\"shopb.example\","
            "\"2026-03-02T23:59:00.000Z\",\"2026-03-02T23:59:00.000Z\",\"1\",\"2\",\"2\",\"top\"\r\n"));

    QBuffer json;
    json.open(QIODevice::WriteOnly);
    QVERIFY(WriteHistoryExport(store->database(), {}, HistoryColumn::TimesSeen, Qt::DescendingOrder,
                               ExportFormat::Json, &json, &error));
    QJsonParseError parseError;
    const QJsonArray rows = QJsonDocument::fromJson(json.data(), &parseError).array();
    QCOMPARE(parseError.error, QJsonParseError::NoError);
    QCOMPARE(rows.size(), 5);
    const QJsonObject top = rows.first().toObject();
    QCOMPARE(top.value(QStringLiteral("title")).toString(), QStringLiteral("Red Shoes"));
    QCOMPARE(top.value(QStringLiteral("keyword")).toString(), QStringLiteral("shoes"));
    QCOMPARE(top.value(QStringLiteral("timesSeen")).toInteger(), 3);
    QCOMPARE(top.value(QStringLiteral("firstSeen")).toString(), QStringLiteral("2026-03-01T10:00:00.000Z"));
    QCOMPARE(top.value(QStringLiteral("lastSeen")).toString(), QStringLiteral("2026-03-03T00:00:00.000Z"));

    // A file that cannot be written is named, and nothing is left half written.
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/x.csv"));
    QVERIFY(!SaveHistoryExport(store->database(), {}, HistoryColumn::Title, Qt::AscendingOrder,
                               ExportFormat::Csv, missing, &error));
    QVERIFY(!error.isEmpty());
    const QString good = dir.filePath(QStringLiteral("x.json"));
    QVERIFY(SaveHistoryExport(store->database(), {}, HistoryColumn::Title, Qt::AscendingOrder,
                              ExportFormat::Json, good, &error));
    QCOMPARE(QJsonDocument::fromJson(readFileOrMarker(good)).array().size(), 5);
}

void TestHistoryQuery::countLine() {
    QCOMPARE(HistoryCountLine({1234, 56}), QStringLiteral("1,234 ads from 56 advertisers"));
    QCOMPARE(HistoryCountLine({1, 1}), QStringLiteral("1 ad from 1 advertiser"));
    QCOMPARE(HistoryCountLine({0, 0}), QStringLiteral("0 ads from 0 advertisers"));
}

void TestHistoryQuery::fetchesOnlyWhatIsShown() {
    VELMORA_FRESH_LOCATION(place, QStringLiteral("sqlite"));
    auto store = place.open();
    for (int search = 0; search < 60; ++search) {
        QList<SightedAd> ads;
        for (int i = 1; i <= 20; ++i) {
            const QByteArray id = QByteArray::number(search * 20 + i);
            ads.append({"Ad " + id, "text", "host" + id + ".example", i, "top"});
        }
        QVERIFY(store->storeSearch(Search("kw", ads)).stored);
    }
    HistoryAdsModel model;
    QVERIFY(model.setQuery(store->database(), {}));
    QCOMPARE(model.rowCount(), 1200);
    QCOMPARE(model.pagesRead(), 0);
    model.sort(int(HistoryColumn::Title), Qt::AscendingOrder);
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("Ad 1"));
    QCOMPARE(model.index(1199, 1).data().toString(), QStringLiteral("Ad 999"));
    QCOMPARE(model.pagesRead(), 2);
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    TestHistoryQuery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_HistoryQuery.moc"
