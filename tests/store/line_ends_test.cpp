#include "LineEnds.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Encode(const Bytes& logical)
{
    Bytes stored;
    kd::EncodeLineEnds(logical, stored);
    return stored;
}

// Each row: the bytes a file holds and what they read as. Rows the encoder
// writes must also come back out of it; the others reach the decoder only
// from files written elsewhere or cut short.
TEST(LineEnds, TranslationIsExactAndOnlyTheCrLfPairReadsAsLf)
{
    struct Case {
        const char* name;
        Bytes logical, stored;
        bool written = true;
    };
    const Case cases[] = {
        {"empty", {}, {}},
        {"lf", {0x0A}, {0x0D, 0x0A}},
        {"lone cr", {0x0D}, {0x0D}},
        {"cr before lf", {0x0D, 0x0A}, {0x0D, 0x0D, 0x0A}},
        {"two lf", {0x0A, 0x0A}, {0x0D, 0x0A, 0x0D, 0x0A}},
        {"control-z is data", {0x41, 0x1A, 0x42}, {0x41, 0x1A, 0x42}},
        {"cr run", {0x0D, 0x0D, 0x41}, {0x0D, 0x0D, 0x41}},
        {"cr last, as in a file cut inside a pair", {0x0D, 0x41, 0x0D}, {0x0D, 0x41, 0x0D}},
        {"lf without cr", {0x0A, 0x0D, 0x0A}, {0x0A, 0x0D, 0x0D, 0x0A}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.written) {
            EXPECT_EQ(Encode(c.logical), c.stored);
        }
        EXPECT_EQ(kd::DecodeLineEnds(c.stored), c.logical);
    }
}

TEST(LineEnds, RandomRoundTripAndPiecewiseDecodingAgree)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        Bytes logical(rng() % 300);
        for (auto& b : logical) {
            const unsigned r = rng() % 4;
            b = r == 0 ? 0x0A : r == 1 ? 0x0D : static_cast<std::uint8_t>(rng());
        }
        const Bytes stored = Encode(logical);
        ASSERT_EQ(kd::DecodeLineEnds(stored), logical);

        // Any stored bytes decode the same in pieces as at once, and in place.
        Bytes noise = stored;
        if (!noise.empty()) noise[rng() % noise.size()] = 0x0D;
        const Bytes whole = kd::DecodeLineEnds(noise);
        Bytes pieces(noise.size() + 1);
        kd::LineEndDecoder decoder;
        std::size_t n = 0, at = 0;
        while (at < noise.size()) {
            const std::size_t len = std::min<std::size_t>(1 + rng() % 5, noise.size() - at);
            n += decoder.Decode(noise.data() + at, len, pieces.data() + n);
            at += len;
        }
        n += decoder.Finish(pieces.data() + n);
        pieces.resize(n);
        EXPECT_EQ(pieces, whole);

        Bytes inPlace = noise;
        kd::LineEndDecoder once;
        std::size_t m = once.Decode(inPlace.data(), inPlace.size(), inPlace.data());
        m += once.Finish(inPlace.data() + m);
        inPlace.resize(m);
        EXPECT_EQ(inPlace, whole);
    }
}

} // namespace
