// SHA-1 compression with the x86 SHA extensions (sha1rnds4, sha1nexte, sha1msg1, sha1msg2).
// Each group of four steps is one sha1rnds4; the message schedule runs three groups ahead
// in four registers.

#include "crypto/Sha1Compress.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

#include <utility>

namespace velmora::crypto::detail {
namespace {

#define VELMORA_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))
#define VELMORA_SHA_INLINE __attribute__((target("sha,sse4.1,ssse3"), always_inline)) inline

struct State {
    __m128i abcd;
    __m128i e[2];
    __m128i m[4];
};

// Group g covers steps 4g .. 4g+3 with the message words held in m[g % 4].
template <int G> VELMORA_SHA_INLINE void Group(State& s, const std::uint8_t* block, __m128i byteSwap) {
    constexpr int current = G % 2;
    constexpr int next = (G + 1) % 2;
    if constexpr (G < 4) {
        s.m[G] =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * G)), byteSwap);
    }
    if constexpr (G == 0)
        s.e[current] = _mm_add_epi32(s.e[current], s.m[0]);
    else
        s.e[current] = _mm_sha1nexte_epu32(s.e[current], s.m[G % 4]);
    s.e[next] = s.abcd;
    if constexpr (G >= 3 && G <= 18)
        s.m[(G + 1) % 4] = _mm_sha1msg2_epu32(s.m[(G + 1) % 4], s.m[G % 4]);
    s.abcd = _mm_sha1rnds4_epu32(s.abcd, s.e[current], G / 5);
    if constexpr (G >= 1 && G <= 16)
        s.m[(G + 3) % 4] = _mm_sha1msg1_epu32(s.m[(G + 3) % 4], s.m[G % 4]);
    if constexpr (G >= 2 && G <= 17)
        s.m[(G + 2) % 4] = _mm_xor_si128(s.m[(G + 2) % 4], s.m[G % 4]);
}

template <int... G>
VELMORA_SHA_INLINE void AllGroups(State& s, const std::uint8_t* block, __m128i byteSwap,
                                  std::integer_sequence<int, G...>) {
    (Group<G>(s, block, byteSwap), ...);
}

} // namespace

bool Sha1HardwareAvailable() {
    static const bool available = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!__get_cpuid(1, &a, &b, &c, &d))
            return false;
        const bool ssse3 = (c & bit_SSSE3) != 0;
        const bool sse41 = (c & bit_SSE4_1) != 0;
        if (!__get_cpuid_count(7, 0, &a, &b, &c, &d))
            return false;
        const bool sha = (b & bit_SHA) != 0;
        return ssse3 && sse41 && sha;
    }();
    return available;
}

VELMORA_SHA_TARGET void Sha1CompressHardware(std::uint32_t* hash, const std::uint8_t* blocks,
                                             std::size_t count) {
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
    State s;
    // sha1rnds4 wants A in the highest lane.
    s.abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(hash)), 0x1B);
    s.e[0] = _mm_set_epi32(static_cast<int>(hash[4]), 0, 0, 0);
    for (; count > 0; --count, blocks += 64) {
        const __m128i abcdBefore = s.abcd;
        const __m128i eBefore = s.e[0];
        AllGroups(s, blocks, byteSwap, std::make_integer_sequence<int, 20>{});
        // After twenty groups the final E sits in e[0] again.
        s.e[0] = _mm_sha1nexte_epu32(s.e[0], eBefore);
        s.abcd = _mm_add_epi32(s.abcd, abcdBefore);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(hash), _mm_shuffle_epi32(s.abcd, 0x1B));
    hash[4] = static_cast<std::uint32_t>(_mm_extract_epi32(s.e[0], 3));
}

#undef VELMORA_SHA_TARGET
#undef VELMORA_SHA_INLINE

} // namespace velmora::crypto::detail

#else

namespace velmora::crypto::detail {

bool Sha1HardwareAvailable() {
    return false;
}
void Sha1CompressHardware(std::uint32_t* hash, const std::uint8_t* blocks, std::size_t count) {
    Sha1CompressPortable(hash, blocks, count);
}

} // namespace velmora::crypto::detail

#endif
