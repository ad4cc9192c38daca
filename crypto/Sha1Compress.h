#pragma once

// The SHA-1 compression function over whole 64-byte blocks, in two builds: portable C++ and,
// on x86 processors that have them, the SHA instructions. Both give the same words; the
// routines of AesLib pick the faster one once per process.

#include <cstddef>
#include <cstdint>

namespace velmora::crypto::detail {

void Sha1CompressPortable(std::uint32_t* hash, const std::uint8_t* blocks, std::size_t count);

// True when this processor has the SHA, SSSE3 and SSE4.1 instructions and this build has the
// routine that uses them.
bool Sha1HardwareAvailable();
// Only to be called when Sha1HardwareAvailable() is true.
void Sha1CompressHardware(std::uint32_t* hash, const std::uint8_t* blocks, std::size_t count);

} // namespace velmora::crypto::detail
