// The encrypted stream format and the stream operations of TEncryption. The fixed-salt streams
// of KnownAnswers.inc come from tools/crypto-answers/make_answers.py, which builds the format
// from Python's PBKDF2 and HMAC and another AES (regenerate: see the top of that file); they pin
// the byte layout of every password class that stored settings files rely on.

#include "crypto/AesHardware.h"
#include "crypto/AesLib.h"
#include "crypto/MemoryStream.h"

#include "InPieces.h"
#include "KnownAnswers.inc"

#include <QByteArray>
#include <QList>
#include <QTest>

#include <cstring>
#include <stdexcept>
#include <utility>

using namespace velmora::crypto;

namespace {

const QByteArray SettingsPassword("pzqvmtrwxk");

const std::uint8_t* Bytes(const QByteArray& data) {
    return reinterpret_cast<const std::uint8_t*>(data.constData());
}

std::vector<std::uint8_t> Vector(const QByteArray& data) {
    return {data.begin(), data.end()};
}

QByteArray ToBytes(const std::vector<std::uint8_t>& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
}

QByteArray Text(int length) {
    QByteArray text(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        text[i] = static_cast<char>('a' + i % 26);
    return text;
}

// The salt of the settings password's known stream.
const QByteArray KnownSalt = QByteArray::fromHex("0102030405060708");

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex));
}

// A stream as EncryptStream writes it, but with a chosen salt.
QByteArray StreamWithSalt(const QByteArray& password, const QByteArray& salt, QByteArray text) {
    const int mode = ModeForPasswordLength(std::size_t(password.size()));
    TCryptContext context;
    std::uint8_t verifier[2];
    if (CryptInit(mode, Bytes(password), std::size_t(password.size()), Bytes(salt), verifier, context) != 0)
        return {};
    CryptEncrypt(reinterpret_cast<std::uint8_t*>(text.data()), std::size_t(text.size()), context);
    std::uint8_t mac[MacLength];
    CryptEnd(mac, context);
    return salt.left(SaltLength(mode)) + QByteArray(reinterpret_cast<const char*>(verifier), 2) + text +
           QByteArray(reinterpret_cast<const char*>(mac), MacLength);
}

QByteArray Encrypt(const QByteArray& text, const QByteArray& password = SettingsPassword,
                   std::uint32_t bufferSize = 64) {
    TEncryption encryption(password.toStdString(), bufferSize);
    MemoryStream source(Vector(text)), dest;
    if (!encryption.EncryptStream(source, dest))
        return {};
    return ToBytes(dest.bytes());
}

struct Decrypted {
    bool ok;
    QByteArray text;
};

Decrypted Decrypt(const QByteArray& stream, const QByteArray& password = SettingsPassword,
                  std::uint32_t bufferSize = 64, std::int64_t size = -1) {
    TEncryption encryption(password.toStdString(), bufferSize);
    MemoryStream source(Vector(stream)), dest;
    const bool ok = encryption.DecryptStream(source, &dest, size < 0 ? stream.size() : size);
    return {ok, ToBytes(dest.bytes())};
}

// A memory stream whose n-th read or write fails, by result or by exception, and that counts.
class ScriptedStream : public MemoryStream {
public:
    enum Failure { None, ErrorResult, Exception };
    using MemoryStream::MemoryStream;

    Failure readFailure = None;
    int failingRead = 0;
    Failure writeFailure = None;
    int failingWrite = 0;
    int reads = 0;
    int writes = 0;
    std::int64_t bytesRead = 0;

    std::int64_t read(std::uint8_t* buffer, std::uint32_t count) override {
        if (++reads == failingRead) {
            if (readFailure == Exception)
                throw std::runtime_error("read failed");
            return -1;
        }
        const std::int64_t got = MemoryStream::read(buffer, count);
        bytesRead += got;
        return got;
    }

    bool write(const std::uint8_t* buffer, std::uint32_t count) override {
        if (++writes == failingWrite) {
            if (writeFailure == Exception)
                throw std::runtime_error("write failed");
            return false;
        }
        return MemoryStream::write(buffer, count);
    }
};

} // namespace

class TestEncryption : public QObject {
    Q_OBJECT

private slots:
    void knownStreams_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("hardware");
        for (int row = 0; row < int(std::size(known::Streams)); ++row)
            for (bool hardware : {false, true})
                QTest::addRow("%s, %s", known::Streams[row].name, hardware ? "instructions" : "tables")
                    << row << hardware;
    }

    // Keys by PBKDF2 of the password's class, the counter from 1 little-endian in bytes 0..7,
    // the code over the cipher text only; any chunking, both ways, on both AES paths.
    void knownStreams() {
        QFETCH(int, row);
        QFETCH(bool, hardware);
        if (hardware && !velmora::crypto::detail::AesHardwareAvailable())
            QSKIP("this processor has no AES instructions");
        const velmora::crypto::detail::AesPathScope path(hardware);
        const known::Stream& known = known::Streams[row];
        const QByteArray password = Hex(known.password);
        const QByteArray salt = Hex(known.salt);
        const QByteArray text = Hex(known.text);
        const int mode = ModeForPasswordLength(std::size_t(password.size()));
        QCOMPARE(salt.size(), qsizetype(SaltLength(mode)));

        TCryptContext fresh;
        std::uint8_t verifier[2];
        QCOMPARE(CryptInit(mode, Bytes(password), std::size_t(password.size()), Bytes(salt), verifier, fresh),
                 0);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(verifier), 2), Hex(known.verifier));
        for (const QList<int>& pieces :
             QList<QList<int>>{{int(text.size())}, {1}, {16}, {17}, {3, 13, 0, 200}}) {
            TCryptContext context = fresh;
            QByteArray data = text;
            InPieces(CryptEncrypt, data, pieces, context);
            QCOMPARE(data, Hex(known.cipher));
            std::uint8_t mac[MacLength];
            QCOMPARE(CryptEnd(mac, context), 10);
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(mac), 10), Hex(known.mac));

            context = fresh;
            InPieces(CryptDecrypt, data, pieces, context);
            QCOMPARE(data, text);
            CryptEnd(mac, context);
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(mac), 10), Hex(known.mac));
        }

        // The class picks the mode from the password alone and reads the stream back.
        const QByteArray stream = salt + Hex(known.verifier) + Hex(known.cipher) + Hex(known.mac);
        QCOMPARE(StreamWithSalt(password, salt, text), stream); // the other tests' stream builder
        const Decrypted result = Decrypt(stream, password, 64);
        QVERIFY(result.ok);
        QCOMPARE(result.text, text);
    }

    void cryptInitRefusals_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("passwordLength");
        QTest::addColumn<int>("result");
        QTest::newRow("129-byte password") << 3 << 129 << CryptPasswordTooLong;
        QTest::newRow("long password wins over bad mode") << 0 << 200 << CryptPasswordTooLong;
        QTest::newRow("mode 0") << 0 << 10 << CryptBadMode;
        QTest::newRow("mode 4") << 4 << 10 << CryptBadMode;
        QTest::newRow("mode -1") << -1 << 10 << CryptBadMode;
    }

    void cryptInitRefusals() {
        QFETCH(int, mode);
        QFETCH(int, passwordLength);
        QFETCH(int, result);
        const QByteArray password(passwordLength, 'p');
        TCryptContext context, before;
        std::memset(&context, 0x5A, sizeof context);
        before = context;
        std::uint8_t verifier[2] = {0x5A, 0x5A};
        QCOMPARE(CryptInit(mode, Bytes(password), std::size_t(passwordLength), Bytes(QByteArray(16, 's')),
                           verifier, context),
                 result);
        QVERIFY(std::memcmp(&context, &before, sizeof context) == 0);
        QCOMPARE(int(verifier[0]), 0x5A);
        QCOMPARE(int(verifier[1]), 0x5A);
    }

    void emptyText() {
        const QByteArray stream = Encrypt({});
        QCOMPARE(stream.size(), 20);
        const Decrypted result = Decrypt(stream);
        QVERIFY(result.ok);
        QVERIFY(result.text.isEmpty());
    }

    // A text of whole buffers ends with one more read that delivers nothing.
    void wholeBuffers_data() {
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<int>("buffers");
        QTest::newRow("16 x 1") << 16 << 1;
        QTest::newRow("16 x 3") << 16 << 3;
        QTest::newRow("100 x 1") << 100 << 1;
        QTest::newRow("100 x 2") << 100 << 2;
    }

    void wholeBuffers() {
        QFETCH(int, bufferSize);
        QFETCH(int, buffers);
        const QByteArray text = Text(bufferSize * buffers);
        TEncryption encryption(SettingsPassword.toStdString(), std::uint32_t(bufferSize));
        ScriptedStream source(Vector(text));
        MemoryStream dest;
        QVERIFY(encryption.EncryptStream(source, dest));
        QCOMPARE(source.reads, buffers + 1);
        const QByteArray stream = ToBytes(dest.bytes());
        QCOMPARE(stream.size(), text.size() + 20);
        QCOMPARE(stream, StreamWithSalt(SettingsPassword, stream.left(8), text));
        const Decrypted result = Decrypt(stream, SettingsPassword, std::uint32_t(bufferSize));
        QVERIFY(result.ok);
        QCOMPARE(result.text, text);
    }

    void chunkSizes_data() {
        QTest::addColumn<int>("bufferSize");
        for (int size : {1, 16, 17, 262144})
            QTest::newRow(QByteArray::number(size).constData()) << size;
    }

    // Whatever the chunking, the stream is the one-piece stream for its salt, and every
    // chunking reads it back.
    void chunkSizes() {
        QFETCH(int, bufferSize);
        const QByteArray text = Text(1000);
        const QByteArray stream = Encrypt(text, SettingsPassword, std::uint32_t(bufferSize));
        QCOMPARE(stream, StreamWithSalt(SettingsPassword, stream.left(8), text));
        for (int readSize : {1, 16, 17, 262144}) {
            const Decrypted result = Decrypt(stream, SettingsPassword, std::uint32_t(readSize));
            QVERIFY(result.ok);
            QCOMPARE(result.text, text);
        }
    }

    void passwordLengths_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("overhead");
        QTest::newRow("0") << 0 << 1 << 20;
        QTest::newRow("31") << 31 << 1 << 20;
        QTest::newRow("32") << 32 << 2 << 24;
        QTest::newRow("47") << 47 << 2 << 24;
        QTest::newRow("48") << 48 << 3 << 28;
        QTest::newRow("128") << 128 << 3 << 28;
    }

    void passwordLengths() {
        QFETCH(int, length);
        QFETCH(int, mode);
        QFETCH(int, overhead);
        QByteArray password(length, Qt::Uninitialized);
        for (int i = 0; i < length; ++i)
            password[i] = static_cast<char>('!' + i % 90);
        QCOMPARE(TEncryption(password.toStdString(), 16).mode(), mode);
        const QByteArray text = Text(77);
        const QByteArray stream = Encrypt(text, password);
        QCOMPARE(stream.size(), text.size() + overhead);
        QCOMPARE(stream, StreamWithSalt(password, stream.left(overhead - 12), text));
        const Decrypted result = Decrypt(stream, password);
        QVERIFY(result.ok);
        QCOMPARE(result.text, text);
    }

    // Keys that CryptInit refused to set must never encrypt or decrypt anything.
    void overlongPasswordIsRefused() {
        const QByteArray password(129, 'p');
        TEncryption encryption(password.toStdString(), 64);
        MemoryStream source(Vector(Text(50))), dest;
        QVERIFY(!encryption.EncryptStream(source, dest));
        QVERIFY(dest.bytes().empty());

        MemoryStream stream(Vector(Encrypt(Text(50), QByteArray(128, 'p'))));
        QVERIFY(!encryption.DecryptStream(stream, &dest, stream.size()));
        QVERIFY(dest.bytes().empty());
    }

    void freshSaltEveryTime() {
        TEncryption encryption(SettingsPassword.toStdString(), 64);
        const QByteArray text = Text(30);
        QByteArray streams[2];
        for (auto& stream : streams) {
            MemoryStream source(Vector(text)), dest;
            QVERIFY(encryption.EncryptStream(source, dest));
            stream = ToBytes(dest.bytes());
        }
        QVERIFY(streams[0].left(8) != streams[1].left(8));
        QVERIFY(streams[0].mid(10, 30) != streams[1].mid(10, 30));
        for (const auto& stream : streams) {
            // The same object decrypts what it wrote, and so does any other.
            MemoryStream source(Vector(stream)), dest;
            QVERIFY(encryption.DecryptStream(source, &dest, stream.size()));
            QCOMPARE(ToBytes(dest.bytes()), text);
            QCOMPARE(Decrypt(stream).text, text);
        }
    }

    void wrongPasswordWritesNothing() {
        const QByteArray stream = StreamWithSalt(SettingsPassword, KnownSalt, Text(40));
        const Decrypted result = Decrypt(stream, "pzqvmtrwxl");
        QVERIFY(!result.ok);
        QVERIFY(result.text.isEmpty());
    }

    // One damaged byte of a 40-byte text's stream (10 bytes of salt and verifier, the cipher
    // text, 10 bytes of code), at both buffer sizes. Salt or verifier: the password check
    // refuses before anything is written. Cipher text, counter mode: the damage stays in its
    // bit, and the code notices it. Code: the text is whole, the code check fails.
    void flippedByte_data() {
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("mask");
        QTest::addColumn<QByteArray>("text");
        for (int i = 0; i < 10; ++i)
            QTest::addRow("header byte %d", i) << i << 0x80 << QByteArray();
        const std::pair<int, int> flips[] = {{0, 0}, {17, 5}, {39, 7}};
        for (const auto& [byte, bit] : flips) {
            QByteArray flipped = Text(40);
            flipped[byte] = static_cast<char>(flipped[byte] ^ (1 << bit));
            QTest::addRow("cipher byte %d, bit %d", byte, bit) << 10 + byte << (1 << bit) << flipped;
        }
        for (int i = 0; i < 10; ++i)
            QTest::addRow("code byte %d", i) << 50 + i << 0x01 << Text(40);
    }

    void flippedByte() {
        QFETCH(int, at);
        QFETCH(int, mask);
        QFETCH(QByteArray, text);
        QByteArray stream = StreamWithSalt(SettingsPassword, KnownSalt, Text(40));
        stream[at] = static_cast<char>(stream[at] ^ mask);
        for (const std::uint32_t bufferSize : {16u, 64u}) {
            const Decrypted result = Decrypt(stream, SettingsPassword, bufferSize);
            QVERIFY(!result.ok);
            QCOMPARE(result.text, text);
        }
    }

    void verifyOnly() {
        const QByteArray stream = Encrypt(Text(300));
        TEncryption encryption(SettingsPassword.toStdString(), 64);
        MemoryStream intact(Vector(stream));
        QVERIFY(encryption.DecryptStream(intact, nullptr, stream.size()));
        QByteArray damaged = stream;
        damaged[100] = static_cast<char>(damaged[100] ^ 0x10);
        MemoryStream broken(Vector(damaged));
        QVERIFY(!encryption.DecryptStream(broken, nullptr, damaged.size()));
    }

    // Sizes from the too-short to the one-byte-short: never True, never reads past what the
    // header needs when the size cannot even hold salt, verifier and code.
    void truncated_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("textWritten");
        for (int length : {0, 1, 8, 9, 10, 19})
            QTest::newRow(QByteArray::number(length).constData()) << length << 0;
        QTest::newRow("20") << 20 << 0;
        QTest::newRow("21") << 21 << 1;
        QTest::newRow("code cut by 1") << 59 << 39;
        QTest::newRow("code gone") << 50 << 30;
    }

    void truncated() {
        QFETCH(int, length);
        QFETCH(int, textWritten);
        const QByteArray stream = StreamWithSalt(SettingsPassword, KnownSalt, Text(40)).left(length);
        TEncryption encryption(SettingsPassword.toStdString(), 16);
        ScriptedStream source(Vector(stream));
        MemoryStream dest;
        QVERIFY(!encryption.DecryptStream(source, &dest, stream.size()));
        QCOMPARE(ToBytes(dest.bytes()), Text(textWritten));
        if (length < 20)
            QCOMPARE(source.reads, 0);
    }

    // The size says more than the source holds: the loop must end, with False.
    void sourceRunsDry_data() {
        QTest::addColumn<int>("extra");
        QTest::newRow("1 byte") << 1;
        QTest::newRow("10 bytes") << 10;
        QTest::newRow("a megabyte") << (1 << 20);
    }

    void sourceRunsDry() {
        QFETCH(int, extra);
        const QByteArray stream = StreamWithSalt(SettingsPassword, KnownSalt, Text(40));
        QVERIFY(!Decrypt(stream, SettingsPassword, 16, stream.size() + extra).ok);
        QVERIFY(!Decrypt(stream, SettingsPassword, 16, stream.size() - 1).ok);
    }

    // The size claims a whole stream, but the source ends inside the salt or the verifier.
    void shortHeaderRead_data() {
        QTest::addColumn<int>("available");
        for (int available : {0, 5, 8, 9})
            QTest::newRow(QByteArray::number(available).constData()) << available;
    }

    void shortHeaderRead() {
        QFETCH(int, available);
        const QByteArray stream = StreamWithSalt(SettingsPassword, KnownSalt, Text(40)).left(available);
        const Decrypted result = Decrypt(stream, SettingsPassword, 16, 60);
        QVERIFY(!result.ok);
        QVERIFY(result.text.isEmpty());
    }

    void failingRead_data() {
        QTest::addColumn<int>("failure");
        QTest::addColumn<int>("call");
        for (int call = 1; call <= 5; ++call) {
            QTest::newRow(qPrintable(QStringLiteral("error result, read %1").arg(call)))
                << int(ScriptedStream::ErrorResult) << call;
            QTest::newRow(qPrintable(QStringLiteral("exception, read %1").arg(call)))
                << int(ScriptedStream::Exception) << call;
        }
    }

    // Decrypting reads salt, verifier, three 16-byte chunks... ; encrypting reads chunks only.
    void failingRead() {
        QFETCH(int, failure);
        QFETCH(int, call);
        const QByteArray text = Text(40);
        {
            TEncryption encryption(SettingsPassword.toStdString(), 16);
            ScriptedStream source(Vector(text));
            source.readFailure = ScriptedStream::Failure(failure);
            source.failingRead = call;
            MemoryStream dest;
            QCOMPARE(encryption.EncryptStream(source, dest), call > 3);
        }
        {
            const QByteArray stream = StreamWithSalt(SettingsPassword, KnownSalt, text);
            TEncryption encryption(SettingsPassword.toStdString(), 16);
            ScriptedStream source(Vector(stream));
            source.readFailure = ScriptedStream::Failure(failure);
            source.failingRead = call;
            MemoryStream dest;
            QVERIFY(!encryption.DecryptStream(source, &dest, stream.size()));
        }
    }

    void failingWrite_data() {
        QTest::addColumn<int>("failure");
        QTest::addColumn<int>("call");
        for (int call = 1; call <= 5; ++call) {
            QTest::newRow(qPrintable(QStringLiteral("error result, write %1").arg(call)))
                << int(ScriptedStream::ErrorResult) << call;
            QTest::newRow(qPrintable(QStringLiteral("exception, write %1").arg(call)))
                << int(ScriptedStream::Exception) << call;
        }
    }

    // Encrypting 40 bytes in 16-byte chunks writes: header, 16, 16, 8, code.
    void failingWrite() {
        QFETCH(int, failure);
        QFETCH(int, call);
        {
            TEncryption encryption(SettingsPassword.toStdString(), 16);
            MemoryStream source(Vector(Text(40)));
            ScriptedStream dest;
            dest.writeFailure = ScriptedStream::Failure(failure);
            dest.failingWrite = call;
            QVERIFY(!encryption.EncryptStream(source, dest));
        }
        {
            const QByteArray stream = StreamWithSalt(SettingsPassword, KnownSalt, Text(40));
            TEncryption encryption(SettingsPassword.toStdString(), 16);
            MemoryStream source(Vector(stream));
            ScriptedStream dest;
            dest.writeFailure = ScriptedStream::Failure(failure);
            dest.failingWrite = call;
            QCOMPARE(encryption.DecryptStream(source, &dest, stream.size()), call > 3);
        }
    }

    void zeroBufferSizeIsRefused() {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, TEncryption(SettingsPassword.toStdString(), 0));
    }

    void progress() {
        TEncryption encryption(SettingsPassword.toStdString(), 40);
        QList<QPair<int, qint64>> calls;
        encryption.OnProgress = [&](TEncryption& sender, std::uint8_t code, std::int64_t value) {
            QCOMPARE(&sender, &encryption);
            calls.append({code, value});
        };
        MemoryStream source(Vector(Text(100))), dest;
        QVERIFY(encryption.EncryptStream(source, dest));
        QCOMPARE(calls, (QList<QPair<int, qint64>>{{4, 40}, {4, 80}, {4, 100}}));

        calls.clear();
        MemoryStream stream(dest.bytes()), text;
        QVERIFY(encryption.DecryptStream(stream, &text, 120));
        QCOMPARE(calls, (QList<QPair<int, qint64>>{{1, -120}, {5, 40}, {5, 40}, {5, 20}}));
    }
};

QTEST_GUILESS_MAIN(TestEncryption)
#include "tst_Encryption.moc"
