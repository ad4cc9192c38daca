// AES, FIPS-197: table-driven, four lookups and four XORs per column and round.
// The rounds are unrolled; 14 and 12 rounds enter two and four rounds ahead of 10 and share
// the code of the last ten, so the only branches are on the direction word and the round count.
// Processors with AES instructions take AesHardware.cpp instead, from the same key schedule.

#include "crypto/AesHardware.h"
#include "crypto/AesLib.h"
#include "crypto/AesTables.h"
#include "crypto/ByteOrder.h"

namespace velmora::crypto {
namespace {

using Word = std::uint32_t;
using namespace tables;

using detail::LoadBigEndian;
using detail::StoreBigEndian;

inline Word Byte0(Word w) {
    return w >> 24;
}
inline Word Byte1(Word w) {
    return (w >> 16) & 0xFF;
}
inline Word Byte2(Word w) {
    return (w >> 8) & 0xFF;
}
inline Word Byte3(Word w) {
    return w & 0xFF;
}

// SubWord(RotWord(w)) through the last-round tables, which double as the S-box.
inline Word SubRotWord(Word w) {
    return ForwardLast[0][Byte1(w)] ^ ForwardLast[1][Byte2(w)] ^ ForwardLast[2][Byte3(w)] ^
           ForwardLast[3][Byte0(w)];
}

inline Word SubWord(Word w) {
    return ForwardLast[0][Byte0(w)] ^ ForwardLast[1][Byte1(w)] ^ ForwardLast[2][Byte2(w)] ^
           ForwardLast[3][Byte3(w)];
}

// Accepted lengths give the number of key words Nk; anything else gives 0.
std::uint32_t KeyWords(std::uint32_t keyLength) {
    const bool bytes = keyLength >= 16 && keyLength <= 32 && keyLength % 8 == 0;
    const bool bits = keyLength >= 128 && keyLength <= 256 && keyLength % 64 == 0;
    if (!bytes && !bits)
        return 0;
    return keyLength > 127 ? keyLength / 32 : keyLength / 4;
}

// KeyExpansion (FIPS-197 section 5.2), one loop per key size.
void ExpandKey(const std::uint8_t* key, std::uint32_t nk, Word* rk) {
    for (std::uint32_t i = 0; i < nk; ++i)
        rk[i] = LoadBigEndian(key + 4 * i);
    if (nk == 4) {
        for (int i = 0; i < 10; ++i, rk += 4) {
            rk[4] = rk[0] ^ SubRotWord(rk[3]) ^ RoundConstants[i];
            rk[5] = rk[1] ^ rk[4];
            rk[6] = rk[2] ^ rk[5];
            rk[7] = rk[3] ^ rk[6];
        }
    } else if (nk == 6) {
        for (int i = 0;; ++i, rk += 6) {
            rk[6] = rk[0] ^ SubRotWord(rk[5]) ^ RoundConstants[i];
            rk[7] = rk[1] ^ rk[6];
            rk[8] = rk[2] ^ rk[7];
            rk[9] = rk[3] ^ rk[8];
            if (i == 7)
                break; // 52 words
            rk[10] = rk[4] ^ rk[9];
            rk[11] = rk[5] ^ rk[10];
        }
    } else {
        for (int i = 0;; ++i, rk += 8) {
            rk[8] = rk[0] ^ SubRotWord(rk[7]) ^ RoundConstants[i];
            rk[9] = rk[1] ^ rk[8];
            rk[10] = rk[2] ^ rk[9];
            rk[11] = rk[3] ^ rk[10];
            if (i == 6)
                break; // 60 words
            rk[12] = rk[4] ^ SubWord(rk[11]);
            rk[13] = rk[5] ^ rk[12];
            rk[14] = rk[6] ^ rk[13];
            rk[15] = rk[7] ^ rk[14];
        }
    }
}

int SetupKey(const std::uint8_t* key, std::uint32_t keyLength, TAesContext& context, std::uint32_t flag) {
    context.blockAndDirection = AesBlockLength;
    const std::uint32_t nk = KeyWords(keyLength);
    if (nk == 0) {
        context.rounds = 0;
        return 0;
    }
    context.blockAndDirection = AesBlockLength + flag;
    ExpandKey(key, nk, context.roundKeys);
    context.rounds = nk + 6;
    return 1;
}

// Column j takes its bytes from columns j, j+1, j+2, j+3 (ShiftRows).
[[gnu::always_inline]] inline void EncryptRound(const Word* s, Word* t, const Word* k) {
    t[0] = ForwardRound[0][Byte0(s[0])] ^ ForwardRound[1][Byte1(s[1])] ^ ForwardRound[2][Byte2(s[2])] ^
           ForwardRound[3][Byte3(s[3])] ^ k[0];
    t[1] = ForwardRound[0][Byte0(s[1])] ^ ForwardRound[1][Byte1(s[2])] ^ ForwardRound[2][Byte2(s[3])] ^
           ForwardRound[3][Byte3(s[0])] ^ k[1];
    t[2] = ForwardRound[0][Byte0(s[2])] ^ ForwardRound[1][Byte1(s[3])] ^ ForwardRound[2][Byte2(s[0])] ^
           ForwardRound[3][Byte3(s[1])] ^ k[2];
    t[3] = ForwardRound[0][Byte0(s[3])] ^ ForwardRound[1][Byte1(s[0])] ^ ForwardRound[2][Byte2(s[1])] ^
           ForwardRound[3][Byte3(s[2])] ^ k[3];
}

[[gnu::always_inline]] inline void EncryptLastRound(const Word* s, Word* t, const Word* k) {
    t[0] = ForwardLast[0][Byte0(s[0])] ^ ForwardLast[1][Byte1(s[1])] ^ ForwardLast[2][Byte2(s[2])] ^
           ForwardLast[3][Byte3(s[3])] ^ k[0];
    t[1] = ForwardLast[0][Byte0(s[1])] ^ ForwardLast[1][Byte1(s[2])] ^ ForwardLast[2][Byte2(s[3])] ^
           ForwardLast[3][Byte3(s[0])] ^ k[1];
    t[2] = ForwardLast[0][Byte0(s[2])] ^ ForwardLast[1][Byte1(s[3])] ^ ForwardLast[2][Byte2(s[0])] ^
           ForwardLast[3][Byte3(s[1])] ^ k[2];
    t[3] = ForwardLast[0][Byte0(s[3])] ^ ForwardLast[1][Byte1(s[0])] ^ ForwardLast[2][Byte2(s[1])] ^
           ForwardLast[3][Byte3(s[2])] ^ k[3];
}

// Column j takes its bytes from columns j, j-1, j-2, j-3 (InvShiftRows).
[[gnu::always_inline]] inline void DecryptRound(const Word* s, Word* t, const Word* k) {
    t[0] = InverseRound[0][Byte0(s[0])] ^ InverseRound[1][Byte1(s[3])] ^ InverseRound[2][Byte2(s[2])] ^
           InverseRound[3][Byte3(s[1])] ^ k[0];
    t[1] = InverseRound[0][Byte0(s[1])] ^ InverseRound[1][Byte1(s[0])] ^ InverseRound[2][Byte2(s[3])] ^
           InverseRound[3][Byte3(s[2])] ^ k[1];
    t[2] = InverseRound[0][Byte0(s[2])] ^ InverseRound[1][Byte1(s[1])] ^ InverseRound[2][Byte2(s[0])] ^
           InverseRound[3][Byte3(s[3])] ^ k[2];
    t[3] = InverseRound[0][Byte0(s[3])] ^ InverseRound[1][Byte1(s[2])] ^ InverseRound[2][Byte2(s[1])] ^
           InverseRound[3][Byte3(s[0])] ^ k[3];
}

[[gnu::always_inline]] inline void DecryptLastRound(const Word* s, Word* t, const Word* k) {
    t[0] = InverseLast[0][Byte0(s[0])] ^ InverseLast[1][Byte1(s[3])] ^ InverseLast[2][Byte2(s[2])] ^
           InverseLast[3][Byte3(s[1])] ^ k[0];
    t[1] = InverseLast[0][Byte0(s[1])] ^ InverseLast[1][Byte1(s[0])] ^ InverseLast[2][Byte2(s[3])] ^
           InverseLast[3][Byte3(s[2])] ^ k[1];
    t[2] = InverseLast[0][Byte0(s[2])] ^ InverseLast[1][Byte1(s[1])] ^ InverseLast[2][Byte2(s[0])] ^
           InverseLast[3][Byte3(s[3])] ^ k[2];
    t[3] = InverseLast[0][Byte0(s[3])] ^ InverseLast[1][Byte1(s[2])] ^ InverseLast[2][Byte2(s[1])] ^
           InverseLast[3][Byte3(s[0])] ^ k[3];
}

} // namespace

int AesEncryptKey(const std::uint8_t* key, std::uint32_t keyLength, TAesContext& context) {
    return SetupKey(key, keyLength, context, AesEncryptFlag);
}

int AesDecryptKey(const std::uint8_t* key, std::uint32_t keyLength, TAesContext& context) {
    if (SetupKey(key, keyLength, context, AesDecryptFlag) == 0)
        return 0;
    // Equivalent inverse cipher (FIPS-197 section 5.3.5): InvMixColumns on round keys 1 .. Nr-1.
    const std::uint32_t last = 4 * context.rounds;
    for (std::uint32_t i = 4; i < last; ++i) {
        const Word w = context.roundKeys[i];
        context.roundKeys[i] = InvMixColumns[0][Byte0(w)] ^ InvMixColumns[1][Byte1(w)] ^
                               InvMixColumns[2][Byte2(w)] ^ InvMixColumns[3][Byte3(w)];
    }
    return 1;
}

int AesEncrypt(const std::uint8_t* inBlock, std::uint8_t* outBlock, const TAesContext& context) {
    if ((context.blockAndDirection & AesEncryptFlag) == 0)
        return 0;
    const std::uint32_t rounds = context.rounds;
    if (rounds != 10 && rounds != 12 && rounds != 14)
        return 0; // a record that no key setup wrote
    if (detail::AesHardwareInUse()) {
        detail::AesEncryptHardware(inBlock, outBlock, context);
        return 1;
    }
    const Word* rk = context.roundKeys;
    Word s[4] = {LoadBigEndian(inBlock) ^ rk[0], LoadBigEndian(inBlock + 4) ^ rk[1],
                 LoadBigEndian(inBlock + 8) ^ rk[2], LoadBigEndian(inBlock + 12) ^ rk[3]};
    Word t[4];
    // The shared tail uses the last ten round keys: base + 4 .. base + 40.
    const Word* base = rk + 4 * (rounds - 10);
    switch (rounds) {
    case 14:
        EncryptRound(s, t, base - 12);
        EncryptRound(t, s, base - 8);
        [[fallthrough]];
    case 12:
        EncryptRound(s, t, base - 4);
        EncryptRound(t, s, base);
        [[fallthrough]];
    default:
        EncryptRound(s, t, base + 4);
        EncryptRound(t, s, base + 8);
        EncryptRound(s, t, base + 12);
        EncryptRound(t, s, base + 16);
        EncryptRound(s, t, base + 20);
        EncryptRound(t, s, base + 24);
        EncryptRound(s, t, base + 28);
        EncryptRound(t, s, base + 32);
        EncryptRound(s, t, base + 36);
        EncryptLastRound(t, s, base + 40);
    }
    StoreBigEndian(outBlock, s[0]);
    StoreBigEndian(outBlock + 4, s[1]);
    StoreBigEndian(outBlock + 8, s[2]);
    StoreBigEndian(outBlock + 12, s[3]);
    return 1;
}

int AesDecrypt(const std::uint8_t* inBlock, std::uint8_t* outBlock, const TAesContext& context) {
    if ((context.blockAndDirection & AesDecryptFlag) == 0)
        return 0;
    const std::uint32_t rounds = context.rounds;
    if (rounds != 10 && rounds != 12 && rounds != 14)
        return 0;
    if (detail::AesHardwareInUse()) {
        detail::AesDecryptHardware(inBlock, outBlock, context);
        return 1;
    }
    // Round keys from the last to the first; the shared tail always ends on keys 9 .. 0.
    const Word* rk = context.roundKeys;
    const Word* top = rk + 4 * rounds;
    Word s[4] = {LoadBigEndian(inBlock) ^ top[0], LoadBigEndian(inBlock + 4) ^ top[1],
                 LoadBigEndian(inBlock + 8) ^ top[2], LoadBigEndian(inBlock + 12) ^ top[3]};
    Word t[4];
    switch (rounds) {
    case 14:
        DecryptRound(s, t, rk + 52);
        DecryptRound(t, s, rk + 48);
        [[fallthrough]];
    case 12:
        DecryptRound(s, t, rk + 44);
        DecryptRound(t, s, rk + 40);
        [[fallthrough]];
    default:
        DecryptRound(s, t, rk + 36);
        DecryptRound(t, s, rk + 32);
        DecryptRound(s, t, rk + 28);
        DecryptRound(t, s, rk + 24);
        DecryptRound(s, t, rk + 20);
        DecryptRound(t, s, rk + 16);
        DecryptRound(s, t, rk + 12);
        DecryptRound(t, s, rk + 8);
        DecryptRound(s, t, rk + 4);
        DecryptLastRound(t, s, rk);
    }
    StoreBigEndian(outBlock, s[0]);
    StoreBigEndian(outBlock + 4, s[1]);
    StoreBigEndian(outBlock + 8, s[2]);
    StoreBigEndian(outBlock + 12, s[3]);
    return 1;
}

} // namespace velmora::crypto
