// RegionOfColour against the obvious pixel-by-pixel union, on buffers that
// exercise bands, overlapping and out-of-range areas and strides.
#include "KeyColourRegion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

kd::unique_hrgn Reference(const std::vector<std::uint32_t>& px, int w, int h, int stride, std::uint32_t key,
                          const std::vector<RECT>& areas)
{
    kd::unique_hrgn rgn(::CreateRectRgn(0, 0, 0, 0));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool inside = false;
            for (const RECT& a : areas) inside = inside || (x >= a.left && x < a.right && y >= a.top && y < a.bottom);
            if (!inside || (px[static_cast<std::size_t>(y * stride + x)] & 0xFFFFFF) != key) continue;
            kd::unique_hrgn one(::CreateRectRgn(x, y, x + 1, y + 1));
            ::CombineRgn(rgn.get(), rgn.get(), one.get(), RGN_OR);
        }
    return rgn;
}

TEST(KeyColourRegion, MatchesThePixelByPixelUnion)
{
    unsigned seed = 99;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const COLORREF keys[] = {RGB(0, 0, 0), RGB(10, 200, 30)};
    for (COLORREF keyColour : keys) {
        // The same colour in DIB order (blue low).
        const std::uint32_t key = (GetRValue(keyColour) << 16) | (GetGValue(keyColour) << 8) | GetBValue(keyColour);
        for (int round = 0; round < 6; ++round) {
            const int w = 20 + static_cast<int>(next() % 60);
            const int h = 10 + static_cast<int>(next() % 50);
            const int stride = w + static_cast<int>(next() % 4);
            std::vector<std::uint32_t> px(static_cast<std::size_t>(stride * h));
            for (int y = 0; y < h; ++y) {
                // Runs of rows repeat, as stretched pieces do.
                const bool copyRow = y > 0 && next() % 3 == 0;
                for (int x = 0; x < stride; ++x) {
                    std::uint32_t v = (next() % 3 == 0) ? key : 0x00405060u + (next() % 7);
                    if (next() % 5 == 0) v |= 0xFF000000u; // the unused byte must not matter
                    px[static_cast<std::size_t>(y * stride + x)] =
                        copyRow ? px[static_cast<std::size_t>((y - 1) * stride + x)] : v;
                }
            }
            const std::vector<RECT> areas = {
                {0, 0, w, 4},               // a strip across the top
                {0, 2, 5, h},               // overlapping the strip
                {w - 3, 4, w + 10, h + 10}, // reaching past the buffer
                {w / 2, h / 2, w / 2, h},   // empty
                {-5, h - 2, w / 3, h},      // starting left of it
            };
            kd::unique_hrgn fast = RegionOfColour(px.data(), w, h, stride, keyColour, areas);
            kd::unique_hrgn slow = Reference(px, w, h, stride, key, areas);
            ASSERT_TRUE(fast);
            EXPECT_TRUE(::EqualRgn(fast.get(), slow.get())) << "round " << round << ", " << w << " x " << h;
        }
    }
    // Nothing to find: an empty region, not a failure.
    std::vector<std::uint32_t> none(16, 0x00FFFFFF);
    const RECT all{0, 0, 4, 4};
    kd::unique_hrgn empty = RegionOfColour(none.data(), 4, 4, 4, RGB(0, 0, 0), std::span(&all, 1));
    RECT box{};
    EXPECT_EQ(::GetRgnBox(empty.get(), &box), NULLREGION);
}

} // namespace
