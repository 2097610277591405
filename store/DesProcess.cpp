// Table-driven form of the cipher. Bit vectors are held in integers with
// vector element i at integer bit i, which is exactly the cipher's byte order
// (least significant bit of each byte first) for a little-endian load. All
// lookup tables are generated at compile time from the published tables, so
// the bit-order differences live in the generators alone.
#include "DesProcess.h"

#include "DesTables.h"

#include <cstdint>
#include <cstring>

namespace {

using std::uint32_t;
using std::uint64_t;
using namespace kd::des;

struct Tables {
    uint64_t ip[8][256];   // initial permutation, per input byte
    uint64_t fp[8][256];   // inverse initial permutation, per input byte
    uint32_t sp[8][64];    // S-box j and P combined; index = the 6 input bits, b1 at bit 0
    uint64_t pc1[8][128];  // PC-1 per key byte (top bit unused): C in bits 0-27, D in 32-59
    uint64_t pc2c[4][128]; // PC-2 of C, 7 bits at a time: even groups low word, odd high
    uint64_t pc2d[4][128]; // PC-2 of D, likewise
};

// For a table whose output element j takes input element table[j] - 1: the
// output bits that each input element feeds.
template <std::size_t N>
constexpr std::array<uint64_t, 64> OutputMasks(const std::array<std::uint8_t, N>& table)
{
    std::array<uint64_t, 64> masks{};
    for (std::size_t j = 0; j < N; ++j) masks[table[j] - 1u] |= uint64_t{1} << j;
    return masks;
}

// row[v] = OR of masks[first + b] over the bits b set in v (built from v with
// its lowest bit cleared, which keeps compile-time evaluation short).
template <std::size_t Size>
constexpr void FillRow(uint64_t (&row)[Size], const std::array<uint64_t, 64>& masks, unsigned first)
{
    row[0] = 0;
    for (unsigned v = 1; v < Size; ++v) {
        unsigned low = 0;
        while (!((v >> low) & 1u)) ++low;
        row[v] = row[v & (v - 1)] | masks[first + low];
    }
}

// A round key element j (0-47) lives in group j / 6 at bit j % 6; groups 0, 2,
// 4, 6 fill the bytes of the low word, groups 1, 3, 5, 7 those of the high word.
constexpr unsigned RoundKeyBit(unsigned j)
{
    const unsigned group = j / 6;
    return (group & 1u) * 32 + (group / 2) * 8 + j % 6;
}

constexpr Tables MakeTables()
{
    Tables t{};
    const auto ip = OutputMasks(kIP);
    const auto fp = OutputMasks(kIPInverse);
    for (unsigned p = 0; p < 8; ++p) {
        FillRow(t.ip[p], ip, p * 8);
        FillRow(t.fp[p], fp, p * 8);
    }
    for (unsigned j = 0; j < 8; ++j)
        for (unsigned x = 0; x < 64; ++x) {
            const unsigned row = 2 * (x & 1u) + ((x >> 5) & 1u);
            const unsigned col = 8 * ((x >> 1) & 1u) + 4 * ((x >> 2) & 1u) + 2 * ((x >> 3) & 1u) + ((x >> 4) & 1u);
            const unsigned v = kS[j][row][col];
            // S-box output written least significant bit first into bits 4j..4j+3,
            // then P: output bit i takes pre-P bit kP[i] - 1.
            uint32_t out = 0;
            for (unsigned i = 0; i < 32; ++i) {
                const unsigned src = kP[i] - 1u;
                if (src / 4 == j && ((v >> (src % 4)) & 1u)) out |= uint32_t{1} << i;
            }
            // The rounds keep both halves rotated left by one (see F).
            t.sp[j][x] = (out << 1) | (out >> 31);
        }
    // PC-1 output: C in bits 0-27, D moved up to bits 32-59.
    auto pc1 = OutputMasks(kPC1);
    for (auto& m : pc1) m = (m & 0xFFFFFFFu) | ((m >> 28) << 32);
    for (unsigned p = 0; p < 8; ++p) FillRow(t.pc1[p], pc1, p * 8);
    // PC-2 output as the packed round key layout.
    std::array<uint64_t, 64> pc2{};
    for (unsigned j = 0; j < 48; ++j) pc2[kPC2[j] - 1u] |= uint64_t{1} << RoundKeyBit(j);
    for (unsigned q = 0; q < 4; ++q) {
        FillRow(t.pc2c[q], pc2, 7 * q);
        FillRow(t.pc2d[q], pc2, 28 + 7 * q);
    }
    return t;
}

// The round function picks its eight 6-bit groups straight out of rotations of
// R (see F); that relies on E being the usual overlapping walk round R.
constexpr bool ExpansionIsRegular()
{
    for (unsigned j = 0; j < 8; ++j)
        for (unsigned b = 0; b < 6; ++b)
            if (kE[6 * j + b] - 1u != (4 * j + 31 + b) % 32) return false;
    return true;
}
static_assert(ExpansionIsRegular());

// PC-1 never selects the top bit of a key byte, which is why pc1 has 128 rows.
constexpr bool Pc1SkipsTopBits()
{
    for (auto v : kPC1)
        if (v % 8 == 0) return false;
    return true;
}
static_assert(Pc1SkipsTopBits());

// PC-2's first 24 outputs come from C and the last 24 from D.
constexpr bool Pc2SplitsHalves()
{
    for (unsigned j = 0; j < 48; ++j)
        if ((kPC2[j] <= 28) != (j < 24)) return false;
    return true;
}
static_assert(Pc2SplitsHalves());

constexpr bool SBoxRowsArePermutations()
{
    for (const auto& box : kS)
        for (const auto& row : box) {
            unsigned seen = 0;
            for (auto v : row) seen |= 1u << v;
            if (seen != 0xFFFFu) return false;
        }
    return true;
}
static_assert(SBoxRowsArePermutations());

constinit const Tables kTables = MakeTables();

struct RoundKey {
    uint32_t even; // groups 0, 2, 4, 6, one per byte
    uint32_t odd;  // groups 1, 3, 5, 7
};
using Schedule = RoundKey[16];

inline uint32_t Rotl(uint32_t x, unsigned n)
{
    return (x << n) | (x >> (32 - n));
}
inline uint32_t Rotr(uint32_t x, unsigned n)
{
    return (x >> n) | (x << (32 - n));
}

inline uint64_t LoadLE(const unsigned char* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

inline void StoreLE(unsigned char* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

void MakeSubKeys(const unsigned char* key, Schedule& ks)
{
    const auto& t = kTables;
    uint64_t cd = 0;
    for (int p = 0; p < 8; ++p) cd |= t.pc1[p][key[p] & 0x7Fu];
    uint32_t c = static_cast<uint32_t>(cd), d = static_cast<uint32_t>(cd >> 32);
    for (int r = 0; r < 16; ++r) {
        // Rotating the vector left moves element i + s to i: a right shift here.
        const unsigned s = kShifts[r];
        c = ((c >> s) | (c << (28 - s))) & 0xFFFFFFFu;
        d = ((d >> s) | (d << (28 - s))) & 0xFFFFFFFu;
        const uint64_t k = t.pc2c[0][c & 127] | t.pc2c[1][(c >> 7) & 127] | t.pc2c[2][(c >> 14) & 127] |
                           t.pc2c[3][c >> 21] | t.pc2d[0][d & 127] | t.pc2d[1][(d >> 7) & 127] |
                           t.pc2d[2][(d >> 14) & 127] | t.pc2d[3][d >> 21];
        ks[r] = {static_cast<uint32_t>(k), static_cast<uint32_t>(k >> 32)};
    }
}

// The halves are held rotated left by one bit for the whole sixteen (or
// forty-eight) rounds: then the groups 0, 2, 4, 6 of E(R) sit in the low six bits
// of each byte of R as held, and groups 1, 3, 5, 7 after a rotation by four.
inline uint32_t F(uint32_t r, const RoundKey& k)
{
    const auto& sp = kTables.sp;
    const uint32_t a = (r ^ k.even) & 0x3F3F3F3Fu;         // groups 0, 2, 4, 6 in bytes 0-3
    const uint32_t b = (Rotr(r, 4) ^ k.odd) & 0x3F3F3F3Fu; // groups 1, 3, 5, 7
    return sp[0][a & 255] ^ sp[2][(a >> 8) & 255] ^ sp[4][(a >> 16) & 255] ^ sp[6][a >> 24] ^ sp[1][b & 255] ^
           sp[3][(b >> 8) & 255] ^ sp[5][(b >> 16) & 255] ^ sp[7][b >> 24];
}

// Sixteen rounds without the final exchange; the halves stay in their
// variables because an even number of in-place rounds needs no swap. The
// rounds are a chain of dependent table lookups, so several blocks go through
// them side by side to keep the processor busy.
template <int N>
inline void Encipher16(uint32_t (&l)[N], uint32_t (&r)[N], const Schedule& ks)
{
    for (int i = 0; i < 16; i += 2) {
        for (int n = 0; n < N; ++n) l[n] ^= F(r[n], ks[i]);
        for (int n = 0; n < N; ++n) r[n] ^= F(l[n], ks[i + 1]);
    }
}

template <int N>
inline void Decipher16(uint32_t (&l)[N], uint32_t (&r)[N], const Schedule& ks)
{
    for (int i = 15; i > 0; i -= 2) {
        for (int n = 0; n < N; ++n) r[n] ^= F(l[n], ks[i]);
        for (int n = 0; n < N; ++n) l[n] ^= F(r[n], ks[i - 1]);
    }
}

inline uint64_t Permute(const uint64_t (&table)[8][256], uint64_t x)
{
    return table[0][x & 255] | table[1][(x >> 8) & 255] | table[2][(x >> 16) & 255] | table[3][(x >> 24) & 255] |
           table[4][(x >> 32) & 255] | table[5][(x >> 40) & 255] | table[6][(x >> 48) & 255] | table[7][x >> 56];
}

constexpr int kLanes = 4;

// N consecutive blocks; all are read before any is written, so out may be in.
template <int N>
inline void ProcessBlocks(unsigned char* dst, const unsigned char* src, const Schedule& k1, const Schedule& k2,
                          bool triple, bool encipher)
{
    uint32_t l[N], r[N];
    for (int n = 0; n < N; ++n) {
        const uint64_t x = Permute(kTables.ip, LoadLE(src + 8 * n));
        l[n] = Rotl(static_cast<uint32_t>(x), 1);
        r[n] = Rotl(static_cast<uint32_t>(x >> 32), 1);
    }
    // Between the stages of the triple mode the inverse and the initial
    // permutation cancel, so the halves pass straight on.
    if (encipher) {
        Encipher16(l, r, k1);
        if (triple) {
            Decipher16(l, r, k2);
            Encipher16(l, r, k1);
        }
    } else {
        Decipher16(l, r, k1);
        if (triple) {
            Encipher16(l, r, k2);
            Decipher16(l, r, k1);
        }
    }
    for (int n = 0; n < N; ++n)
        StoreLE(dst + 8 * n, Permute(kTables.fp, (uint64_t{Rotr(r[n], 1)} << 32) | Rotr(l[n], 1)));
}

} // namespace

bool DesProcess(void* out, const void* in, std::size_t length, const void* key, std::size_t keyLength,
                DesDirection direction) noexcept
{
    if (out == nullptr || in == nullptr || key == nullptr || length == 0) return false;

    unsigned char keyBuffer[16] = {};
    std::memcpy(keyBuffer, key, keyLength < 16 ? keyLength : 16);
    Schedule k1, k2;
    MakeSubKeys(keyBuffer, k1);
    const bool triple = keyLength > 8;
    if (triple) MakeSubKeys(keyBuffer + 8, k2);
    const bool encipher = direction == DES_ENCRYPT;

    auto* dst = static_cast<unsigned char*>(out);
    const auto* src = static_cast<const unsigned char*>(in);
    const std::size_t blocks = length / 8 + (length % 8 != 0);
    std::size_t i = 0;
    for (; i + kLanes <= blocks; i += kLanes) ProcessBlocks<kLanes>(dst + 8 * i, src + 8 * i, k1, k2, triple, encipher);
    for (; i < blocks; ++i) ProcessBlocks<1>(dst + 8 * i, src + 8 * i, k1, k2, triple, encipher);
    return true;
}
