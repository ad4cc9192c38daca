// Stored keyword lists on both databases: leases taken, run out and taken again, a late worker's
// search refused, keywords given back, the resume offer. (A list in a store migrated from the
// first schema: tst_HistoryStore.)

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

QTEST_GUILESS_MAIN(TestListStore)
#include "tst_ListStore.moc"
