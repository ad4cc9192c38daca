// SHA-1 (FIPS 180 examples and block-boundary lengths), HMAC-SHA1 (RFC 2202, keys in pieces),
// PBKDF2-HMAC-SHA1 (RFC 6070). Digests of the boundary messages come from an independent
// SHA-1 implementation; the keys and passwords beyond the 64-byte block of KnownAnswers.inc from
// Python's hmac and hashlib (regenerate: tools/crypto-answers/make_answers.py).

#include "crypto/AesLib.h"
#include "crypto/Sha1Compress.h"

#include "KnownAnswers.inc"

#include <QByteArray>
#include <QList>
#include <QTest>

#include <cstring>
#include <random>

using namespace velmora::crypto;

namespace {

const std::uint8_t* Bytes(const QByteArray& data) {
    return reinterpret_cast<const std::uint8_t*>(data.constData());
}

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray Digest(const std::uint8_t* digest, int length = 20) {
    return QByteArray(reinterpret_cast<const char*>(digest), length);
}

// i * 7 + 3, byte by byte: a message that is not one repeated byte.
QByteArray Pattern(int length) {
    QByteArray data(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        data[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return data;
}

QByteArray Sha1InPieces(const QByteArray& message, int piece) {
    TSha1Context context;
    Sha1Begin(context);
    for (qsizetype at = 0; at < message.size(); at += piece)
        Sha1Hash(Bytes(message) + at, static_cast<std::size_t>(qMin<qsizetype>(piece, message.size() - at)),
                 context);
    std::uint8_t digest[20];
    Sha1End(digest, context);
    return Digest(digest);
}

QByteArray HmacWithKeyPieces(const QByteArray& key, const QList<int>& pieces, const QByteArray& data) {
    THmacContext context;
    HmacSha1Begin(context);
    qsizetype at = 0;
    for (int piece : pieces) {
        if (HmacSha1Key(Bytes(key) + at, static_cast<std::size_t>(piece), context) != 0)
            return {};
        at += piece;
    }
    HmacSha1Data(Bytes(data), static_cast<std::size_t>(data.size()), context);
    std::uint8_t mac[20];
    HmacSha1End(mac, 20, context);
    return Digest(mac);
}

} // namespace

class TestHash : public QObject {
    Q_OBJECT

private slots:
    void sha1_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("digest");
        QTest::newRow("abc") << QByteArray("abc") << Hex("a9993e364706816aba3e25717850c26c9cd0d89d");
        QTest::newRow("448 bits") << QByteArray("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")
                                  << Hex("84983e441c3bd26ebaae4aa1f95129e5e54670f1");
        QTest::newRow("million a") << QByteArray(1000000, 'a')
                                   << Hex("34aa973cd4c4daa4f61eeb2bdbad27316534016f");
        const char* boundaries[][2] = {
            {"0", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
            {"55", "ddf57317ef34bfee3b6df83d359098930eb278bc"},
            {"56", "a0d492bb0fc889d0eca3bc137066ab6f4f74f369"},
            {"63", "c55856749bef509bdfe6bfebfc7bf4e793e82132"},
            {"64", "bede92be29c3874e1b54ddc77988d606fc857a8e"},
            {"65", "b05a80522b053d6dc7e0a517d0e70212c7dad11f"},
            {"119", "504e27376a6e0f0dba8295b85cb25dc4dfa17d23"},
        };
        for (const auto& row : boundaries)
            QTest::newRow((QByteArray(row[0]) + " bytes").constData())
                << Pattern(QByteArray(row[0]).toInt()) << Hex(row[1]);
    }

    // Whole, and in pieces that straddle the block boundary in different places.
    void sha1() {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, digest);
        std::uint8_t out[20];
        Sha1(out, Bytes(message), static_cast<std::size_t>(message.size()));
        QCOMPARE(Digest(out), digest);
        for (int piece : {1, 3, 13, 55, 63, 64, 65, 100})
            QCOMPARE(Sha1InPieces(message, piece), digest);
    }

    void hmac_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("mac");
        QTest::newRow("RFC 2202 1") << QByteArray(20, char(0x0b)) << QByteArray("Hi There")
                                    << Hex("b617318655057264e28bc0b6fb378c8ef146be00");
        QTest::newRow("RFC 2202 2") << QByteArray("Jefe") << QByteArray("what do ya want for nothing?")
                                    << Hex("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
        QTest::newRow("RFC 2202 3") << QByteArray(20, char(0xaa)) << QByteArray(50, char(0xdd))
                                    << Hex("125d7342b9ac11cd91a39af48aa17b4f63f175d3");
        QTest::newRow("RFC 2202 4") << Hex("0102030405060708090a0b0c0d0e0f10111213141516171819")
                                    << QByteArray(50, char(0xcd))
                                    << Hex("4c9007f4026250c6bc8414f9bf50c86c2d7235da");
        QTest::newRow("RFC 2202 5") << QByteArray(20, char(0x0c)) << QByteArray("Test With Truncation")
                                    << Hex("4c1a03424b55e07fe7f27be1d58bb9324a9a5a04");
        QTest::newRow("RFC 2202 6") << QByteArray(80, char(0xaa))
                                    << QByteArray("Test Using Larger Than Block-Size Key - Hash Key First")
                                    << Hex("aa4ae5e15272d00e95705637ce8a3b55ed402112");
        QTest::newRow("RFC 2202 7")
            << QByteArray(80, char(0xaa))
            << QByteArray("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data")
            << Hex("e8e99d0f45237d786d6bbaa7965c7808bbff1a91");
        for (const known::Hmac& row : known::Hmacs)
            QTest::newRow(row.name) << Hex(row.key) << Hex(row.data) << Hex(row.mac);
    }

    void hmac() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, mac);
        std::uint8_t out[20];
        HmacSha1(Bytes(key), static_cast<std::size_t>(key.size()), Bytes(data),
                 static_cast<std::size_t>(data.size()), out, 20);
        QCOMPARE(Digest(out), mac);

        // Truncated tags are the tag's first bytes.
        std::uint8_t shortMac[12];
        HmacSha1(Bytes(key), static_cast<std::size_t>(key.size()), Bytes(data),
                 static_cast<std::size_t>(data.size()), shortMac, 12);
        QCOMPARE(Digest(shortMac, 12), mac.left(12));

        // A key given in pieces is the same key, on both sides of the 64-byte boundary.
        const int length = int(key.size());
        QList<QList<int>> splits = {{length},        {length / 2, length - length / 2},
                                    {1, length - 1}, {length - 1, 1},
                                    {0, length, 0},  QList<int>(length, 1)};
        if (length > 64) {
            for (int first : {40, 63, 64, 65, 70})
                if (first < length)
                    splits.append({first, length - first});
            splits.append({64, 1, length - 65});
        }
        for (const QList<int>& pieces : splits)
            QCOMPARE(HmacWithKeyPieces(key, pieces, data), mac);
    }

    void hmacWithoutData_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("mac");
        QTest::newRow("short key") << QByteArray("key") << Hex("f42bb0eeb018ebbd4597ae7213711ec60760843f");
        QTest::newRow("80-byte key") << QByteArray(80, char(0xaa))
                                     << Hex("6fb70a345b84a347a0ca3b58b4f8ddc6ab1ec61f");
    }

    // The end call itself ends the key phase: the tag of the empty message.
    void hmacWithoutData() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, mac);
        THmacContext context;
        HmacSha1Begin(context);
        QCOMPARE(HmacSha1Key(Bytes(key), static_cast<std::size_t>(key.size()), context), 0);
        std::uint8_t out[20];
        QCOMPARE(HmacSha1End(out, 20, context), 20);
        QCOMPARE(Digest(out), mac);
    }

    void keyAfterDataIsRefused() {
        const QByteArray key("Jefe");
        const QByteArray data("what do ya want for nothing?");
        THmacContext context;
        HmacSha1Begin(context);
        HmacSha1Key(Bytes(key), 4, context);
        HmacSha1Data(Bytes(data), 10, context);
        THmacContext before = context;
        QCOMPARE(HmacSha1Key(Bytes(key), 4, context), -1);
        QVERIFY(std::memcmp(&before, &context, sizeof context) == 0);
        HmacSha1Data(Bytes(data) + 10, static_cast<std::size_t>(data.size() - 10), context);
        std::uint8_t out[20];
        HmacSha1End(out, 20, context);
        QCOMPARE(Digest(out), Hex("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"));
    }

    void derivation_data() {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("salt");
        QTest::addColumn<int>("iterations");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("RFC 6070 1") << QByteArray("password") << QByteArray("salt") << 1
                                    << Hex("0c60c80f961f0e71f3a9b524af6012062fe037a6");
        QTest::newRow("RFC 6070 2") << QByteArray("password") << QByteArray("salt") << 2
                                    << Hex("ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
        QTest::newRow("RFC 6070 3") << QByteArray("password") << QByteArray("salt") << 4096
                                    << Hex("4b007901b765489abead49d926f721d065a429c1");
        QTest::newRow("RFC 6070 5 (25 bytes)")
            << QByteArray("passwordPASSWORDpassword") << QByteArray("saltSALTsaltSALTsaltSALTsaltSALTsalt")
            << 4096 << Hex("3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
        QTest::newRow("RFC 6070 6 (NUL bytes)") << QByteArray("pass\0word", 9) << QByteArray("sa\0lt", 5)
                                                << 4096 << Hex("56fa6aa75548099dcc37d7f03425e0c3");
        // The settings stream's key material (34 bytes in mode 1) is a prefix of the longer outputs.
        const QByteArray long66 =
            Hex("9617a487e864477e44d68851049cb705d8676422e870978111fc1c101bf2e560ae13431409d5ad"
                "5525df0e72ab15019ca141918d13e4ae36fb1f1bc12346ec496fc5");
        for (int length : {34, 50, 66})
            QTest::newRow(QByteArray::number(length).append(" bytes").constData())
                << QByteArray("pzqvmtrwxk") << Hex("0102030405060708") << 1000 << long66.left(length);
        for (const known::Derivation& row : known::Derivations)
            QTest::newRow(row.name) << Hex(row.password) << Hex(row.salt) << row.iterations << Hex(row.key);
    }

    void derivation() {
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, salt);
        QFETCH(int, iterations);
        QFETCH(QByteArray, key);
        QByteArray out(key.size(), char(0xEE));
        DeriveKey(Bytes(password), static_cast<std::size_t>(password.size()), Bytes(salt),
                  static_cast<std::size_t>(salt.size()), std::uint32_t(iterations),
                  reinterpret_cast<std::uint8_t*>(out.data()), static_cast<std::size_t>(out.size()));
        QCOMPARE(out, key);
    }

    void zeroIterationsGiveZeros() {
        QByteArray out(34, char(0xEE));
        DeriveKey(reinterpret_cast<const std::uint8_t*>("pw"), 2,
                  reinterpret_cast<const std::uint8_t*>("salt"), 4, 0,
                  reinterpret_cast<std::uint8_t*>(out.data()), 34);
        QCOMPARE(out, QByteArray(34, '\0'));
    }

    // The processor's SHA instructions and the portable code must agree word for word.
    void compressionRoutinesAgree() {
        if (!velmora::crypto::detail::Sha1HardwareAvailable())
            QSKIP("this processor has no SHA instructions");
        std::mt19937 random(2024);
        for (std::size_t blocks : {1u, 2u, 3u, 17u}) {
            for (int round = 0; round < 100; ++round) {
                std::vector<std::uint8_t> data(64 * blocks);
                for (auto& b : data)
                    b = static_cast<std::uint8_t>(random());
                std::uint32_t portable[5], hardware[5];
                for (int i = 0; i < 5; ++i)
                    portable[i] = hardware[i] = static_cast<std::uint32_t>(random());
                velmora::crypto::detail::Sha1CompressPortable(portable, data.data(), blocks);
                velmora::crypto::detail::Sha1CompressHardware(hardware, data.data(), blocks);
                QVERIFY(std::memcmp(portable, hardware, sizeof portable) == 0);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestHash)
#include "tst_Hash.moc"
