// Differential checks of the settings encryption, one kind per input:
//  - AES and SHA-1: the table-driven and portable code against the processor's instructions,
//    where this processor has them;
//  - SHA-1, HMAC-SHA1 (key and data) and the keystream fed in pieces against one call, the
//    keystream pieces on either AES path;
//  - a text encrypted and decrypted again, with a password of each length class, and found
//    damaged after one byte of its stream is changed.
// Any disagreement aborts with a line naming it.

#include "crypto/AesHardware.h"
#include "crypto/AesLib.h"
#include "crypto/MemoryStream.h"
#include "crypto/Sha1Compress.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace velmora::crypto;
using Bytes = std::vector<std::uint8_t>;

void Expect(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "disagreement: %s\n", what);
        std::abort();
    }
}

bool Same(const void* a, const void* b, std::size_t length) {
    return std::memcmp(a, b, length) == 0;
}

// What a check consumes: the input's bytes and numbers while it lasts, and where it runs
// short (libFuzzer starts with tiny inputs) a generator seeded by it, so that short inputs still
// reach long data, many pieces and both AES paths.
class Source {
public:
    explicit Source(FuzzedDataProvider& input) : input_(input) {}

    Bytes bytes(std::size_t length) {
        Bytes bytes = input_.ConsumeBytes<std::uint8_t>(length);
        for (std::uint8_t byte : bytes)
            state_ = state_ * 31 + byte;
        while (bytes.size() < length)
            bytes.push_back(static_cast<std::uint8_t>(next()));
        return bytes;
    }
    std::size_t upTo(std::size_t most) {
        return (input_.ConsumeIntegral<std::uint16_t>() ^ next()) % (most + 1);
    }
    std::size_t between(std::size_t least, std::size_t most) { return least + upTo(most - least); }
    Bytes bytesUpTo(std::size_t most) { return bytes(upTo(most)); }
    std::uint32_t word() {
        const Bytes b = bytes(4);
        return b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t{b[3]} << 24);
    }
    bool flip() { return ((input_.ConsumeBool() ? 1u : 0u) ^ next()) & 1u; }
    std::uint32_t keyLength() { return 16 + 8 * static_cast<std::uint32_t>(upTo(2)); }

private:
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

    FuzzedDataProvider& input_;
    std::uint32_t state_ = 0x9E3779B9u;
};

// Cuts length bytes into pieces of up to 300 bytes, empty ones included.
std::vector<std::size_t> Pieces(Source& input, std::size_t length) {
    std::vector<std::size_t> pieces;
    for (int i = 0; i < 64 && length > 0; ++i) {
        pieces.push_back(input.upTo(std::min<std::size_t>(length, 300)));
        length -= pieces.back();
    }
    pieces.push_back(length);
    return pieces;
}

void AesPaths(Source& input) {
    const std::uint32_t keyLength = input.keyLength();
    const Bytes key = input.bytes(keyLength);
    TAesContext enc, dec;
    Expect(AesEncryptKey(key.data(), keyLength, enc) == 1, "AES encryption key refused");
    Expect(AesDecryptKey(key.data(), keyLength, dec) == 1, "AES decryption key refused");
    const Bytes blocks = input.bytes(16 * input.between(1, 16));
    for (std::size_t at = 0; at < blocks.size(); at += 16) {
        const std::uint8_t* block = blocks.data() + at;
        std::uint8_t tables[2][16], instructions[2][16], inPlace[16];
        {
            const detail::AesPathScope path(false);
            AesEncrypt(block, tables[0], enc);
            AesDecrypt(tables[0], tables[1], dec);
        }
        Expect(Same(tables[1], block, 16), "AES decryption of the encryption, tables");
        if (!detail::AesHardwareAvailable())
            continue;
        {
            const detail::AesPathScope path(true);
            AesEncrypt(block, instructions[0], enc);
            AesDecrypt(instructions[0], instructions[1], dec);
            std::memcpy(inPlace, block, 16);
            AesEncrypt(inPlace, inPlace, enc);
        }
        Expect(Same(tables[0], instructions[0], 16), "AES encryption: tables and instructions");
        Expect(Same(inPlace, instructions[0], 16), "AES encryption in place");
        Expect(Same(instructions[1], block, 16), "AES decryption of the encryption, instructions");
    }
}

void Sha1Paths(Source& input) {
    if (!detail::Sha1HardwareAvailable())
        return;
    std::uint32_t portable[5], hardware[5];
    for (int i = 0; i < 5; ++i)
        portable[i] = hardware[i] = input.word();
    const Bytes blocks = input.bytes(64 * input.between(1, 8));
    detail::Sha1CompressPortable(portable, blocks.data(), blocks.size() / 64);
    detail::Sha1CompressHardware(hardware, blocks.data(), blocks.size() / 64);
    Expect(Same(portable, hardware, sizeof portable), "SHA-1 compression: portable and instructions");
}

void Sha1Pieces(Source& input) {
    const Bytes message = input.bytesUpTo(1000);
    std::uint8_t whole[20], pieced[20];
    Sha1(whole, message.data(), message.size());
    TSha1Context context;
    Sha1Begin(context);
    std::size_t at = 0;
    for (std::size_t piece : Pieces(input, message.size())) {
        Sha1Hash(message.data() + at, piece, context);
        at += piece;
    }
    Sha1End(pieced, context);
    Expect(Same(whole, pieced, 20), "SHA-1 in pieces");
}

void HmacPieces(Source& input) {
    const Bytes key = input.bytesUpTo(200);
    const Bytes data = input.bytesUpTo(500);
    const auto macLength = static_cast<std::uint32_t>(input.upTo(20));
    std::uint8_t whole[20], pieced[20];
    HmacSha1(key.data(), key.size(), data.data(), data.size(), whole, 20);

    THmacContext context;
    HmacSha1Begin(context);
    std::size_t at = 0;
    for (std::size_t piece : Pieces(input, key.size())) {
        Expect(HmacSha1Key(key.data() + at, piece, context) == 0, "HMAC key refused in the key phase");
        at += piece;
    }
    at = 0;
    bool keyRefused = true;
    for (std::size_t piece : Pieces(input, data.size())) {
        HmacSha1Data(data.data() + at, piece, context);
        at += piece;
        keyRefused = keyRefused && HmacSha1Key(key.data(), key.size(), context) == -1;
    }
    Expect(keyRefused, "HMAC key accepted after data");
    Expect(HmacSha1End(pieced, macLength, context) == static_cast<int>(macLength), "HMAC tag length");
    Expect(Same(whole, pieced, macLength), "HMAC with key and data in pieces");
}

// One call on the tables against pieces on paths picked from the input, from any counter.
void KeystreamPieces(Source& input) {
    const std::uint32_t keyLength = input.keyLength();
    const Bytes key = input.bytes(keyLength);
    const Bytes counter = input.bytes(16);
    const Bytes text = input.bytesUpTo(2000);
    TCryptContext start;
    std::memset(&start, 0, sizeof start);
    AesEncryptKey(key.data(), keyLength, start.aes);
    std::memcpy(start.counter, counter.data(), 16);
    start.keystreamPosition = AesBlockLength;

    TCryptContext whole = start;
    Bytes once = text;
    {
        const detail::AesPathScope path(false);
        CryptKeystream(once.data(), once.size(), whole);
    }
    TCryptContext pieced = start;
    Bytes inPieces = text;
    std::size_t at = 0;
    for (std::size_t piece : Pieces(input, text.size())) {
        const detail::AesPathScope path(input.flip());
        CryptKeystream(inPieces.data() + at, piece, pieced);
        at += piece;
    }
    Expect(once == inPieces, "keystream in pieces");
    Expect(Same(whole.counter, pieced.counter, 16), "counter after the keystream in pieces");
    Expect(whole.keystreamPosition == pieced.keystreamPosition, "keystream position after pieces");
    Expect(Same(whole.keystream, pieced.keystream, 16), "last keystream block after pieces");
}

void RoundTrip(Source& input) {
    static constexpr std::size_t Classes[][2] = {{0, 31}, {32, 47}, {48, MaxPasswordLength}};
    const auto& lengths = Classes[input.upTo(2)];
    const Bytes passwordBytes = input.bytes(input.between(lengths[0], lengths[1]));
    const std::string password(passwordBytes.begin(), passwordBytes.end());
    const auto writeBuffer = static_cast<std::uint32_t>(input.between(1, 300));
    const auto readBuffer = static_cast<std::uint32_t>(input.between(1, 300));
    const auto damageAt = input.word();
    const auto damage = static_cast<std::uint8_t>(input.between(1, 255));
    const Bytes text = input.bytesUpTo(1000);

    TEncryption writer(password, writeBuffer);
    MemoryStream source(text), stream;
    Expect(writer.EncryptStream(source, stream), "encryption failed");
    const Bytes written = stream.bytes();
    Expect(written.size() == text.size() + StreamOverhead(writer.mode()), "stream length");

    TEncryption reader(password, readBuffer);
    MemoryStream back;
    Expect(reader.DecryptStream(stream, &back, static_cast<std::int64_t>(written.size())),
           "decryption failed");
    Expect(back.bytes() == text, "decrypted text");

    Bytes damaged = written;
    damaged[damageAt % damaged.size()] ^= damage;
    MemoryStream broken(damaged);
    Expect(!reader.DecryptStream(broken, nullptr, static_cast<std::int64_t>(damaged.size())),
           "damaged stream accepted");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!detail::AesHardwareAvailable())
        std::printf("this processor has no AES instructions: tables against instructions is skipped\n");
    if (!detail::Sha1HardwareAvailable())
        std::printf(
            "this processor has no SHA instructions: portable SHA-1 against instructions is skipped\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    Source input(provider);
    switch (provider.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
        AesPaths(input);
        break;
    case 1:
        Sha1Paths(input);
        break;
    case 2:
        Sha1Pieces(input);
        break;
    case 3:
        HmacPieces(input);
        break;
    case 4:
        KeystreamPieces(input);
        break;
    default:
        RoundTrip(input);
        break;
    }
    return 0;
}
