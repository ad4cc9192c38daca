// Stored keyword lists on both databases: leases taken, run out and taken again, a late worker's
// search refused, keywords given back, the resume offer, and a list kept in a store migrated
// from the first schema.

#include "HistoryFixture.h"

#include "history/ListStore.h"

#include <QTest>

using namespace velmora::testing;
using velmora::history::ListKeyword;
using velmora::history::ListStore;
using velmora::history::ResumeOffer;
using velmora::history::StoredList;

namespace {

constexpr qint64 LeaseMs = 60000;

int SearchCount(velmora::history::HistoryStore& store) {
    return QueryValue(store, QStringLiteral("SELECT COUNT(*) FROM searches")).toInt();
}

} // namespace

class TestListStore : public QObject {
    Q_OBJECT

private slots:
    BACKEND_TEST(leases)
    BACKEND_TEST(listInMigratedStore)
};

void TestListStore::leases() {
    QFETCH(QString, backend);
    VELMORA_FRESH_LOCATION(place, backend);
    auto store = place.open();
    qint64 now = 1'000'000;
    ListStore lists(*store, [&now] { return now; });
    QString why;
    const std::optional<StoredList> made =
        lists.create(QStringLiteral("shoes"), {"red shoes", "boots", "sandals"}, {"de", "en"},
                     velmora::history::Device::Phone, {0, 5}, &why);
    QVERIFY2(made, qPrintable(why));
    const StoredList list = *made;

    // Each worker gets its own keyword, in list order; nothing is left while all are leased.
    const auto take = [&](const char* worker) {
        const std::optional<ListKeyword> taken = lists.take(list, QString::fromLatin1(worker), LeaseMs, &why);
        return taken ? taken->keyword : QByteArray("(none)");
    };
    QCOMPARE(take("w1"), QByteArray("red shoes"));
    QCOMPARE(take("w2"), QByteArray("boots"));
    QCOMPARE(take("w3"), QByteArray("sandals"));
    QCOMPARE(take("w3"), QByteArray("(none)"));
    QVERIFY(why.isEmpty());
    QCOMPARE(lists.leasedCount(list, &why), 3);

    // The first keyword ends with its search, in one transaction.
    QVERIFY(
        store->storeSearch(Search("red shoes", {}), lists.finishInSearch(list, 0, QStringLiteral("w1"), true))
            .stored);
    // w2's lease runs out: another worker takes its keyword, and w2's late search is not kept.
    now += LeaseMs - 1;
    QCOMPARE(take("w4"), QByteArray("(none)"));
    now += 2;
    QCOMPARE(take("w4"), QByteArray("boots"));
    const velmora::history::StoreResult late =
        store->storeSearch(Search("boots", {}), lists.finishInSearch(list, 1, QStringLiteral("w2"), true));
    QVERIFY(!late.stored);
    QVERIFY(late.sentence.contains(QStringLiteral("another worker took it")));
    QCOMPARE(SearchCount(*store), 1);
    QVERIFY(
        store->storeSearch(Search("boots", {}), lists.finishInSearch(list, 1, QStringLiteral("w4"), false))
            .stored);
    QCOMPARE(SearchCount(*store), 2);
    // A keyword given back is the next one taken, by anyone.
    QVERIFY(lists.release(list, 2, QStringLiteral("w3"), &why));
    QCOMPARE(lists.leasedCount(list, &why), 0);

    const std::optional<StoredList> found = lists.find(QStringLiteral("shoes"), &why);
    QVERIFY2(found, qPrintable(why));
    QCOMPARE(found->id, list.id);
    QCOMPARE(found->market, QByteArray("de/en"));
    QCOMPARE(found->device, velmora::history::Device::Phone);
    QCOMPARE(found->pause.maxSeconds, 5);
    QCOMPARE(ResumeOffer(*found), QStringLiteral("Resume the list 'shoes' (1 of 3 left)"));
    QCOMPARE(lists.unfinished(&why).size(), 1);
    QCOMPARE(lists.failedKeywords(list, &why), QList<QByteArray>{"boots"});

    QCOMPARE(take("w5"), QByteArray("sandals"));
    QVERIFY(
        store->storeSearch(Search("sandals", {}), lists.finishInSearch(list, 2, QStringLiteral("w5"), true))
            .stored);
    // A finished list is offered no more; a newer list of the same name is the one found.
    QVERIFY(!lists.find(QStringLiteral("shoes"), &why));
    QVERIFY(why.isEmpty());
    QVERIFY(lists.unfinished(&why).isEmpty());
    QVERIFY(
        lists.create(QStringLiteral("shoes"), {"clogs"}, {}, velmora::history::Device::Desktop, {}, &why));
    QCOMPARE(ResumeOffer(*lists.find(QStringLiteral("shoes"), &why)),
             QStringLiteral("Resume the list 'shoes' (1 of 1 left)"));
}

void TestListStore::listInMigratedStore() {
    QFETCH(QString, backend);
    VELMORA_FRESH_LOCATION(place, backend);
    // A store of the first schema, with a search in it.
    {
        QSqlDatabase db = RawConnection(place.location(), QStringLiteral("v1"));
        const velmora::history::SqlDialect dialect{db.driverName() == QStringLiteral("QSQLITE")
                                                       ? velmora::history::SqlDialect::Kind::SQLite
                                                       : velmora::history::SqlDialect::Kind::PostgreSQL};
        QSqlQuery query(db);
        for (const char* sql : {
                 "CREATE TABLE schema_version (version INTEGER NOT NULL)",
                 "INSERT INTO schema_version (version) VALUES (1)",
                 "CREATE TABLE keywords (id %ID%, digest TEXT NOT NULL UNIQUE, keyword TEXT NOT NULL)",
                 "CREATE TABLE pages (id %ID%, digest TEXT NOT NULL UNIQUE, body %BYTES% NOT NULL)",
                 "CREATE TABLE searches (id %ID%, searched_at TEXT NOT NULL, keyword_id BIGINT NOT NULL"
                 " REFERENCES keywords(id), market TEXT NOT NULL, device TEXT NOT NULL, load_method TEXT"
                 " NOT NULL, outcome TEXT NOT NULL, outcome_text TEXT NOT NULL, ad_count INTEGER NOT NULL,"
                 " page_id BIGINT REFERENCES pages(id))",
                 "CREATE TABLE ads (id %ID%, identity TEXT NOT NULL UNIQUE, title TEXT NOT NULL, ad_text"
                 " TEXT NOT NULL, url TEXT NOT NULL, host TEXT NOT NULL)",
                 "CREATE TABLE sightings (search_id BIGINT NOT NULL REFERENCES searches(id), ad_id BIGINT"
                 " NOT NULL REFERENCES ads(id), ad_position INTEGER NOT NULL, block TEXT NOT NULL,"
                 " PRIMARY KEY (search_id, ad_position))",
                 "CREATE TABLE keyword_ads (keyword_id BIGINT NOT NULL REFERENCES keywords(id), ad_id"
                 " BIGINT NOT NULL REFERENCES ads(id), first_seen TEXT NOT NULL, last_seen TEXT NOT NULL,"
                 " times_seen INTEGER NOT NULL, best_position INTEGER NOT NULL, last_position INTEGER"
                 " NOT NULL, last_block TEXT NOT NULL, PRIMARY KEY (keyword_id, ad_id))",
                 "INSERT INTO keywords (id, digest, keyword) VALUES (1, 'x', 'shoes')",
                 "INSERT INTO searches (id, searched_at, keyword_id, market, device, load_method, outcome,"
                 " outcome_text, ad_count, page_id) VALUES (1, '2025-01-02T03:04:05.000Z', 1, '', 'desktop',"
                 " 'download', 'no ads', '', 0, NULL)",
             })
            QVERIFY2(query.exec(dialect.statement(QString::fromLatin1(sql))),
                     qPrintable(query.lastError().text()));
        if (dialect.kind == velmora::history::SqlDialect::Kind::PostgreSQL)
            QVERIFY(query.exec(QStringLiteral("SELECT setval('searches_id_seq', 1)")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v1"));

    auto store = place.open();
    QVERIFY2(store->isOpen(), qPrintable(store->sentence()));
    QCOMPARE(store->storedSchemaVersion(), 2);
    ListStore lists(*store);
    QString why;
    const std::optional<StoredList> list =
        lists.create(QStringLiteral("boots"), {"boots"}, {}, velmora::history::Device::Desktop, {}, &why);
    QVERIFY2(list, qPrintable(why));
    const std::optional<ListKeyword> taken = lists.take(*list, QStringLiteral("w"), LeaseMs, &why);
    QVERIFY2(taken, qPrintable(why));
    const velmora::history::StoreResult result = store->storeSearch(
        Search("boots", {}), lists.finishInSearch(*list, taken->position, QStringLiteral("w"), true));
    QVERIFY2(result.stored, qPrintable(result.sentence));
    QCOMPARE(SearchCount(*store), 2); // the old search kept
    QVERIFY(lists.unfinished(&why).isEmpty());
}

QTEST_GUILESS_MAIN(TestListStore)
#include "tst_ListStore.moc"
