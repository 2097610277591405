// Skin of dialog windows ("#32770"): frame, caption and caption buttons cut
// from the skin bitmap, the window's outline cut from the key colour, the
// caption icon and text drawn by the skin, a fixed client background, and the
// minimize, maximize and close buttons.
#pragma once

#include "CSkinMenuBar.h"
#include "CWndSubclass.h"
#include "SkinArt.h"

#include <windows.h>
#include <array>
#include <memory>
#include <string>

class CDialogSubclass : public CWndSubclass {
public:
    static constexpr COLORREF kCaptionActive = 0x00FFFFFF;
    static constexpr COLORREF kCaptionInactive = 0x00EDD4C4;
    static constexpr COLORREF kKeyColour = 0x00000000;

    // Skin frame widths: the client area is inset by exactly these.
    static constexpr int kFrameLeft = 15;
    static constexpr int kFrameTop = 34;
    static constexpr int kFrameRight = 8;
    static constexpr int kFrameBottom = 9;

    enum Button : int { kIconButton = 0, kMinimizeButton = 1, kMaximizeButton = 2, kCloseButton = 3 };
    enum ButtonState : int { kNormal = 0, kHover = 10, kPressed = 20 };
    enum FramePart : int { kLeftPart = 0, kTopPart = 1, kRightPart = 2, kBottomPart = 3 };

    // art: the skin bitmap and its pieces, owned by the skin manager.
    explicit CDialogSubclass(const SkinArt& art) noexcept;
    ~CDialogSubclass() override;

    [[nodiscard]] int Subclass(HWND wnd) override;
    [[nodiscard]] int Unsubclass() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    [[nodiscard]] const std::string& Caption() const noexcept { return m_caption; }
    [[nodiscard]] bool Active() const noexcept { return m_active != 0; }
    [[nodiscard]] int ButtonStateOf(int button) const noexcept
    {
        return m_buttonStates[static_cast<std::size_t>(button)];
    }
    [[nodiscard]] const RECT& ButtonRect(int button) const noexcept
    {
        return m_buttonRects[static_cast<std::size_t>(button)];
    }

protected:
    // Paints the whole skinned frame onto a target covering the window.
    void PaintNonClient(HDC target);
    // Builds the window region from the frame as painted now and hands it
    // to the window (the window owns it from then on).
    void UpdateWindowRegion();
    // The region UpdateWindowRegion would hand over (caller owns it).
    [[nodiscard]] HRGN BuildWindowRegion();

    // Paint one frame part into a bitmap of the part's size (selected in dc).
    virtual void PaintLeftBorder(HDC dc, int active);
    virtual void PaintRightBorder(HDC dc, int active);
    virtual void PaintCaptionStrip(HDC dc, int active);
    virtual void PaintBottomStrip(HDC dc, int active);
    // Caption icon and text onto the target.
    virtual void PaintCaptionIconAndText(HDC target, int active);
    // Removes from rgn every frame pixel of dc (the painted frame, window
    // coordinates) that has the key colour.
    virtual void CutKeyColour(HDC frame, HRGN rgn);

    void Layout();
    void PaintButton(HDC target, int button);

    const SkinArt& m_art;
    std::string m_caption;
    DWORD m_savedStyle = 0;
    int m_active = 0;
    int m_hasIcon = 1;
    int m_hasMinimizeBox = 1;
    int m_hasMaximizeBox = 1;
    int m_hasCloseBox = 1;
    std::array<int, 4> m_buttonStates{};
    std::array<RECT, 4> m_frameParts{};
    std::array<RECT, 4> m_buttonRects{};
    std::unique_ptr<CSkinMenuBar> m_menuBar; // only for a window with a menu

private:
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcMouseMove(LPARAM lParam);
    LRESULT OnNcLButtonDown(WPARAM wParam, LPARAM lParam);
    void FillClientBackground(HDC dc);
    void PaintNonClientOnWindow();
    [[nodiscard]] bool ButtonPresent(int button) const noexcept;
    [[nodiscard]] bool HasMenu() const noexcept;
    [[nodiscard]] RECT MenuBarRect() const;
    [[nodiscard]] POINT ToWindow(LPARAM screenPoint) const;
};
