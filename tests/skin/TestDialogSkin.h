// A CDialogSubclass for tests and the benchmark: can cut the region the slow
// way (GetPixel and one CombineRgn per key-coloured pixel, as a reference),
// and lets a test set button states directly.
#pragma once

#include "CDialogSubclass.h"
#include "CSkinManager.h"
#include "unique_any.h"

class TestDialogSkin : public CDialogSubclass {
public:
    bool perPixel = false;

    TestDialogSkin() noexcept : CDialogSubclass(CSkinManager::Instance().Art()) {}

    void SetButtonState(int button, int state) { m_buttonStates[static_cast<std::size_t>(button)] = state; }
    void PaintButtonOn(HDC dc, int button) { PaintButton(dc, button); }
    [[nodiscard]] bool HasIcon() const { return m_hasIcon != 0; }

    // Region both ways from the frame as painted now (caller owns them).
    HRGN RegionPerPixel()
    {
        perPixel = true;
        HRGN r = BuildWindowRegion();
        perPixel = false;
        return r;
    }
    HRGN RegionFast()
    {
        perPixel = false;
        return BuildWindowRegion();
    }

protected:
    void CutKeyColour(HDC frame, HRGN rgn) override
    {
        if (!perPixel) {
            CDialogSubclass::CutKeyColour(frame, rgn);
            return;
        }
        for (const RECT& part : m_frameParts) {
            for (int x = part.left; x < part.right; ++x) {
                for (int y = part.top; y < part.bottom; ++y) {
                    if (::GetPixel(frame, x, y) != kKeyColour) continue;
                    kd::unique_hrgn pixel(::CreateRectRgn(x, y, x + 1, y + 1));
                    ::CombineRgn(rgn, rgn, pixel.get(), RGN_DIFF);
                }
            }
        }
    }
};
