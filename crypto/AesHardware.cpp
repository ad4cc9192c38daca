// AES (FIPS-197) with the x86 AES instructions: aesenc/aesenclast run one round of the cipher,
// aesdec/aesdeclast one round of the equivalent inverse cipher, whose round keys AesDecryptKey
// already stores. The instructions hold a block in memory order, byte 0 in the lowest lane, so
// the round-key words, stored first byte most significant, are byte-swapped on loading.

#include "crypto/AesHardware.h"

#include <atomic>

namespace velmora::crypto::detail {
namespace {

// Set by tests to run the table-driven code on a processor that has the instructions.
std::atomic<bool> hardwareTurnedOff{false};

} // namespace

void UseAesHardware(bool use) {
    hardwareTurnedOff.store(!use, std::memory_order_relaxed);
}

bool AesHardwareInUse() {
    return AesHardwareAvailable() && !hardwareTurnedOff.load(std::memory_order_relaxed);
}

} // namespace velmora::crypto::detail

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>
#include <wmmintrin.h>

namespace velmora::crypto::detail {
namespace {

#define VELMORA_AES_TARGET __attribute__((target("aes,sse4.1")))
#define VELMORA_AES_INLINE __attribute__((target("aes,sse4.1"), always_inline)) inline

// Blocks encrypted side by side in counter mode: enough to cover the latency of aesenc.
constexpr std::size_t Lanes = 8;

// Round key r as the instructions want it.
VELMORA_AES_INLINE __m128i RoundKey(const TAesContext& context, int r) {
    const __m128i swapWords = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(context.roundKeys + 4 * r)),
                            swapWords);
}

template <int Rounds> VELMORA_AES_INLINE void LoadRoundKeys(const TAesContext& context, __m128i* keys) {
#pragma GCC unroll 15
    for (int r = 0; r <= Rounds; ++r)
        keys[r] = RoundKey(context, r);
}

template <int Rounds> VELMORA_AES_INLINE __m128i EncryptOne(__m128i block, const __m128i* keys) {
    block = _mm_xor_si128(block, keys[0]);
#pragma GCC unroll 15
    for (int r = 1; r < Rounds; ++r)
        block = _mm_aesenc_si128(block, keys[r]);
    return _mm_aesenclast_si128(block, keys[Rounds]);
}

// Round by round across all lanes, so that independent aesenc follow each other.
template <int Rounds> VELMORA_AES_INLINE void EncryptLanes(__m128i* blocks, const __m128i* keys) {
#pragma GCC unroll 8
    for (std::size_t i = 0; i < Lanes; ++i)
        blocks[i] = _mm_xor_si128(blocks[i], keys[0]);
#pragma GCC unroll 14
    for (int r = 1; r < Rounds; ++r) {
        const __m128i key = keys[r];
#pragma GCC unroll 8
        for (std::size_t i = 0; i < Lanes; ++i)
            blocks[i] = _mm_aesenc_si128(blocks[i], key);
    }
#pragma GCC unroll 8
    for (std::size_t i = 0; i < Lanes; ++i)
        blocks[i] = _mm_aesenclast_si128(blocks[i], keys[Rounds]);
}

template <int Rounds>
VELMORA_AES_TARGET void Encrypt(const std::uint8_t* inBlock, std::uint8_t* outBlock,
                                const TAesContext& context) {
    __m128i keys[Rounds + 1];
    LoadRoundKeys<Rounds>(context, keys);
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(inBlock));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(outBlock), EncryptOne<Rounds>(block, keys));
}

template <int Rounds>
VELMORA_AES_TARGET void Decrypt(const std::uint8_t* inBlock, std::uint8_t* outBlock,
                                const TAesContext& context) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(inBlock));
    block = _mm_xor_si128(block, RoundKey(context, Rounds));
#pragma GCC unroll 15
    for (int r = Rounds - 1; r > 0; --r)
        block = _mm_aesdec_si128(block, RoundKey(context, r));
    block = _mm_aesdeclast_si128(block, RoundKey(context, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(outBlock), block);
}

template <int Rounds>
VELMORA_AES_TARGET void CounterXor(const TAesContext& context, std::uint8_t* counterBlock,
                                   std::uint8_t* keystream, std::uint8_t* data, std::size_t blockCount) {
    __m128i keys[Rounds + 1];
    LoadRoundKeys<Rounds>(context, keys);
    // Bytes 0..7 of the counter block are the low 64-bit lane, little-endian: a 64-bit add
    // counts exactly as the format does, wrapping within them, and leaves bytes 8..15 alone.
    const __m128i one = _mm_set_epi64x(0, 1);
    __m128i counter = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counterBlock));
    __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keystream));
    auto* at = reinterpret_cast<__m128i*>(data);

    for (; blockCount >= Lanes; blockCount -= Lanes, at += Lanes) {
        __m128i blocks[Lanes];
#pragma GCC unroll 8
        for (std::size_t i = 0; i < Lanes; ++i) {
            counter = _mm_add_epi64(counter, one);
            blocks[i] = counter;
        }
        EncryptLanes<Rounds>(blocks, keys);
#pragma GCC unroll 8
        for (std::size_t i = 0; i < Lanes; ++i)
            _mm_storeu_si128(at + i, _mm_xor_si128(_mm_loadu_si128(at + i), blocks[i]));
        last = blocks[Lanes - 1];
    }
    for (; blockCount > 0; --blockCount, ++at) {
        counter = _mm_add_epi64(counter, one);
        last = EncryptOne<Rounds>(counter, keys);
        _mm_storeu_si128(at, _mm_xor_si128(_mm_loadu_si128(at), last));
    }

    _mm_storeu_si128(reinterpret_cast<__m128i*>(counterBlock), counter);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(keystream), last);
}

bool ProcessorHasAes() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
}

#undef VELMORA_AES_TARGET
#undef VELMORA_AES_INLINE

} // namespace

bool AesHardwareAvailable() {
    static const bool available = ProcessorHasAes();
    return available;
}

void AesEncryptHardware(const std::uint8_t* inBlock, std::uint8_t* outBlock, const TAesContext& context) {
    switch (context.rounds) {
    case 10:
        return Encrypt<10>(inBlock, outBlock, context);
    case 12:
        return Encrypt<12>(inBlock, outBlock, context);
    default:
        return Encrypt<14>(inBlock, outBlock, context);
    }
}

void AesDecryptHardware(const std::uint8_t* inBlock, std::uint8_t* outBlock, const TAesContext& context) {
    switch (context.rounds) {
    case 10:
        return Decrypt<10>(inBlock, outBlock, context);
    case 12:
        return Decrypt<12>(inBlock, outBlock, context);
    default:
        return Decrypt<14>(inBlock, outBlock, context);
    }
}

void AesCounterXorHardware(const TAesContext& context, std::uint8_t* counter, std::uint8_t* keystream,
                           std::uint8_t* data, std::size_t blockCount) {
    switch (context.rounds) {
    case 10:
        return CounterXor<10>(context, counter, keystream, data, blockCount);
    case 12:
        return CounterXor<12>(context, counter, keystream, data, blockCount);
    default:
        return CounterXor<14>(context, counter, keystream, data, blockCount);
    }
}

} // namespace velmora::crypto::detail

#else

// Other processors and compilers: the table-driven code only. The routines below are never
// reached through the public ones, which ask AesHardwareInUse() first.

#include <cstring>

namespace velmora::crypto::detail {

bool AesHardwareAvailable() {
    return false;
}

void AesEncryptHardware(const std::uint8_t* inBlock, std::uint8_t* outBlock, const TAesContext& context) {
    AesEncrypt(inBlock, outBlock, context);
}

void AesDecryptHardware(const std::uint8_t* inBlock, std::uint8_t* outBlock, const TAesContext& context) {
    AesDecrypt(inBlock, outBlock, context);
}

void AesCounterXorHardware(const TAesContext& context, std::uint8_t* counter, std::uint8_t* keystream,
                           std::uint8_t* data, std::size_t blockCount) {
    for (; blockCount > 0; --blockCount, data += AesBlockLength) {
        for (int i = 0; i < 8; ++i)
            if (++counter[i] != 0)
                break;
        AesEncrypt(counter, keystream, context);
        for (std::uint32_t i = 0; i < AesBlockLength; ++i)
            data[i] ^= keystream[i];
    }
}

} // namespace velmora::crypto::detail

#endif
