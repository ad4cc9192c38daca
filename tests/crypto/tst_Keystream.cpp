// The counter-mode keystream: text byte i is XORed with byte i mod 16 of the AES encryption of
// counter block i / 16 + 1 after the start, where bytes 0..7 of a counter block count as one
// 64-bit little-endian number that wraps within them and bytes 8..15 never change. Through the
// lookup tables and through the AES instructions, any chunking must give the same bytes.

#include "crypto/AesHardware.h"
#include "crypto/AesLib.h"

#include "InPieces.h"

#include <QByteArray>
#include <QList>
#include <QTest>

#include <cstring>

using namespace velmora::crypto;

namespace {

constexpr int TextLength = 2 * 4096 + 45; // whole blocks, and a partial one at the end

using AesPath = velmora::crypto::detail::AesPathScope;

QByteArray Bytes(const std::uint8_t* data, qsizetype length) {
    return QByteArray(reinterpret_cast<const char*>(data), length);
}

TAesContext Schedule(int keyLength) {
    std::uint8_t key[32];
    for (int i = 0; i < 32; ++i)
        key[i] = static_cast<std::uint8_t>(0x3C + 7 * i);
    TAesContext aes;
    AesEncryptKey(key, std::uint32_t(keyLength), aes);
    return aes;
}

QByteArray Text() {
    QByteArray text(TextLength, Qt::Uninitialized);
    for (int i = 0; i < TextLength; ++i)
        text[i] = static_cast<char>(i * 37 + 11);
    return text;
}

// The keystream written out from its definition, with 64-bit arithmetic for the counter and the
// table-driven block routine that the FIPS-197 vectors check.
struct Model {
    QByteArray keystream;
    QByteArray endCounter;
    QByteArray lastBlock;
};

Model Expected(const TAesContext& aes, const QByteArray& start, int length) {
    const AesPath tables(false);
    std::uint64_t number = 0;
    for (int i = 7; i >= 0; --i)
        number = (number << 8) | static_cast<std::uint8_t>(start[i]);
    std::uint8_t block[16];
    std::memcpy(block, start.constData(), 16);
    std::uint8_t encrypted[16] = {};
    Model model;
    while (model.keystream.size() < length) {
        ++number;
        for (int i = 0; i < 8; ++i)
            block[i] = static_cast<std::uint8_t>(number >> (8 * i));
        AesEncrypt(block, encrypted, aes);
        model.keystream += Bytes(encrypted, 16);
    }
    model.keystream.truncate(length);
    model.endCounter = Bytes(block, 16);
    model.lastBlock = Bytes(encrypted, 16);
    return model;
}

TCryptContext StartContext(const TAesContext& aes, const QByteArray& counter) {
    TCryptContext context;
    std::memset(&context, 0, sizeof context);
    context.aes = aes;
    std::memcpy(context.counter, counter.constData(), 16);
    context.keystreamPosition = AesBlockLength;
    return context;
}

QByteArray Xor(QByteArray a, const QByteArray& b) {
    for (qsizetype i = 0; i < a.size(); ++i)
        a[i] = static_cast<char>(a[i] ^ b[i]);
    return a;
}

QByteArray Counter(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex));
}

} // namespace

class TestKeystream : public QObject {
    Q_OBJECT

private slots:
    void chunkings_data() {
        QTest::addColumn<int>("keyLength");
        QTest::addColumn<bool>("hardware");
        QTest::addColumn<QByteArray>("counter");
        const struct {
            const char* name;
            const char* counter;
        } starts[] = {
            {"from zero", "00000000000000000000000000000000"},
            {"wrap of bytes 0..7", "fdffffffffffffff0000000000000000"},
            {"carry into byte 7", "f0ffffffffffff7f0000000000000000"},
            {"wrap, bytes 8..15 kept", "faffffffffffffff0102030405060708"},
        };
        for (int keyLength : {16, 24, 32})
            for (bool hardware : {false, true})
                for (const auto& start : starts)
                    QTest::addRow("AES-%d %s, %s", 8 * keyLength, hardware ? "instructions" : "tables",
                                  start.name)
                        << keyLength << hardware << Counter(start.counter);
    }

    void chunkings() {
        QFETCH(int, keyLength);
        QFETCH(bool, hardware);
        QFETCH(QByteArray, counter);
        if (hardware && !detail::AesHardwareAvailable())
            QSKIP("this processor has no AES instructions");
        const TAesContext aes = Schedule(keyLength);
        const Model model = Expected(aes, counter, TextLength);
        const QByteArray expected = Xor(Text(), model.keystream);

        const AesPath path(hardware);
        QCOMPARE(detail::AesHardwareInUse(), hardware);
        const QList<QList<int>> chunkings = {
            {1}, {15}, {16}, {17}, {100}, {4096}, {TextLength}, {3, 13, 16, 1, 40, 200, 7, 4096, 0, 33}};
        for (const QList<int>& sizes : chunkings) {
            TCryptContext context = StartContext(aes, counter);
            QByteArray text = Text();
            InPieces(CryptKeystream, text, sizes, context);
            QCOMPARE(text, expected);
            QCOMPARE(Bytes(context.counter, 16), model.endCounter);
            QCOMPARE(Bytes(context.keystream, 16), model.lastBlock);
            QCOMPARE(context.keystreamPosition, std::uint32_t(TextLength % 16));
        }
    }

    // One context may pass between the two paths at any point of the stream.
    void pathsInterchangeable() {
        if (!detail::AesHardwareAvailable())
            QSKIP("this processor has no AES instructions");
        const QByteArray counter = Counter("f8ffffffffffffff0000000000000000");
        const TAesContext aes = Schedule(16);
        const QByteArray expected = Xor(Text(), Expected(aes, counter, TextLength).keystream);
        TCryptContext context = StartContext(aes, counter);
        QByteArray text = Text();
        auto* data = reinterpret_cast<std::uint8_t*>(text.data());
        int done = 0;
        bool hardware = true;
        for (int take : {5, 40, 16, 300, 1, 1000, 27, 64, 4096}) {
            const AesPath path(hardware);
            CryptKeystream(data + done, std::size_t(take), context);
            done += take;
            hardware = !hardware;
        }
        CryptKeystream(data + done, std::size_t(TextLength - done), context);
        QCOMPARE(text, expected);
    }

    // A context whose key setup never ran (as a stream object holds it before its first
    // operation) has no schedule for the instructions to use: both paths leave the text as the
    // table-driven refusal does, instead of encrypting with words no key setup wrote.
    void noScheduleSameOnBothPaths() {
        QByteArray results[2];
        for (bool hardware : {false, true}) {
            const AesPath path(hardware);
            TCryptContext context;
            std::memset(&context, 0, sizeof context);
            context.keystreamPosition = AesBlockLength;
            context.aes.roundKeys[5] = 0x12345678;
            context.aes.blockAndDirection = AesBlockLength;
            results[hardware] = Text();
            CryptKeystream(reinterpret_cast<std::uint8_t*>(results[hardware].data()), 1000, context);
            QCOMPARE(context.counter[0], std::uint8_t(63)); // 1000 bytes take 63 blocks
        }
        QCOMPARE(results[0], Text());
        QCOMPARE(results[1], results[0]);
    }
};

QTEST_GUILESS_MAIN(TestKeystream)
#include "tst_Keystream.moc"
