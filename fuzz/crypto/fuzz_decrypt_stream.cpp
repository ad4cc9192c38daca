// DecryptStream on arbitrary bytes. Whatever the input, it must end, stay inside its buffers,
// and return true only for a stream whose text has exactly the length the size implies.

#include "crypto/AesLib.h"
#include "crypto/MemoryStream.h"

#include <cstdlib>

namespace {

// The settings password: the seeds are streams written with it, so mutations get past the
// password check and reach the chunk loop and the code check.
const char SettingsPassword[] = "pzqvmtrwxk";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora::crypto;
    // The size handed over is one less, equal or one more than the input holds, so that a source
    // that runs dry and one that holds more than claimed are both explored. Inputs of length
    // 1 (mod 3), like the seeds, claim their true size.
    const std::int64_t claimed = static_cast<std::int64_t>(size) + static_cast<std::int64_t>(size % 3) - 1;
    const auto bufferSize = static_cast<std::uint32_t>(1 + size % 61);

    TEncryption encryption(SettingsPassword, bufferSize);
    MemoryStream source(data, size);
    MemoryStream text;
    const bool ok = encryption.DecryptStream(source, &text, claimed);
    if (ok && static_cast<std::int64_t>(text.bytes().size()) !=
                  claimed - static_cast<std::int64_t>(StreamOverhead(1)))
        std::abort();
    return 0;
}
