#include "DesProcess.h"
#include "DesReference.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Hex(const std::string& hex)
{
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

Bytes Random(std::mt19937& rng, std::size_t n)
{
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

Bytes Process(const Bytes& in, std::size_t length, const Bytes& key, std::size_t keyLength, DesDirection dir)
{
    Bytes out(in.size(), 0xEE);
    EXPECT_TRUE(DesProcess(out.data(), in.data(), length, key.data(), keyLength, dir));
    return out;
}

// Published standard DES vectors (FIPS 46 worked examples, NBS SP 500-20) and
// one two-key triple vector, reproduced by the reference with the three
// differences switched off: this checks every table the fast cipher is built from.
TEST(DesTables, ReferenceWithStandardBitHandlingMatchesPublishedVectors)
{
    struct Vector {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Vector vectors[] = {
        {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
        {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
        {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
        {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
        {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
        {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
        {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
        {"0123456789ABCDEFFEDCBA9876543210", "0123456789ABCDEF", "1A4D672DCA6CB335"},
    };
    for (const auto& v : vectors) {
        const Bytes key = Hex(v.key), plain = Hex(v.plain), cipher = Hex(v.cipher);
        Bytes out(8), back(8);
        ASSERT_TRUE(ref::DesProcess(out.data(), plain.data(), 8, key.data(), key.size(), DES_ENCRYPT, ref::kStandard));
        EXPECT_EQ(out, cipher) << v.key << " " << v.plain;
        ASSERT_TRUE(ref::DesProcess(back.data(), out.data(), 8, key.data(), key.size(), DES_DECRYPT, ref::kStandard));
        EXPECT_EQ(back, plain) << v.key;
    }
}

// Each of the three differences changes the output on its own, so a cipher
// that follows the standard in any one of them cannot read the files.
TEST(DesTables, EachBitHandlingDifferenceMatters)
{
    const Bytes key = Hex("133457799BBCDFF1"), plain = Hex("0123456789ABCDEF");
    Bytes system(8);
    ASSERT_TRUE(DesProcess(system.data(), plain.data(), 8, key.data(), 8, DES_ENCRYPT));
    for (int which = 0; which < 3; ++which) {
        ref::Variant v = ref::kSystem;
        (which == 0 ? v.lsbFirstBytes : which == 1 ? v.lsbFirstSBox : v.noFinalSwap) = false;
        Bytes other(8);
        ref::DesProcess(other.data(), plain.data(), 8, key.data(), 8, DES_ENCRYPT, v);
        EXPECT_NE(other, system) << which;
    }
}

// The table-driven cipher against the bit-by-bit definition: random keys of
// every length up to 20 (single and triple mode, short and long keys), random
// lengths including partial last blocks, both directions.
TEST(DesProcessTest, MatchesBitByBitDefinitionOnRandomInput)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 400; ++round) {
        const std::size_t keyLength = round % 21;
        const Bytes key = Random(rng, keyLength == 0 ? 1 : keyLength);
        const std::size_t length = 1 + rng() % 64;
        const Bytes in = Random(rng, (length + 7) / 8 * 8);
        const auto dir = (round & 1) ? DES_DECRYPT : DES_ENCRYPT;
        Bytes expected(in.size());
        ASSERT_TRUE(ref::DesProcess(expected.data(), in.data(), length, key.data(), keyLength, dir));
        EXPECT_EQ(Process(in, length, key, keyLength, dir), expected)
            << "round " << round << " keyLength " << keyLength << " length " << length;
    }
}

TEST(DesProcessTest, MatchesDefinitionAsTheStoreCallsIt)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        const Bytes key = Random(rng, 128), in = Random(rng, 128);
        for (auto dir : {DES_ENCRYPT, DES_DECRYPT}) {
            Bytes expected(128);
            ref::DesProcess(expected.data(), in.data(), 128, key.data(), 128, dir);
            EXPECT_EQ(Process(in, 128, key, 128, dir), expected);
        }
    }
}

TEST(DesProcessTest, DecipheringRestoresInputInPlaceAndBetweenBuffers)
{
    std::mt19937 rng(11);
    for (std::size_t keyLength : {1u, 8u, 9u, 16u, 128u}) {
        const Bytes key = Random(rng, keyLength), plain = Random(rng, 128);
        const Bytes cipher = Process(plain, 128, key, keyLength, DES_ENCRYPT);
        EXPECT_NE(cipher, plain);
        EXPECT_EQ(Process(cipher, 128, key, keyLength, DES_DECRYPT), plain);

        Bytes inPlace = plain;
        ASSERT_TRUE(DesProcess(inPlace.data(), inPlace.data(), 128, key.data(), keyLength, DES_ENCRYPT));
        EXPECT_EQ(inPlace, cipher);
        ASSERT_TRUE(DesProcess(inPlace.data(), inPlace.data(), 128, key.data(), keyLength, DES_DECRYPT));
        EXPECT_EQ(inPlace, plain);
    }
}

TEST(DesProcessTest, KeyLengthSelectsModeAndOnlyFirstSixteenBytesCount)
{
    std::mt19937 rng(3);
    const Bytes plain = Random(rng, 64);
    Bytes key = Random(rng, 32);

    // Up to 8: single mode with the given bytes, the rest of 0-7 zero.
    Bytes shortKey(key.begin(), key.begin() + 5);
    shortKey.resize(8, 0);
    EXPECT_EQ(Process(plain, 64, key, 5, DES_ENCRYPT), Process(plain, 64, shortKey, 8, DES_ENCRYPT));

    // Bytes after 16 play no part; a key of 9 to 15 bytes is zero-filled.
    Bytes longKey = key;
    for (std::size_t i = 16; i < longKey.size(); ++i) longKey[i] ^= 0x5A;
    EXPECT_EQ(Process(plain, 64, key, 32, DES_ENCRYPT), Process(plain, 64, longKey, 32, DES_ENCRYPT));
    EXPECT_EQ(Process(plain, 64, key, 32, DES_ENCRYPT), Process(plain, 64, key, 16, DES_ENCRYPT));
    Bytes nine(key.begin(), key.begin() + 9);
    nine.resize(16, 0);
    EXPECT_EQ(Process(plain, 64, key, 9, DES_ENCRYPT), Process(plain, 64, nine, 16, DES_ENCRYPT));

    // Triple mode with K2 == K1 collapses to single mode.
    Bytes doubled(key.begin(), key.begin() + 8);
    doubled.insert(doubled.end(), key.begin(), key.begin() + 8);
    EXPECT_EQ(Process(plain, 64, doubled, 16, DES_ENCRYPT), Process(plain, 64, key, 8, DES_ENCRYPT));
    EXPECT_NE(Process(plain, 64, key, 16, DES_ENCRYPT), Process(plain, 64, key, 8, DES_ENCRYPT));
}

TEST(DesProcessTest, TopBitOfKeyBytesIsIgnored)
{
    std::mt19937 rng(5);
    const Bytes plain = Random(rng, 32);
    Bytes key = Random(rng, 16), flipped = key;
    for (std::size_t i = 0; i < flipped.size(); i += 3) flipped[i] ^= 0x80;
    EXPECT_EQ(Process(plain, 32, key, 16, DES_ENCRYPT), Process(plain, 32, flipped, 16, DES_ENCRYPT));
    flipped[0] ^= 0x01;
    EXPECT_NE(Process(plain, 32, key, 16, DES_ENCRYPT), Process(plain, 32, flipped, 16, DES_ENCRYPT));
}

TEST(DesProcessTest, EqualBlocksGiveEqualOutputAnywhere)
{
    Bytes plain(48);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i % 8 * 31);
    const Bytes key = Hex("00112233445566778899AABBCCDDEEFF");
    const Bytes out = Process(plain, 48, key, 16, DES_ENCRYPT);
    for (int b = 1; b < 6; ++b) EXPECT_TRUE(std::equal(out.begin(), out.begin() + 8, out.begin() + 8 * b));
}

TEST(DesProcessTest, RefusesMissingArgumentsAndZeroLength)
{
    Bytes in(8, 1), out(8, 0xAB), key(8, 2);
    EXPECT_FALSE(DesProcess(out.data(), in.data(), 0, key.data(), 8, DES_ENCRYPT));
    EXPECT_EQ(out, Bytes(8, 0xAB));
    EXPECT_FALSE(DesProcess(nullptr, in.data(), 8, key.data(), 8, DES_ENCRYPT));
    EXPECT_FALSE(DesProcess(out.data(), nullptr, 8, key.data(), 8, DES_ENCRYPT));
    EXPECT_FALSE(DesProcess(out.data(), in.data(), 8, nullptr, 8, DES_ENCRYPT));
    EXPECT_EQ(out, Bytes(8, 0xAB));
}

TEST(DesProcessTest, PartialLastBlockIsProcessedWhole)
{
    const Bytes key = Hex("0123456789ABCDEF");
    Bytes in(16, 0x42);
    const Bytes whole = Process(in, 16, key, 8, DES_ENCRYPT);
    EXPECT_EQ(Process(in, 9, key, 8, DES_ENCRYPT), whole);
    Bytes one = Process(in, 1, key, 8, DES_ENCRYPT);
    EXPECT_TRUE(std::equal(one.begin(), one.begin() + 8, whole.begin()));
    EXPECT_EQ(one[8], 0xEE); // the next block is not touched
}

} // namespace
