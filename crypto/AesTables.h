#pragma once

// The AES lookup tables (FIPS-197), constant data written by tools/gen/AesTableGen.cpp.
// Entry x of table 0 holds its four bytes most significant first; table k is table 0
// rotated right by 8k bits, so a round needs no rotations.

#include <cstdint>

namespace velmora::crypto::tables {

// (02·S[x], S[x], S[x], 03·S[x]): SubBytes and MixColumns of one round in one lookup.
extern const std::uint32_t ForwardRound[4][256];
// (S[x], 0, 0, 0): the last round, and SubWord of the key expansion.
extern const std::uint32_t ForwardLast[4][256];
// (0E·S⁻¹[x], 09·S⁻¹[x], 0D·S⁻¹[x], 0B·S⁻¹[x]).
extern const std::uint32_t InverseRound[4][256];
// (S⁻¹[x], 0, 0, 0).
extern const std::uint32_t InverseLast[4][256];
// (0E·x, 09·x, 0D·x, 0B·x): turns expanded round keys into those of the equivalent inverse cipher.
extern const std::uint32_t InvMixColumns[4][256];
// Rcon: 01, 02, 04, ..., 1B, 36 in the most significant byte.
extern const std::uint32_t RoundConstants[10];

} // namespace velmora::crypto::tables
