// HMAC-SHA1 (RFC 2104) with a key that may arrive in pieces.

#include "crypto/AesLib.h"
#include "crypto/Wipe.h"

#include <algorithm>
#include <cstring>

namespace velmora::crypto {
namespace {

// Ends the key phase: a long key becomes its digest, then the ipad block starts the inner hash.
void BeginDataPhase(THmacContext& context) {
    if (context.keyLength > Sha1BlockLength) {
        Sha1End(context.keyBlock, context.hash);
        context.keyLength = Sha1DigestLength;
    }
    std::memset(context.keyBlock + context.keyLength, 0, Sha1BlockLength - context.keyLength);
    for (auto& byte : context.keyBlock)
        byte ^= 0x36;
    Sha1Begin(context.hash);
    Sha1Hash(context.keyBlock, Sha1BlockLength, context.hash);
    context.keyLength = HmacDataPhase;
}

} // namespace

void HmacSha1Begin(THmacContext& context) {
    std::memset(&context, 0, sizeof context);
}

int HmacSha1Key(const std::uint8_t* key, std::size_t length, THmacContext& context) {
    if (context.keyLength == HmacDataPhase)
        return -1;
    const std::uint64_t total = std::uint64_t{context.keyLength} + length;
    if (length == 0)
        return 0;
    if (total <= Sha1BlockLength) {
        std::memcpy(context.keyBlock + context.keyLength, key, length);
    } else {
        if (context.keyLength <= Sha1BlockLength) {
            // The key no longer fits in one block: from here on it is hashed.
            Sha1Begin(context.hash);
            Sha1Hash(context.keyBlock, context.keyLength, context.hash);
        }
        Sha1Hash(key, length, context.hash);
    }
    // Beyond one block only "long" matters; stop short of the data-phase marker.
    context.keyLength = static_cast<std::uint32_t>(std::min<std::uint64_t>(total, HmacDataPhase - 1));
    return 0;
}

void HmacSha1Data(const std::uint8_t* data, std::size_t length, THmacContext& context) {
    if (context.keyLength != HmacDataPhase)
        BeginDataPhase(context);
    Sha1Hash(data, length, context.hash);
}

int HmacSha1End(std::uint8_t* mac, std::uint32_t macLength, THmacContext& context) {
    if (context.keyLength != HmacDataPhase)
        BeginDataPhase(context);
    std::uint8_t digest[Sha1DigestLength];
    Sha1End(digest, context.hash);
    // ipad ^ 0x6A == opad
    for (auto& byte : context.keyBlock)
        byte ^= 0x36 ^ 0x5C;
    Sha1Begin(context.hash);
    Sha1Hash(context.keyBlock, Sha1BlockLength, context.hash);
    Sha1Hash(digest, Sha1DigestLength, context.hash);
    Sha1End(digest, context.hash);
    macLength = std::min(macLength, Sha1DigestLength);
    std::memcpy(mac, digest, macLength);
    detail::SecureWipe(digest, sizeof digest);
    return static_cast<int>(macLength);
}

void HmacSha1(const std::uint8_t* key, std::size_t keyLength, const std::uint8_t* data,
              std::size_t dataLength, std::uint8_t* mac, std::uint32_t macLength) {
    THmacContext context;
    HmacSha1Begin(context);
    HmacSha1Key(key, keyLength, context);
    HmacSha1Data(data, dataLength, context);
    HmacSha1End(mac, macLength, context);
    detail::SecureWipe(&context, sizeof context);
}

} // namespace velmora::crypto
