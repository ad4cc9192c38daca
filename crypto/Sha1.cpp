// SHA-1 (FIPS 180).

#include "crypto/AesLib.h"
#include "crypto/ByteOrder.h"
#include "crypto/Sha1Compress.h"
#include "crypto/Wipe.h"

#include <algorithm>
#include <cstring>

namespace velmora::crypto {
namespace {

using Word = std::uint32_t;

inline Word Rotl(Word x, int n) {
    return (x << n) | (x >> (32 - n));
}

using detail::LoadBigEndian;
using detail::StoreBigEndian;

// The 80 steps, unrolled, with the message schedule kept in a ring of 16 words.
#define VELMORA_SHA1_W(i)                                                                                    \
    (w[(i)&15] = Rotl(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))
#define VELMORA_SHA1_R0(v, x, y, z, u, i)                                                                    \
    u += ((x & (y ^ z)) ^ z) + w[i] + 0x5A827999 + Rotl(v, 5);                                               \
    x = Rotl(x, 30);
#define VELMORA_SHA1_R1(v, x, y, z, u, i)                                                                    \
    u += ((x & (y ^ z)) ^ z) + VELMORA_SHA1_W(i) + 0x5A827999 + Rotl(v, 5);                                  \
    x = Rotl(x, 30);
#define VELMORA_SHA1_R2(v, x, y, z, u, i)                                                                    \
    u += (x ^ y ^ z) + VELMORA_SHA1_W(i) + 0x6ED9EBA1 + Rotl(v, 5);                                          \
    x = Rotl(x, 30);
#define VELMORA_SHA1_R3(v, x, y, z, u, i)                                                                    \
    u += (((x | y) & z) | (x & y)) + VELMORA_SHA1_W(i) + 0x8F1BBCDC + Rotl(v, 5);                            \
    x = Rotl(x, 30);
#define VELMORA_SHA1_R4(v, x, y, z, u, i)                                                                    \
    u += (x ^ y ^ z) + VELMORA_SHA1_W(i) + 0xCA62C1D6 + Rotl(v, 5);                                          \
    x = Rotl(x, 30);
// Five steps rotate the roles of a..e back to where they started.
#define VELMORA_SHA1_FIVE(R, i)                                                                              \
    R(a, b, c, d, e, (i));                                                                                   \
    R(e, a, b, c, d, (i) + 1);                                                                               \
    R(d, e, a, b, c, (i) + 2);                                                                               \
    R(c, d, e, a, b, (i) + 3);                                                                               \
    R(b, c, d, e, a, (i) + 4);

void CompressOne(Word* hash, const std::uint8_t* block) {
    Word w[16];
    for (int i = 0; i < 16; ++i)
        w[i] = LoadBigEndian(block + 4 * i);
    Word a = hash[0], b = hash[1], c = hash[2], d = hash[3], e = hash[4];
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R0, 0)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R0, 5)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R0, 10)
    VELMORA_SHA1_R0(a, b, c, d, e, 15)
    VELMORA_SHA1_R1(e, a, b, c, d, 16)
    VELMORA_SHA1_R1(d, e, a, b, c, 17)
    VELMORA_SHA1_R1(c, d, e, a, b, 18)
    VELMORA_SHA1_R1(b, c, d, e, a, 19)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R2, 20)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R2, 25)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R2, 30)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R2, 35)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R3, 40)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R3, 45)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R3, 50)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R3, 55)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R4, 60)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R4, 65)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R4, 70)
    VELMORA_SHA1_FIVE(VELMORA_SHA1_R4, 75)
    hash[0] += a;
    hash[1] += b;
    hash[2] += c;
    hash[3] += d;
    hash[4] += e;
}

#undef VELMORA_SHA1_W
#undef VELMORA_SHA1_R0
#undef VELMORA_SHA1_R1
#undef VELMORA_SHA1_R2
#undef VELMORA_SHA1_R3
#undef VELMORA_SHA1_R4
#undef VELMORA_SHA1_FIVE

using CompressRoutine = void (*)(Word*, const std::uint8_t*, std::size_t);

CompressRoutine ChooseCompress() {
    return detail::Sha1HardwareAvailable() ? detail::Sha1CompressHardware : detail::Sha1CompressPortable;
}

// Chosen once per process: both routines give the same words.
inline void Compress(Word* hash, const std::uint8_t* blocks, std::size_t count = 1) {
    static const CompressRoutine routine = ChooseCompress();
    routine(hash, blocks, count);
}

std::uint64_t ByteCount(const TSha1Context& context) {
    return (std::uint64_t{context.count[1]} << 32) | context.count[0];
}

} // namespace

void detail::Sha1CompressPortable(std::uint32_t* hash, const std::uint8_t* blocks, std::size_t count) {
    for (; count > 0; --count, blocks += Sha1BlockLength)
        CompressOne(hash, blocks);
}

void Sha1Begin(TSha1Context& context) {
    context.count[0] = 0;
    context.count[1] = 0;
    context.hash[0] = 0x67452301;
    context.hash[1] = 0xEFCDAB89;
    context.hash[2] = 0x98BADCFE;
    context.hash[3] = 0x10325476;
    context.hash[4] = 0xC3D2E1F0;
}

void Sha1Compile(TSha1Context& context) {
    Compress(context.hash, context.block);
}

void Sha1Hash(const std::uint8_t* data, std::size_t length, TSha1Context& context) {
    if (length == 0)
        return; // data may be null then
    const std::uint64_t before = ByteCount(context);
    const std::uint64_t after = before + length;
    context.count[0] = static_cast<std::uint32_t>(after);
    context.count[1] = static_cast<std::uint32_t>(after >> 32);

    std::size_t position = before % Sha1BlockLength;
    if (position != 0) {
        const std::size_t take = std::min<std::size_t>(length, Sha1BlockLength - position);
        std::memcpy(context.block + position, data, take);
        data += take;
        length -= take;
        position += take;
        if (position < Sha1BlockLength)
            return;
        Compress(context.hash, context.block);
    }
    // Whole blocks straight from the caller's data.
    const std::size_t blocks = length / Sha1BlockLength;
    if (blocks > 0) {
        Compress(context.hash, data, blocks);
        data += blocks * Sha1BlockLength;
        length -= blocks * Sha1BlockLength;
    }
    if (length != 0)
        std::memcpy(context.block, data, length);
}

void Sha1End(std::uint8_t* digest, TSha1Context& context) {
    const std::uint64_t count = ByteCount(context);
    std::size_t position = count % Sha1BlockLength;
    context.block[position++] = 0x80;
    if (position > Sha1BlockLength - 8) {
        std::memset(context.block + position, 0, Sha1BlockLength - position);
        Compress(context.hash, context.block);
        position = 0;
    }
    std::memset(context.block + position, 0, Sha1BlockLength - 8 - position);
    const std::uint64_t bits = count << 3;
    StoreBigEndian(context.block + 56, static_cast<Word>(bits >> 32));
    StoreBigEndian(context.block + 60, static_cast<Word>(bits));
    Compress(context.hash, context.block);
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(digest + 4 * i, context.hash[i]);
}

void Sha1(std::uint8_t* digest, const std::uint8_t* data, std::size_t length) {
    TSha1Context context;
    Sha1Begin(context);
    Sha1Hash(data, length, context);
    Sha1End(digest, context);
}

} // namespace velmora::crypto
