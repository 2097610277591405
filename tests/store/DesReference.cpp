#include "DesReference.h"

#include "DesTables.h"

#include <array>
#include <cstring>
#include <vector>

namespace ref {
namespace {

using Bits = std::vector<int>;
using namespace kd::des;

Bits ToBits(const std::uint8_t* bytes, std::size_t count, bool lsbFirst)
{
    Bits bits(count * 8);
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const unsigned shift = lsbFirst ? i % 8 : 7 - i % 8;
        bits[i] = (bytes[i / 8] >> shift) & 1;
    }
    return bits;
}

void FromBits(const Bits& bits, std::uint8_t* bytes, bool lsbFirst)
{
    std::memset(bytes, 0, bits.size() / 8);
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const unsigned shift = lsbFirst ? i % 8 : 7 - i % 8;
        bytes[i / 8] |= static_cast<std::uint8_t>(bits[i] << shift);
    }
}

template <std::size_t N>
Bits Permute(const Bits& in, const std::array<std::uint8_t, N>& table)
{
    Bits out(N);
    for (std::size_t j = 0; j < N; ++j) out[j] = in[table[j] - 1];
    return out;
}

Bits Xor(const Bits& a, const Bits& b)
{
    Bits out(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) out[i] = a[i] ^ b[i];
    return out;
}

std::array<Bits, 16> MakeSubKeys(const std::uint8_t key[8], const Variant& v)
{
    const Bits cd = Permute(ToBits(key, 8, v.lsbFirstBytes), kPC1);
    Bits c(cd.begin(), cd.begin() + 28), d(cd.begin() + 28, cd.end());
    std::array<Bits, 16> keys;
    for (int r = 0; r < 16; ++r) {
        for (int s = 0; s < kShifts[r]; ++s) {
            c.push_back(c.front());
            c.erase(c.begin());
            d.push_back(d.front());
            d.erase(d.begin());
        }
        Bits joined = c;
        joined.insert(joined.end(), d.begin(), d.end());
        keys[r] = Permute(joined, kPC2);
    }
    return keys;
}

Bits F(const Bits& r, const Bits& k, const Variant& v)
{
    const Bits x = Xor(Permute(r, kE), k);
    Bits out(32);
    for (int j = 0; j < 8; ++j) {
        const int* b = &x[6 * j];
        const int row = 2 * b[0] + b[5];
        const int col = 8 * b[1] + 4 * b[2] + 2 * b[3] + b[4];
        const int value = kS[j][row][col];
        for (int m = 0; m < 4; ++m) {
            const int shift = v.lsbFirstSBox ? m : 3 - m;
            out[4 * j + m] = (value >> shift) & 1;
        }
    }
    return Permute(out, kP);
}

} // namespace

void DesBlock(std::uint8_t out[8], const std::uint8_t in[8], const std::uint8_t key[8], bool decipher, const Variant& v)
{
    const auto keys = MakeSubKeys(key, v);
    const Bits x = Permute(ToBits(in, 8, v.lsbFirstBytes), kIP);
    Bits l(x.begin(), x.begin() + 32), r(x.begin() + 32, x.end());
    if (!decipher) {
        for (int i = 0; i < 16; ++i) {
            Bits next = Xor(l, F(r, keys[i], v));
            l = r;
            r = next;
        }
    } else if (v.noFinalSwap) {
        for (int i = 15; i >= 0; --i) {
            Bits next = Xor(r, F(l, keys[i], v));
            r = l;
            l = next;
        }
    } else {
        // The standard deciphers with the enciphering rounds and the keys reversed.
        for (int i = 15; i >= 0; --i) {
            Bits next = Xor(l, F(r, keys[i], v));
            l = r;
            r = next;
        }
    }
    Bits joined = v.noFinalSwap ? l : r;
    const Bits& second = v.noFinalSwap ? r : l;
    joined.insert(joined.end(), second.begin(), second.end());
    FromBits(Permute(joined, kIPInverse), out, v.lsbFirstBytes);
}

bool DesProcess(void* out, const void* in, std::size_t length, const void* key, std::size_t keyLength, int direction,
                const Variant& v)
{
    if (out == nullptr || in == nullptr || key == nullptr || length == 0) return false;
    std::uint8_t buffer[16] = {};
    std::memcpy(buffer, key, keyLength < 16 ? keyLength : 16);
    const bool triple = keyLength > 8;
    const bool decipher = direction != 0;
    auto* dst = static_cast<std::uint8_t*>(out);
    const auto* src = static_cast<const std::uint8_t*>(in);
    for (std::size_t i = 0; i < (length + 7) / 8; ++i) {
        std::uint8_t t[8];
        DesBlock(t, src + 8 * i, buffer, decipher, v);
        if (triple) {
            DesBlock(t, t, buffer + 8, !decipher, v);
            DesBlock(t, t, buffer, decipher, v);
        }
        std::memcpy(dst + 8 * i, t, 8);
    }
    return true;
}

} // namespace ref
