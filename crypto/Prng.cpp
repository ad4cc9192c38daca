// The salt generator: a 260-byte pool, refilled from a high-resolution counter and stirred with
// the SHA-1 compression function. Salts need to be new for every encryption, not secret.

#include "crypto/AesLib.h"
#include "crypto/Wipe.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace velmora::crypto {
namespace {

constexpr std::uint32_t SliceLength = Sha1DigestLength;

inline std::uint32_t LoadLittleEndian(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

inline void StoreLittleEndian(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    p[2] = static_cast<std::uint8_t>(value >> 16);
    p[3] = static_cast<std::uint8_t>(value >> 24);
}

} // namespace

void PrngMix(std::uint8_t* buffer) {
    TSha1Context scratch;
    for (std::uint32_t slice = 0; slice < PrngPoolLength; slice += SliceLength) {
        // Chained to the slice before, which this pass has already stirred (the last one for slice 0).
        const std::uint32_t previous = (slice + PrngPoolLength - SliceLength) % PrngPoolLength;
        for (int i = 0; i < 5; ++i)
            scratch.hash[i] = LoadLittleEndian(buffer + previous + 4 * i);
        for (std::uint32_t i = 0; i < Sha1BlockLength; ++i)
            scratch.block[i] = buffer[(slice + i) % PrngPoolLength];
        Sha1Compile(scratch);
        for (int i = 0; i < 5; ++i)
            StoreLittleEndian(buffer + slice + 4 * i, scratch.hash[i]);
    }
    detail::SecureWipe(&scratch, sizeof scratch);
}

void PrngUpdate(TPrngContext& context) {
    std::memcpy(context.output, context.pool, PrngPoolLength);
    for (std::uint32_t filled = 0; filled < PrngPoolLength;) {
        const std::uint32_t wanted = PrngPoolLength - filled;
        const std::uint32_t got = context.entropy(context.pool + filled, wanted);
        // A routine that reports nothing or too much must neither stall the refill nor overrun it.
        filled += std::clamp<std::uint32_t>(got, 1, wanted);
    }
    for (std::uint32_t i = 0; i < PrngPoolLength; ++i)
        context.pool[i] ^= static_cast<std::uint8_t>(~context.output[i]);
    PrngMix(context.pool);
    PrngMix(context.output);
}

void PrngInit(TEntropyFunction entropy, TPrngContext& context) {
    std::memset(&context, 0, sizeof context);
    context.entropy = entropy;
    PrngUpdate(context);
    for (int i = 0; i < 20; ++i)
        PrngMix(context.pool);
    PrngUpdate(context);
}

void PrngRand(std::uint8_t* data, std::size_t length, TPrngContext& context) {
    // A position past the buffer (the context is plain bytes anyone may have written) counts as
    // used up, so the request starts on a fresh buffer instead of reading beyond this one.
    std::uint32_t position = std::min(context.position, PrngPoolLength);
    while (length > 0) {
        const std::size_t take = std::min<std::size_t>(length, PrngPoolLength - position);
        std::memcpy(data, context.output + position, take);
        data += take;
        length -= take;
        position += static_cast<std::uint32_t>(take);
        if (position == PrngPoolLength) {
            PrngUpdate(context);
            position = 0;
        }
    }
    context.position = position;
}

void PrngEnd(TPrngContext& context) {
    detail::SecureWipe(&context, sizeof context);
}

std::uint32_t CounterEntropy(std::uint8_t* buffer, std::uint32_t length) {
    // Nanoseconds of the raw monotonic clock; if that is unavailable, milliseconds of the
    // ordinary monotonic clock in the low half.
    std::uint64_t value = 0;
    timespec now{};
#ifdef CLOCK_MONOTONIC_RAW
    const clockid_t fine = CLOCK_MONOTONIC_RAW;
#else
    const clockid_t fine = CLOCK_MONOTONIC;
#endif
    if (clock_gettime(fine, &now) == 0) {
        value =
            static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
    } else if (clock_gettime(CLOCK_MONOTONIC, &now) == 0) {
        value = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
    }
    const std::uint32_t count = std::min<std::uint32_t>(length, 8);
    for (std::uint32_t i = 0; i < count; ++i)
        buffer[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return count;
}

} // namespace velmora::crypto
