// The salt generator: which output bytes a request hands out, when the pool is refreshed, and
// that a fixed entropy source gives fixed output. The expected bytes for the fixed source were
// computed with a separate model of the pool's mix and update steps.

#include "crypto/AesLib.h"

#include <QByteArray>
#include <QList>
#include <QTest>

#include <cstring>

using namespace velmora::crypto;

namespace {

int entropyCalls = 0;

// Writes 01 02 .. 08 (or fewer when fewer are wanted), like a counter that never moves.
std::uint32_t FixedEntropy(std::uint8_t* buffer, std::uint32_t length) {
    ++entropyCalls;
    const std::uint32_t count = length < 8 ? length : 8;
    for (std::uint32_t i = 0; i < count; ++i)
        buffer[i] = static_cast<std::uint8_t>(i + 1);
    return count;
}

std::uint32_t SilentEntropy(std::uint8_t*, std::uint32_t) {
    return 0;
}

std::uint32_t BoastfulEntropy(std::uint8_t* buffer, std::uint32_t length) {
    std::memset(buffer, 0x5A, length);
    return length + 100;
}

QByteArray Take(TPrngContext& context, int length) {
    QByteArray out(length, Qt::Uninitialized);
    PrngRand(reinterpret_cast<std::uint8_t*>(out.data()), static_cast<std::size_t>(length), context);
    return out;
}

QByteArray Output(const TPrngContext& context, int from, int length) {
    return QByteArray(reinterpret_cast<const char*>(context.output) + from, length);
}

constexpr int CallsPerRefresh = 33; // 260 bytes, 8 at a time

} // namespace

class TestSaltGenerator : public QObject {
    Q_OBJECT

private slots:
    void firstRequestHandsOutTheStartOfTheOutput() {
        TPrngContext context;
        PrngInit(FixedEntropy, context);
        QCOMPARE(context.position, 0u);
        const QByteArray expected = Output(context, 0, 8);
        QCOMPARE(Take(context, 8), expected);
        QCOMPARE(context.position, 8u);
        QCOMPARE(Take(context, 4), Output(context, 8, 4));
    }

    // Each row: sizes of successive requests after seeding, and how many refreshes they cause.
    void refresh_data() {
        QTest::addColumn<QList<int>>("requests");
        QTest::addColumn<int>("refreshes");
        QTest::addColumn<int>("finalPosition");
        QTest::newRow("below 260") << QList<int>{8, 100, 151} << 0 << 259;
        QTest::newRow("ends exactly at 260") << QList<int>{8, 252} << 1 << 0;
        QTest::newRow("one request of 260") << QList<int>{260} << 1 << 0;
        QTest::newRow("crosses 260") << QList<int>{250, 20} << 1 << 10;
        QTest::newRow("crosses twice") << QList<int>{10, 600} << 2 << 90;
        QTest::newRow("zero-length") << QList<int>{0, 0} << 0 << 0;
    }

    // Replays the requests against a copy that is refreshed by hand, so every byte is checked
    // against the output buffer it must come from.
    void refresh() {
        QFETCH(QList<int>, requests);
        QFETCH(int, refreshes);
        QFETCH(int, finalPosition);
        TPrngContext context;
        PrngInit(FixedEntropy, context);
        TPrngContext model = context;
        entropyCalls = 0;
        QByteArray got, expected;
        for (int length : requests) {
            got += Take(context, length);
            for (int i = 0; i < length; ++i) {
                expected += char(model.output[model.position++]);
                if (model.position == PrngPoolLength) {
                    PrngUpdate(model);
                    model.position = 0;
                }
            }
        }
        QCOMPARE(got, expected);
        QCOMPARE(entropyCalls, 2 * refreshes * CallsPerRefresh); // the model refreshed as often
        QCOMPARE(context.position, std::uint32_t(finalPosition));
        QVERIFY(std::memcmp(context.pool, model.pool, PrngPoolLength) == 0);
        QVERIFY(std::memcmp(context.output, model.output, PrngPoolLength) == 0);
    }

    void positionOutOfRange_data() {
        QTest::addColumn<quint32>("position");
        for (quint32 position : {260u, 261u, 1000u, 0xFFFFFFFFu})
            QTest::newRow(QByteArray::number(position).constData()) << position;
    }

    // A position no output buffer holds counts as used up: the request starts on a fresh one.
    void positionOutOfRange() {
        QFETCH(quint32, position);
        TPrngContext context;
        PrngInit(FixedEntropy, context);
        TPrngContext model = context;
        PrngUpdate(model);
        context.position = position;
        QCOMPARE(Take(context, 10), Output(model, 0, 10));
        QCOMPARE(context.position, 10u);
    }

    void fixedEntropyGivesFixedOutput() {
        TPrngContext a, b;
        PrngInit(FixedEntropy, a);
        PrngInit(FixedEntropy, b);
        const QByteArray first = Take(a, 300);
        QCOMPARE(Take(b, 300), first);
        QCOMPARE(first.left(8), QByteArray::fromHex("d4030bafe3620243"));
        QCOMPARE(first.mid(256, 12), QByteArray::fromHex("b7d81c9f793191e51b4c8ffc"));
    }

    void seedingReadsTheCounterTwice() {
        entropyCalls = 0;
        TPrngContext context;
        PrngInit(FixedEntropy, context);
        QCOMPARE(entropyCalls, 2 * CallsPerRefresh);
    }

    // An entropy routine that breaks its contract must neither hang the refill nor overrun it.
    void misbehavingEntropyIsContained_data() {
        QTest::addColumn<void*>("routine");
        QTest::newRow("writes nothing") << reinterpret_cast<void*>(&SilentEntropy);
        QTest::newRow("claims too much") << reinterpret_cast<void*>(&BoastfulEntropy);
    }

    void misbehavingEntropyIsContained() {
        QFETCH(void*, routine);
        TPrngContext context;
        PrngInit(reinterpret_cast<TEntropyFunction>(routine), context);
        QCOMPARE(Take(context, 600).size(), 600);
    }

    void counterEntropyWritesWhatItReturns_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("written");
        QTest::newRow("3") << 3 << 3;
        QTest::newRow("8") << 8 << 8;
        QTest::newRow("260") << 260 << 8;
    }

    void counterEntropyWritesWhatItReturns() {
        QFETCH(int, length);
        QFETCH(int, written);
        QByteArray buffer(300, char(0xEE));
        QCOMPARE(CounterEntropy(reinterpret_cast<std::uint8_t*>(buffer.data()), std::uint32_t(length)),
                 std::uint32_t(written));
        QCOMPARE(buffer.mid(written), QByteArray(300 - written, char(0xEE)));
    }

    void counterEntropyMoves() {
        std::uint8_t a[8], b[8];
        CounterEntropy(a, 8);
        QTest::qWait(2);
        CounterEntropy(b, 8);
        QVERIFY(std::memcmp(a, b, 8) != 0);
    }

    void endWipesEverything() {
        TPrngContext context;
        PrngInit(CounterEntropy, context);
        Take(context, 17);
        PrngEnd(context);
        TPrngContext zero;
        std::memset(&zero, 0, sizeof zero);
        QVERIFY(std::memcmp(&context, &zero, sizeof context) == 0);
    }
};

QTEST_GUILESS_MAIN(TestSaltGenerator)
#include "tst_SaltGenerator.moc"
