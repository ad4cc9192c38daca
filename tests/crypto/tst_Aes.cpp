// AES against FIPS-197: Appendix C vectors, Appendix A expansions, the S-box of Figure 7,
// and the length and direction refusals of the key setup; each through the lookup tables and,
// where the processor has them, through the AES instructions, which must agree byte for byte.

#include "crypto/AesHardware.h"
#include "crypto/AesLib.h"
#include "crypto/AesTables.h"

#include <QByteArray>
#include <QTest>

#include <cstring>
#include <random>
#include <vector>

using namespace velmora::crypto;

namespace {

const std::uint8_t* Bytes(const QByteArray& data) {
    return reinterpret_cast<const std::uint8_t*>(data.constData());
}

QByteArray Block(const std::uint8_t* data) {
    return QByteArray(reinterpret_cast<const char*>(data), 16);
}

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

// FIPS-197 Figure 7, row by row.
const std::uint8_t Fips197Sbox[256] = {
    0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76, //
    0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0, //
    0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15, //
    0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75, //
    0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84, //
    0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf, //
    0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8, //
    0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2, //
    0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73, //
    0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb, //
    0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79, //
    0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08, //
    0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a, //
    0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e, //
    0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf, //
    0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16, //
};

std::uint8_t Times(std::uint8_t a, std::uint8_t b) {
    std::uint8_t p = 0;
    for (; b != 0; b >>= 1) {
        if (b & 1)
            p ^= a;
        a = static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
    }
    return p;
}

std::uint32_t Column(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return (std::uint32_t{b0} << 24) | (std::uint32_t{b1} << 16) | (std::uint32_t{b2} << 8) | b3;
}

std::uint32_t RotateRight(std::uint32_t w, int bits) {
    return bits == 0 ? w : (w >> bits) | (w << (32 - bits));
}

using KeySetup = int (*)(const std::uint8_t*, std::uint32_t, TAesContext&);
using BlockRoutine = int (*)(const std::uint8_t*, std::uint8_t*, const TAesContext&);

using AesPath = velmora::crypto::detail::AesPathScope;

// The tables always; the instructions where this processor has them.
std::vector<bool> Paths() {
    if (velmora::crypto::detail::AesHardwareAvailable())
        return {false, true};
    return {false};
}

const char* PathName(bool hardware) {
    return hardware ? "instructions" : "tables";
}

} // namespace

class TestAes : public QObject {
    Q_OBJECT

private slots:
    void appendixC_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("cipher");
        QTest::addColumn<int>("rounds");
        QTest::addColumn<bool>("hardware");
        for (bool hardware : {false, true}) {
            QTest::addRow("AES-128 %s", PathName(hardware))
                << Hex("000102030405060708090a0b0c0d0e0f") << Hex("69c4e0d86a7b0430d8cdb78070b4c55a") << 10
                << hardware;
            QTest::addRow("AES-192 %s", PathName(hardware))
                << Hex("000102030405060708090a0b0c0d0e0f1011121314151617")
                << Hex("dda97ca4864cdfe06eaf70a0ec0d7191") << 12 << hardware;
            QTest::addRow("AES-256 %s", PathName(hardware))
                << Hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f")
                << Hex("8ea2b7ca516745bfeafc49904b496089") << 14 << hardware;
        }
    }

    void appendixC() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, cipher);
        QFETCH(int, rounds);
        QFETCH(bool, hardware);
        if (hardware && !velmora::crypto::detail::AesHardwareAvailable())
            QSKIP("this processor has no AES instructions");
        const AesPath path(hardware);
        QCOMPARE(velmora::crypto::detail::AesHardwareInUse(), hardware);
        const QByteArray plain = Hex("00112233445566778899aabbccddeeff");

        TAesContext enc;
        QCOMPARE(AesEncryptKey(Bytes(key), static_cast<std::uint32_t>(key.size()), enc), 1);
        QCOMPARE(enc.rounds, std::uint32_t(rounds));
        QCOMPARE(enc.blockAndDirection, 17u);
        std::uint8_t out[16];
        QCOMPARE(AesEncrypt(Bytes(plain), out, enc), 1);
        QCOMPARE(Block(out), cipher);

        TAesContext dec;
        QCOMPARE(AesDecryptKey(Bytes(key), static_cast<std::uint32_t>(key.size()), dec), 1);
        QCOMPARE(dec.blockAndDirection, 18u);
        QCOMPARE(AesDecrypt(Bytes(cipher), out, dec), 1);
        QCOMPARE(Block(out), plain);

        // In place: the whole input is read before the first output byte is written.
        std::uint8_t inPlace[16];
        std::memcpy(inPlace, plain.constData(), 16);
        QCOMPARE(AesEncrypt(inPlace, inPlace, enc), 1);
        QCOMPARE(Block(inPlace), cipher);
        QCOMPARE(AesDecrypt(inPlace, inPlace, dec), 1);
        QCOMPARE(Block(inPlace), plain);
    }

    void appendixA_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("expanded");
        QTest::newRow("A.1 128")
            << Hex("2b7e151628aed2a6abf7158809cf4f3c")
            << Hex("2b7e1516 28aed2a6 abf71588 09cf4f3c a0fafe17 88542cb1 23a33939 2a6c7605 "
                   "f2c295f2 7a96b943 5935807a 7359f67f 3d80477d 4716fe3e 1e237e44 6d7a883b "
                   "ef44a541 a8525b7f b671253b db0bad00 d4d1c6f8 7c839d87 caf2b8bc 11f915bc "
                   "6d88a37a 110b3efd dbf98641 ca0093fd 4e54f70e 5f5fc9f3 84a64fb2 4ea6dc4f "
                   "ead27321 b58dbad2 312bf560 7f8d292f ac7766f3 19fadc21 28d12941 575c006e "
                   "d014f9a8 c9ee2589 e13f0cc8 b6630ca6");
        QTest::newRow("A.2 192")
            << Hex("8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b")
            << Hex("8e73b0f7 da0e6452 c810f32b 809079e5 62f8ead2 522c6b7b fe0c91f7 2402f5a5 "
                   "ec12068e 6c827f6b 0e7a95b9 5c56fec2 4db7b4bd 69b54118 85a74796 e92538fd "
                   "e75fad44 bb095386 485af057 21efb14f a448f6d9 4d6dce24 aa326360 113b30e6 "
                   "a25e7ed5 83b1cf9a 27f93943 6a94f767 c0a69407 d19da4e1 ec1786eb 6fa64971 "
                   "485f7032 22cb8755 e26d1352 33f0b7b3 40beeb28 2f18a259 6747d26b 458c553e "
                   "a7e1466c 9411f1df 821f750a ad07d753 ca400538 8fcc5006 282d166a bc3ce7b5 "
                   "e98ba06f 448c773c 8ecc7204 01002202");
        QTest::newRow("A.3 256")
            << Hex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4")
            << Hex("603deb10 15ca71be 2b73aef0 857d7781 1f352c07 3b6108d7 2d9810a3 0914dff4 "
                   "9ba35411 8e6925af a51a8b5f 2067fcde a8b09c1a 93d194cd be49846e b75d5b9a "
                   "d59aecb8 5bf3c917 fee94248 de8ebe96 b5a9328a 2678a647 98312229 2f6c79b3 "
                   "812c81ad dadf48ba 24360af2 fab8b464 98c5bfc9 bebd198e 268c3ba7 09e04214 "
                   "68007bac b2df3316 96e939e4 6c518d80 c814e204 76a9fb8a 5025c02d 59c58239 "
                   "de136967 6ccc5a71 fa256395 9674ee15 5886ca5d 2e2f31d7 7e0af1fa 27cf73c3 "
                   "749c47ab 18501dda e2757e4f 7401905a cafaaae3 e4d59b34 9adf6ace bd10190d "
                   "fe4890d1 e6188d0b 046df344 706c631e");
    }

    void appendixA() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, expanded);
        TAesContext context;
        QCOMPARE(AesEncryptKey(Bytes(key), static_cast<std::uint32_t>(key.size()), context), 1);
        const int words = static_cast<int>(expanded.size() / 4);
        QCOMPARE(words, 4 * (int(context.rounds) + 1));
        for (int i = 0; i < words; ++i) {
            const auto* w = Bytes(expanded) + 4 * i;
            QCOMPARE(context.roundKeys[i], Column(w[0], w[1], w[2], w[3]));
        }
    }

    void equivalentLengths_data() {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("bits");
        QTest::newRow("16/128") << 16 << 128;
        QTest::newRow("24/192") << 24 << 192;
        QTest::newRow("32/256") << 32 << 256;
    }

    void equivalentLengths() {
        QFETCH(int, bytes);
        QFETCH(int, bits);
        std::uint8_t key[32];
        for (int i = 0; i < 32; ++i)
            key[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 29));
        for (KeySetup setup : {KeySetup(AesEncryptKey), KeySetup(AesDecryptKey)}) {
            TAesContext a, b;
            std::memset(&a, 0x11, sizeof a);
            std::memset(&b, 0x11, sizeof b);
            QCOMPARE(setup(key, std::uint32_t(bytes), a), 1);
            QCOMPARE(setup(key, std::uint32_t(bits), b), 1);
            QVERIFY(std::memcmp(&a, &b, sizeof a) == 0);
        }
    }

    void refusedLengths_data() {
        QTest::addColumn<int>("length");
        for (int length : {0, 8, 15, 17, 20, 33, 64, 100, 127, 129, 160, 255, 257, 512})
            QTest::newRow(QByteArray::number(length).constData()) << length;
    }

    void refusedLengths() {
        QFETCH(int, length);
        const std::uint8_t key[64] = {1, 2, 3};
        const std::uint8_t in[16] = {9, 8, 7};
        for (bool hardware : Paths()) {
            const AesPath path(hardware);
            for (KeySetup setup : {KeySetup(AesEncryptKey), KeySetup(AesDecryptKey)}) {
                TAesContext context;
                // First a valid schedule, so that a refusal must actively clear the flags.
                QCOMPARE(setup(key, 16, context), 1);
                QCOMPARE(setup(key, std::uint32_t(length), context), 0);
                QCOMPARE(context.rounds, 0u);
                QCOMPARE(context.blockAndDirection, 16u);
                for (BlockRoutine routine : {BlockRoutine(AesEncrypt), BlockRoutine(AesDecrypt)}) {
                    std::uint8_t out[16];
                    std::memset(out, 0xEE, sizeof out);
                    QCOMPARE(routine(in, out, context), 0);
                    QCOMPARE(Block(out), QByteArray(16, char(0xEE)));
                }
            }
        }
    }

    void wrongDirection() {
        const std::uint8_t key[16] = {};
        const std::uint8_t in[16] = {1};
        TAesContext enc, dec;
        QCOMPARE(AesEncryptKey(key, 16, enc), 1);
        QCOMPARE(AesDecryptKey(key, 16, dec), 1);
        for (bool hardware : Paths()) {
            const AesPath path(hardware);
            std::uint8_t out[16];
            std::memset(out, 0xEE, sizeof out);
            QCOMPARE(AesDecrypt(in, out, enc), 0);
            QCOMPARE(AesEncrypt(in, out, dec), 0);
            QCOMPARE(Block(out), QByteArray(16, char(0xEE)));
        }
    }

    // Random keys and blocks: the instructions give the tables' bytes in both directions, for
    // every key size, into a separate buffer and in place.
    void pathsAgree_data() {
        QTest::addColumn<int>("keyLength");
        QTest::newRow("AES-128") << 16;
        QTest::newRow("AES-192") << 24;
        QTest::newRow("AES-256") << 32;
    }

    void pathsAgree() {
        QFETCH(int, keyLength);
        if (!velmora::crypto::detail::AesHardwareAvailable())
            QSKIP("this processor has no AES instructions");
        std::mt19937 random{std::uint32_t(keyLength)};
        for (int round = 0; round < 300; ++round) {
            std::uint8_t key[32], block[16];
            for (auto& b : key)
                b = static_cast<std::uint8_t>(random());
            for (auto& b : block)
                b = static_cast<std::uint8_t>(random());
            TAesContext enc, dec;
            QCOMPARE(AesEncryptKey(key, std::uint32_t(keyLength), enc), 1);
            QCOMPARE(AesDecryptKey(key, std::uint32_t(keyLength), dec), 1);

            std::uint8_t tables[2][16], instructions[2][16];
            {
                const AesPath path(false);
                QCOMPARE(AesEncrypt(block, tables[0], enc), 1);
                QCOMPARE(AesDecrypt(block, tables[1], dec), 1);
            }
            {
                const AesPath path(true);
                QCOMPARE(AesEncrypt(block, instructions[0], enc), 1);
                QCOMPARE(AesDecrypt(block, instructions[1], dec), 1);
                std::uint8_t inPlace[16];
                std::memcpy(inPlace, block, 16);
                QCOMPARE(AesEncrypt(inPlace, inPlace, enc), 1);
                QCOMPARE(Block(inPlace), Block(tables[0]));
                std::memcpy(inPlace, block, 16);
                QCOMPARE(AesDecrypt(inPlace, inPlace, dec), 1);
                QCOMPARE(Block(inPlace), Block(tables[1]));
            }
            QCOMPARE(Block(instructions[0]), Block(tables[0]));
            QCOMPARE(Block(instructions[1]), Block(tables[1]));
        }
    }

    // The constant tables against FIPS-197: its S-box, its inverse, and the products of the
    // standard's MixColumns and InvMixColumns matrices.
    void tablesMatchStandard() {
        using namespace velmora::crypto::tables;
        std::uint8_t inverse[256];
        for (int x = 0; x < 256; ++x)
            inverse[Fips197Sbox[x]] = static_cast<std::uint8_t>(x);
        for (int x = 0; x < 256; ++x) {
            const std::uint8_t s = Fips197Sbox[x];
            const std::uint8_t si = inverse[x];
            const auto v = static_cast<std::uint8_t>(x);
            const std::uint32_t expected[5] = {
                Column(Times(s, 2), s, s, Times(s, 3)),
                Column(s, 0, 0, 0),
                Column(Times(si, 0x0E), Times(si, 0x09), Times(si, 0x0D), Times(si, 0x0B)),
                Column(si, 0, 0, 0),
                Column(Times(v, 0x0E), Times(v, 0x09), Times(v, 0x0D), Times(v, 0x0B)),
            };
            for (int k = 0; k < 4; ++k) {
                QCOMPARE(ForwardRound[k][x], RotateRight(expected[0], 8 * k));
                QCOMPARE(ForwardLast[k][x], RotateRight(expected[1], 8 * k));
                QCOMPARE(InverseRound[k][x], RotateRight(expected[2], 8 * k));
                QCOMPARE(InverseLast[k][x], RotateRight(expected[3], 8 * k));
                QCOMPARE(InvMixColumns[k][x], RotateRight(expected[4], 8 * k));
            }
        }
        const std::uint8_t rcon[10] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x1B, 0x36};
        for (int i = 0; i < 10; ++i)
            QCOMPARE(RoundConstants[i], Column(rcon[i], 0, 0, 0));
    }

    // Many keys and blocks through both directions: decryption undoes encryption for every size.
    void roundTrips() {
        std::uint8_t key[32];
        std::uint8_t block[16];
        std::uint32_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return static_cast<std::uint8_t>(seed >> 16);
        };
        for (std::uint32_t length : {16u, 24u, 32u}) {
            for (int round = 0; round < 200; ++round) {
                for (auto& b : key)
                    b = next();
                for (auto& b : block)
                    b = next();
                TAesContext enc, dec;
                AesEncryptKey(key, length, enc);
                AesDecryptKey(key, length, dec);
                std::uint8_t cipher[16], back[16];
                AesEncrypt(block, cipher, enc);
                AesDecrypt(cipher, back, dec);
                QVERIFY(std::memcmp(cipher, block, 16) != 0);
                QVERIFY(std::memcmp(back, block, 16) == 0);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestAes)
#include "tst_Aes.moc"
