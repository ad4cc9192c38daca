// PBKDF2-HMAC-SHA1 (RFC 2898 section 5.2).

#include "crypto/AesLib.h"
#include "crypto/ByteOrder.h"
#include "crypto/Wipe.h"

#include <algorithm>
#include <cstring>

namespace velmora::crypto {

void DeriveKey(const std::uint8_t* password, std::size_t passwordLength, const std::uint8_t* salt,
               std::size_t saltLength, std::uint32_t iterations, std::uint8_t* key, std::size_t keyLength) {
    // Keyed once; every iteration restores the keyed state by copying the record.
    THmacContext keyed;
    HmacSha1Begin(keyed);
    HmacSha1Key(password, passwordLength, keyed);
    THmacContext salted = keyed;
    HmacSha1Data(salt, saltLength, salted);

    THmacContext work;
    std::uint8_t u[Sha1DigestLength];
    std::uint8_t t[Sha1DigestLength];
    for (std::uint32_t blockNumber = 1; keyLength > 0; ++blockNumber) {
        std::memset(t, 0, sizeof t);
        detail::StoreBigEndian(u, blockNumber);
        std::size_t uLength = 4;
        work = salted;
        for (std::uint32_t i = 0; i < iterations; ++i) {
            HmacSha1Data(u, uLength, work);
            HmacSha1End(u, Sha1DigestLength, work);
            uLength = Sha1DigestLength;
            for (std::size_t j = 0; j < Sha1DigestLength; ++j)
                t[j] ^= u[j];
            work = keyed;
        }
        const std::size_t take = std::min<std::size_t>(keyLength, Sha1DigestLength);
        std::memcpy(key, t, take);
        key += take;
        keyLength -= take;
    }
    detail::SecureWipe(&keyed, sizeof keyed);
    detail::SecureWipe(&salted, sizeof salted);
    detail::SecureWipe(&work, sizeof work);
    detail::SecureWipe(u, sizeof u);
    detail::SecureWipe(t, sizeof t);
}

} // namespace velmora::crypto
