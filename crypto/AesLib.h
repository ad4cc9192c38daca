#pragma once

// AesLib: the encryption of the settings file, all of it our own code.
//   AES block cipher (FIPS-197), SHA-1 (FIPS 180), HMAC-SHA1 (RFC 2104), PBKDF2 (RFC 2898),
//   a salt generator, and the encrypted stream format with the classes that run it over streams.
// Plain C++ on purpose: this layer links nothing, least of all Qt. Contexts are plain records
// without pointers (the salt generator's entropy routine aside), so they may be copied, kept on
// the stack and wiped as bytes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora::crypto {

// ---------------------------------------------------------------------------------------------
// AES block cipher

inline constexpr std::uint32_t AesBlockLength = 16;
inline constexpr std::uint32_t AesEncryptFlag = 1; // added to the block length in the direction word
inline constexpr std::uint32_t AesDecryptFlag = 2;

// One key schedule.
struct TAesContext {
    // Word i is w[i] of FIPS-197, first byte most significant; 4 x (rounds + 1) are used.
    std::uint32_t roundKeys[64];
    // 10, 12 or 14; 0 after a refused key setup.
    std::uint32_t rounds;
    // 16 plus AesEncryptFlag or AesDecryptFlag; 16 alone after a refused key setup.
    std::uint32_t blockAndDirection;
};

// keyLength counts bytes (16, 24, 32) or bits (128, 192, 256). Returns 1 when the context now
// holds the encryption schedule; 0 on any other length (rounds 0, no direction flag).
int AesEncryptKey(const std::uint8_t* key, std::uint32_t keyLength, TAesContext& context);

// Encrypts one 16-byte block; inBlock and outBlock may be the same buffer. Returns 1, or 0
// without writing when the context holds no encryption schedule.
int AesEncrypt(const std::uint8_t* inBlock, std::uint8_t* outBlock, const TAesContext& context);

// The same for the decryption direction (FIPS-197 equivalent inverse cipher).
int AesDecryptKey(const std::uint8_t* key, std::uint32_t keyLength, TAesContext& context);
int AesDecrypt(const std::uint8_t* inBlock, std::uint8_t* outBlock, const TAesContext& context);

// ---------------------------------------------------------------------------------------------
// SHA-1

inline constexpr std::uint32_t Sha1DigestLength = 20;
inline constexpr std::uint32_t Sha1BlockLength = 64;

struct TSha1Context {
    std::uint32_t count[2]; // bytes hashed so far: low word, high word
    std::uint32_t hash[5];  // chaining words H0..H4
    std::uint8_t block[64]; // current partial block, in message order
};

void Sha1Begin(TSha1Context& context);
void Sha1Hash(const std::uint8_t* data, std::size_t length, TSha1Context& context);
void Sha1End(std::uint8_t* digest, TSha1Context& context);
// The bare compression function over the chaining words and the block buffer; the block's
// words are read with their first byte most significant.
void Sha1Compile(TSha1Context& context);
void Sha1(std::uint8_t* digest, const std::uint8_t* data, std::size_t length);

// ---------------------------------------------------------------------------------------------
// HMAC-SHA1 with a key that may arrive in pieces

inline constexpr std::uint32_t HmacDataPhase = 0xFFFFFFFF;

// All bytes zero is a valid empty context.
struct THmacContext {
    std::uint8_t keyBlock[64];
    TSha1Context hash;
    // Key bytes supplied so far while in the key phase; HmacDataPhase once data have begun.
    std::uint32_t keyLength;
};

void HmacSha1Begin(THmacContext& context);
// Adds key bytes; pieces count as one key. Returns -1 and changes nothing once data have begun.
int HmacSha1Key(const std::uint8_t* key, std::size_t length, THmacContext& context);
// The first call ends the key phase.
void HmacSha1Data(const std::uint8_t* data, std::size_t length, THmacContext& context);
// Writes the first macLength (at most 20) bytes of the tag and returns that count.
int HmacSha1End(std::uint8_t* mac, std::uint32_t macLength, THmacContext& context);
void HmacSha1(const std::uint8_t* key, std::size_t keyLength, const std::uint8_t* data,
              std::size_t dataLength, std::uint8_t* mac, std::uint32_t macLength);

// PBKDF2 with HMAC-SHA1 (RFC 2898 section 5.2): keyLength bytes of output. 0 iterations give zeros.
void DeriveKey(const std::uint8_t* password, std::size_t passwordLength, const std::uint8_t* salt,
               std::size_t saltLength, std::uint32_t iterations, std::uint8_t* key, std::size_t keyLength);

// ---------------------------------------------------------------------------------------------
// Salt generator: a 260-byte pool stirred with the SHA-1 compression function

inline constexpr std::uint32_t PrngPoolLength = 260; // 13 slices of one SHA-1 digest

// Writes between 1 and length bytes of fresh entropy at buffer and returns how many.
using TEntropyFunction = std::uint32_t (*)(std::uint8_t* buffer, std::uint32_t length);

struct TPrngContext {
    std::uint8_t pool[PrngPoolLength];
    std::uint8_t output[PrngPoolLength];
    std::uint32_t position; // next byte of output to hand out
    TEntropyFunction entropy;
};

void PrngInit(TEntropyFunction entropy, TPrngContext& context);
void PrngRand(std::uint8_t* data, std::size_t length, TPrngContext& context);
void PrngEnd(TPrngContext& context);
// Stirs a pool-sized buffer slice by slice, each slice chained to the one before it.
void PrngMix(std::uint8_t* buffer);
// Hands the pool on to the output buffer and refills the pool from the entropy routine.
void PrngUpdate(TPrngContext& context);
// The monotonic high-resolution counter, least significant byte first: min(length, 8) bytes.
std::uint32_t CounterEntropy(std::uint8_t* buffer, std::uint32_t length);

// ---------------------------------------------------------------------------------------------
// Encrypted stream format:
//   salt (SaltLength) | password verifier (2) | text XOR AES-CTR keystream | HMAC-SHA1 over it (10)
// Keys, HMAC key and verifier come from the password and the salt by PBKDF2 with 1000 iterations.
// Nothing in the stream names its mode: both sides derive it from the password's length.

inline constexpr std::uint32_t PasswordVerifierLength = 2;
inline constexpr std::uint32_t MacLength = 10;
inline constexpr std::uint32_t KeyIterations = 1000;
inline constexpr std::uint32_t MaxPasswordLength = 128;
inline constexpr int CryptPasswordTooLong = -100;
inline constexpr int CryptBadMode = -101;

// Mode 1, 2, 3 selects AES-128, -192, -256.
constexpr int ModeForPasswordLength(std::size_t length) {
    return length < 32 ? 1 : length < 48 ? 2 : 3;
}
constexpr std::uint32_t SaltLength(int mode) {
    return 4 * static_cast<std::uint32_t>(mode) + 4;
}
constexpr std::uint32_t CryptKeyLength(int mode) {
    return 8 * static_cast<std::uint32_t>(mode) + 8;
}
// Salt, verifier and code: what a stream adds to its text.
constexpr std::uint32_t StreamOverhead(int mode) {
    return SaltLength(mode) + PasswordVerifierLength + MacLength;
}

struct TCryptContext {
    std::uint8_t counter[16];   // bytes 0..7: little-endian block number; 8..15 stay zero
    std::uint8_t keystream[16]; // AES of the counter block
    TAesContext aes;
    THmacContext hmac;
    std::uint32_t keystreamPosition; // next keystream byte; 16 when the block is used up
};

// Derives the keys from password and salt (SaltLength(mode) bytes), resets the counter and writes
// the 2-byte verifier. Returns 0, CryptPasswordTooLong or CryptBadMode; a refusal changes nothing.
int CryptInit(int mode, const std::uint8_t* password, std::size_t passwordLength, const std::uint8_t* salt,
              std::uint8_t* verifier, TCryptContext& context);
// XORs data with the keystream in place; chunks of any sizes give the same bytes as one call.
void CryptKeystream(std::uint8_t* data, std::size_t length, TCryptContext& context);
// Encrypts in place, then authenticates the cipher text.
void CryptEncrypt(std::uint8_t* data, std::size_t length, TCryptContext& context);
// Authenticates the cipher text, then decrypts it in place.
void CryptDecrypt(std::uint8_t* data, std::size_t length, TCryptContext& context);
// Writes the MacLength-byte authentication code and returns MacLength.
int CryptEnd(std::uint8_t* mac, TCryptContext& context);

// A byte stream as the stream operations see it. A failure may be thrown or returned;
// either ends the operation with false.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    // Up to count bytes; fewer only at the end of the data; negative on an error.
    virtual std::int64_t read(std::uint8_t* buffer, std::uint32_t count) = 0;
    // False when not every byte was written.
    virtual bool write(const std::uint8_t* buffer, std::uint32_t count) = 0;
    // Total length in bytes; negative when unknown.
    virtual std::int64_t size() = 0;
};

// Password and chunk buffer of a run of stream operations.
class TCrypt {
public:
    // Throws std::invalid_argument for a buffer size of 0: no chunk loop could end with it.
    TCrypt(std::string password, std::uint32_t bufferSize);
    virtual ~TCrypt();
    TCrypt(const TCrypt&) = delete;
    TCrypt& operator=(const TCrypt&) = delete;

    int mode() const { return Mode; }
    std::uint32_t bufferSize() const { return BufferSize; }

protected:
    int Mode;
    TCryptContext Context;
    std::string Password; // its bytes, as they stand, are the PBKDF2 password
    std::uint32_t BufferSize;
    std::vector<std::uint8_t> Buffer;
};

class TEncryption : public TCrypt {
public:
    // Codes of OnProgress.
    static constexpr std::uint8_t ProgressDecryptSize = 1; // value: minus the stream's size
    static constexpr std::uint8_t ProgressEncryptRead = 4; // value: bytes read so far
    static constexpr std::uint8_t ProgressDecryptRead = 5; // value: bytes of the last read
    using ProgressHandler = std::function<void(TEncryption& sender, std::uint8_t code, std::int64_t value)>;

    // Seeds the salt generator from the monotonic counter.
    TEncryption(std::string password, std::uint32_t bufferSize);
    ~TEncryption() override;

    // Reads source from its position to its end and writes the whole encrypted stream to dest.
    // False when the password is too long or a read or write fails; what was written stays.
    bool EncryptStream(ByteStream& source, ByteStream& dest);
    // Reads an encrypted stream of size bytes and writes its text to dest, or only checks it when
    // dest is null. True only when the verifier and the authentication code both match. Nothing
    // is written when the header is refused; a damaged text is written in full before the code
    // is found wrong.
    bool DecryptStream(ByteStream& source, ByteStream* dest, std::int64_t size);

    ProgressHandler OnProgress; // optional

protected:
    TPrngContext Prng;

private:
    void Progress(std::uint8_t code, std::int64_t value);
};

} // namespace velmora::crypto
