// The cipher exactly as its definition reads, one bit per vector element,
// straight from the published tables. Slow on purpose; the fast cipher must
// agree with it. Each of the three bit-handling differences from the standard
// can be switched off, which turns this into standard DES and lets published
// vectors check the tables.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ref {

struct Variant {
    bool lsbFirstBytes = true; // bits of data and key bytes taken least significant first
    bool lsbFirstSBox = true;  // S-box outputs written least significant bit first
    bool noFinalSwap = true;   // no exchange of halves before the final permutation
};

inline constexpr Variant kSystem{};
inline constexpr Variant kStandard{false, false, false};

// One 8-byte block under one 8-byte key.
void DesBlock(std::uint8_t out[8], const std::uint8_t in[8], const std::uint8_t key[8], bool decipher,
              const Variant& variant);

// The whole-buffer operation, same contract as DesProcess.
bool DesProcess(void* out, const void* in, std::size_t length, const void* key, std::size_t keyLength, int direction,
                const Variant& variant = kSystem);

} // namespace ref
