#pragma once

#include <cstddef>

namespace velmora::crypto::detail {

// Zeroes memory that held keys in a way the optimiser may not drop as a dead store.
inline void SecureWipe(void* data, std::size_t length) {
    auto* bytes = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = 0;
}

} // namespace velmora::crypto::detail
