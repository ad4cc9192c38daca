#pragma once

// AES with the processor's AES instructions, beside the table-driven code of Aes.cpp. Both work
// from the same TAesContext (round keys as FIPS-197 words, first byte most significant) and give
// the same bytes; AesEncrypt, AesDecrypt and the keystream pick the instructions when this
// processor has them.

#include "crypto/AesLib.h"

#include <cstddef>
#include <cstdint>

namespace velmora::crypto::detail {

// True when this processor has the AES and SSE4.1 instructions and this build has the routines
// that use them (x86-64 with GCC or Clang).
bool AesHardwareAvailable();

// Whether the AES routines use the instructions now: when they are available, unless turned off.
bool AesHardwareInUse();
// Turns the instructions off or back on for the whole process, so that tests can run the
// table-driven code on a processor that has them. No effect where they are not available.
void UseAesHardware(bool use);

// Runs the AES routines on the instructions or on the tables while it lives, so that tests and
// the fuzz target can hold one path against the other; then puts the previous choice back.
class AesPathScope {
public:
    explicit AesPathScope(bool hardware) : previous_(!AesHardwareAvailable() || AesHardwareInUse()) {
        UseAesHardware(hardware);
    }
    ~AesPathScope() { UseAesHardware(previous_); }
    AesPathScope(const AesPathScope&) = delete;
    AesPathScope& operator=(const AesPathScope&) = delete;

private:
    bool previous_;
};

// Only to be called when AesHardwareAvailable() is true and the context holds a schedule of the
// matching direction with 10, 12 or 14 rounds. inBlock and outBlock may be the same buffer.
void AesEncryptHardware(const std::uint8_t* inBlock, std::uint8_t* outBlock, const TAesContext& context);
void AesDecryptHardware(const std::uint8_t* inBlock, std::uint8_t* outBlock, const TAesContext& context);

// Counter mode over whole blocks, with the conditions of AesEncryptHardware: for each of the
// blockCount blocks at data, adds 1 to the counter block (bytes 0..7 little-endian, wrapping
// within them; bytes 8..15 untouched), encrypts it and XORs data with the result. The last
// keystream block is left in keystream.
void AesCounterXorHardware(const TAesContext& context, std::uint8_t* counter, std::uint8_t* keystream,
                           std::uint8_t* data, std::size_t blockCount);

} // namespace velmora::crypto::detail
