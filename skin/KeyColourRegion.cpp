#include "KeyColourRegion.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

struct Run {
    int left;
    int right;
    bool operator==(const Run&) const = default;
};

// Regions merged like a binary counter: at most log2(n) live at once, and
// every region takes part in log2(n) unions.
class BalancedUnion {
public:
    void Add(kd::unique_hrgn rgn)
    {
        m_stack.emplace_back(std::move(rgn), 0);
        while (m_stack.size() >= 2 && m_stack[m_stack.size() - 1].second == m_stack[m_stack.size() - 2].second) {
            auto top = std::move(m_stack.back());
            m_stack.pop_back();
            auto& below = m_stack.back();
            ::CombineRgn(below.first.get(), below.first.get(), top.first.get(), RGN_OR);
            ++below.second;
        }
    }

    kd::unique_hrgn Finish()
    {
        if (m_stack.empty()) return kd::unique_hrgn(::CreateRectRgn(0, 0, 0, 0));
        while (m_stack.size() >= 2) {
            auto top = std::move(m_stack.back());
            m_stack.pop_back();
            auto& below = m_stack.back();
            ::CombineRgn(below.first.get(), below.first.get(), top.first.get(), RGN_OR);
        }
        kd::unique_hrgn result = std::move(m_stack.back().first);
        m_stack.clear();
        return result;
    }

private:
    std::vector<std::pair<kd::unique_hrgn, int>> m_stack;
};

// One band: the same runs on rows top..bottom-1.
kd::unique_hrgn BandRegion(const std::vector<Run>& runs, int top, int bottom)
{
    if (runs.size() == 1) return kd::unique_hrgn(::CreateRectRgn(runs[0].left, top, runs[0].right, bottom));
    std::vector<unsigned char> buffer(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(runs.size());
    data->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    data->rdh.rcBound = RECT{runs.front().left, top, runs.back().right, bottom};
    auto* rects = reinterpret_cast<RECT*>(data->Buffer);
    for (std::size_t i = 0; i < runs.size(); ++i) rects[i] = RECT{runs[i].left, top, runs[i].right, bottom};
    return kd::unique_hrgn(::ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data));
}

} // namespace

kd::unique_hrgn RegionOfColour(const std::uint32_t* pixels, int width, int height, int stridePixels, COLORREF key,
                               std::span<const RECT> areas)
{
    const std::uint32_t wanted = (static_cast<std::uint32_t>(GetRValue(key)) << 16) |
                                 (static_cast<std::uint32_t>(GetGValue(key)) << 8) | GetBValue(key);
    BalancedUnion result;
    std::vector<Run> spans; // the areas' columns on this row
    std::vector<Run> runs;  // key-coloured runs on this row
    std::vector<Run> band;  // runs of the band being collected
    int bandTop = 0;

    auto flush = [&](int bottom) {
        if (!band.empty() && bottom > bandTop) {
            kd::unique_hrgn rgn = BandRegion(band, bandTop, bottom);
            if (rgn) result.Add(std::move(rgn));
        }
    };

    for (int y = 0; y < height; ++y) {
        spans.clear();
        for (const RECT& a : areas) {
            if (y < a.top || y >= a.bottom) continue;
            const int l = std::max(0, static_cast<int>(a.left));
            const int r = std::min(width, static_cast<int>(a.right));
            if (l < r) spans.push_back(Run{l, r});
        }
        std::sort(spans.begin(), spans.end(), [](const Run& a, const Run& b) { return a.left < b.left; });

        runs.clear();
        const std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stridePixels;
        int cursor = 0; // areas may overlap: never look at a column twice
        for (const Run& s : spans) {
            for (int x = std::max(s.left, cursor); x < s.right; ++x) {
                if ((row[x] & 0x00FFFFFFu) != wanted) continue;
                if (!runs.empty() && runs.back().right == x)
                    ++runs.back().right;
                else
                    runs.push_back(Run{x, x + 1});
            }
            cursor = std::max(cursor, s.right);
        }

        if (runs != band) {
            flush(y);
            band = runs;
            bandTop = y;
        }
    }
    flush(height);
    return result.Finish();
}
