// The encrypted stream format: PBKDF2 keys, AES in counter mode, HMAC-SHA1 over the cipher text,
// and the classes that run it over streams in chunks through one buffer.

#include "crypto/AesHardware.h"
#include "crypto/AesLib.h"
#include "crypto/Wipe.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace velmora::crypto {
namespace {

constexpr std::uint32_t MaxSaltLength = SaltLength(3);
constexpr std::uint32_t MaxKeyMaterial = 2 * CryptKeyLength(3) + PasswordVerifierLength;

// Counter block j + 1 after j: bytes 0..7 little-endian with carry; bytes 8..15 never change.
void NextKeystreamBlock(TCryptContext& context) {
    for (int i = 0; i < 8; ++i)
        if (++context.counter[i] != 0)
            break;
    AesEncrypt(context.counter, context.keystream, context.aes);
}

bool HoldsEncryptionSchedule(const TAesContext& aes) {
    return (aes.blockAndDirection & AesEncryptFlag) != 0 &&
           (aes.rounds == 10 || aes.rounds == 12 || aes.rounds == 14);
}

// XORs blockCount whole blocks with the keystream blocks that follow the used-up one.
void KeystreamBlocks(std::uint8_t* data, std::size_t blockCount, TCryptContext& context) {
    if (detail::AesHardwareInUse() && HoldsEncryptionSchedule(context.aes)) {
        detail::AesCounterXorHardware(context.aes, context.counter, context.keystream, data, blockCount);
        return;
    }
    for (; blockCount > 0; --blockCount, data += AesBlockLength) {
        NextKeystreamBlock(context);
        std::uint64_t text[2];
        std::uint64_t key[2];
        std::memcpy(text, data, sizeof text);
        std::memcpy(key, context.keystream, sizeof key);
        text[0] ^= key[0];
        text[1] ^= key[1];
        std::memcpy(data, text, sizeof text);
    }
}

bool EqualInConstantTime(const std::uint8_t* a, const std::uint8_t* b, std::size_t length) {
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < length; ++i)
        difference |= static_cast<std::uint8_t>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace

int CryptInit(int mode, const std::uint8_t* password, std::size_t passwordLength, const std::uint8_t* salt,
              std::uint8_t* verifier, TCryptContext& context) {
    if (passwordLength > MaxPasswordLength)
        return CryptPasswordTooLong;
    if (mode < 1 || mode > 3)
        return CryptBadMode;
    const std::uint32_t keyLength = CryptKeyLength(mode);
    std::uint8_t material[MaxKeyMaterial];
    DeriveKey(password, passwordLength, salt, SaltLength(mode), KeyIterations, material,
              2 * keyLength + PasswordVerifierLength);

    std::memset(context.counter, 0, sizeof context.counter);
    std::memset(context.keystream, 0, sizeof context.keystream);
    context.keystreamPosition = AesBlockLength;
    AesEncryptKey(material, keyLength, context.aes);
    HmacSha1Begin(context.hmac);
    HmacSha1Key(material + keyLength, keyLength, context.hmac);
    std::memcpy(verifier, material + 2 * keyLength, PasswordVerifierLength);
    detail::SecureWipe(material, sizeof material);
    return 0;
}

void CryptKeystream(std::uint8_t* data, std::size_t length, TCryptContext& context) {
    std::uint32_t position = std::min(context.keystreamPosition, AesBlockLength);
    // What is left of the current keystream block.
    const std::size_t head = std::min<std::size_t>(length, AesBlockLength - position);
    for (std::size_t i = 0; i < head; ++i)
        data[i] ^= context.keystream[position + i];
    data += head;
    length -= head;
    position += static_cast<std::uint32_t>(head);
    // Whole blocks at once; the block is used up here whenever bytes remain.
    if (length >= AesBlockLength) {
        const std::size_t blocks = length / AesBlockLength;
        KeystreamBlocks(data, blocks, context);
        data += blocks * AesBlockLength;
        length -= blocks * AesBlockLength;
    }
    // The start of one more block.
    if (length > 0) {
        NextKeystreamBlock(context);
        for (std::size_t i = 0; i < length; ++i)
            data[i] ^= context.keystream[i];
        position = static_cast<std::uint32_t>(length);
    }
    context.keystreamPosition = position;
}

void CryptEncrypt(std::uint8_t* data, std::size_t length, TCryptContext& context) {
    CryptKeystream(data, length, context);
    HmacSha1Data(data, length, context.hmac);
}

void CryptDecrypt(std::uint8_t* data, std::size_t length, TCryptContext& context) {
    HmacSha1Data(data, length, context.hmac);
    CryptKeystream(data, length, context);
}

int CryptEnd(std::uint8_t* mac, TCryptContext& context) {
    return HmacSha1End(mac, MacLength, context.hmac);
}

TCrypt::TCrypt(std::string password, std::uint32_t bufferSize)
    : Mode(ModeForPasswordLength(password.size())), Password(std::move(password)), BufferSize(bufferSize) {
    if (bufferSize == 0)
        throw std::invalid_argument("the chunk buffer needs at least one byte");
    std::memset(&Context, 0, sizeof Context);
    Buffer.resize(bufferSize);
}

TCrypt::~TCrypt() {
    // The buffer last held plain text, the context the keys.
    detail::SecureWipe(Buffer.data(), Buffer.size());
    detail::SecureWipe(Password.data(), Password.size());
    detail::SecureWipe(&Context, sizeof Context);
}

TEncryption::TEncryption(std::string password, std::uint32_t bufferSize)
    : TCrypt(std::move(password), bufferSize) {
    PrngInit(CounterEntropy, Prng);
}

TEncryption::~TEncryption() {
    PrngEnd(Prng);
}

void TEncryption::Progress(std::uint8_t code, std::int64_t value) {
    if (OnProgress)
        OnProgress(*this, code, value);
}

bool TEncryption::EncryptStream(ByteStream& source, ByteStream& dest) {
    try {
        const std::uint32_t saltLength = SaltLength(Mode);
        std::uint8_t header[MaxSaltLength + PasswordVerifierLength];
        PrngRand(header, saltLength, Prng);
        // A refused password leaves keys that were never set: nothing may be encrypted with them.
        if (CryptInit(Mode, reinterpret_cast<const std::uint8_t*>(Password.data()), Password.size(), header,
                      header + saltLength, Context) != 0)
            return false;
        if (!dest.write(header, saltLength + PasswordVerifierLength))
            return false;

        std::int64_t total = 0;
        for (;;) {
            const std::int64_t got = source.read(Buffer.data(), BufferSize);
            if (got < 0 || got > BufferSize)
                return false;
            total += got;
            Progress(ProgressEncryptRead, total);
            const auto count = static_cast<std::uint32_t>(got);
            CryptEncrypt(Buffer.data(), count, Context);
            if (count > 0 && !dest.write(Buffer.data(), count))
                return false;
            if (count < BufferSize)
                break; // a short read is the end of the text
        }

        std::uint8_t mac[MacLength];
        CryptEnd(mac, Context);
        return dest.write(mac, MacLength);
    } catch (...) {
        return false;
    }
}

bool TEncryption::DecryptStream(ByteStream& source, ByteStream* dest, std::int64_t size) {
    try {
        Progress(ProgressDecryptSize, -size);
        const std::uint32_t saltLength = SaltLength(Mode);
        if (size < static_cast<std::int64_t>(StreamOverhead(Mode)))
            return false; // cannot even hold salt, verifier and code

        std::uint8_t salt[MaxSaltLength];
        if (source.read(salt, saltLength) != saltLength)
            return false;
        std::uint8_t expected[PasswordVerifierLength];
        if (CryptInit(Mode, reinterpret_cast<const std::uint8_t*>(Password.data()), Password.size(), salt,
                      expected, Context) != 0)
            return false;
        std::uint8_t verifier[PasswordVerifierLength];
        if (source.read(verifier, PasswordVerifierLength) != PasswordVerifierLength ||
            !EqualInConstantTime(verifier, expected, PasswordVerifierLength))
            return false;

        std::int64_t remaining = size - StreamOverhead(Mode);
        while (remaining > 0) {
            const auto wanted = static_cast<std::uint32_t>(std::min<std::int64_t>(BufferSize, remaining));
            const std::int64_t got = source.read(Buffer.data(), wanted);
            // An error, or a source that ran dry while cipher text is still owed.
            if (got <= 0 || got > wanted)
                return false;
            Progress(ProgressDecryptRead, got);
            const auto count = static_cast<std::uint32_t>(got);
            CryptDecrypt(Buffer.data(), count, Context);
            if (dest != nullptr && !dest->write(Buffer.data(), count))
                return false;
            remaining -= got;
        }

        std::uint8_t computed[MacLength];
        CryptEnd(computed, Context);
        std::uint8_t stored[MacLength] = {};
        if (source.read(stored, MacLength) != MacLength)
            return false;
        return EqualInConstantTime(computed, stored, MacLength);
    } catch (...) {
        return false;
    }
}

} // namespace velmora::crypto
