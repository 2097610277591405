// The menu bar of a skinned dialog that has a menu: its top-level items drawn
// as 50-pixel buttons over a blue-grey gradient, their drop-downs opened with
// TrackPopupMenu and owner-drawn. While a drop-down is open a message-filter
// hook lets the pointer slide to a neighbouring item, and a click on the open
// item closes it.
#pragma once

#include "CSkinMenuButton.h"

#include <windows.h>
#include <memory>
#include <vector>

class CSkinMenuBar {
public:
    CSkinMenuBar() = default;
    ~CSkinMenuBar();
    CSkinMenuBar(const CSkinMenuBar&) = delete;
    CSkinMenuBar& operator=(const CSkinMenuBar&) = delete;

    // Coordinates are window-relative (origin at the window's top-left).
    // At attach, for a window that has a menu: builds the bar's buttons.
    void Setup(HWND dialog, const RECT& bar);
    // After every WM_SIZE: new bar rectangle, repainted.
    void Place(const RECT& bar);
    // Paints the bar onto a target covering the whole window.
    void Paint(HDC target);
    [[nodiscard]] bool Contains(POINT point) const;
    // Non-client mouse move / button-down on the bar.
    void TrackHot(POINT point);
    void ButtonDown(POINT point);
    // Owner-drawn drop-down items (ODT_MENU).
    LRESULT DrawItem(const DRAWITEMSTRUCT& item);
    LRESULT MeasureItem(MEASUREITEMSTRUCT& item);
    // At detach: turns the drop-down items back into string items.
    void Teardown();

    // Index of the first button under a window-relative point, or -1.
    [[nodiscard]] int HitTest(POINT point) const noexcept;

    [[nodiscard]] int HotIndex() const noexcept { return m_hot; }
    [[nodiscard]] std::size_t ButtonCount() const noexcept { return m_buttons.size(); }
    [[nodiscard]] const CSkinMenuButton& Button(std::size_t i) const { return *m_buttons.at(i); }

    static constexpr int kButtonWidth = 50;
    static constexpr int kItemWidth = 60;
    static constexpr int kItemHeight = 20;
    static constexpr int kGradientSteps = 64;

    // Colour of gradient step i (0 to 63).
    [[nodiscard]] static COLORREF GradientColor(int step) noexcept;

private:
    // Button i spans 50 pixels from bar left + 50 i, the bar's full height.
    [[nodiscard]] RECT ButtonRect(int index) const noexcept;
    void Repaint();
    // Takes a message of the open drop-down's modal loop; true when taken.
    [[nodiscard]] bool Filter(const MSG& message);
    [[nodiscard]] bool ValidIndex(int index) const noexcept
    {
        return index >= 0 && static_cast<std::size_t>(index) < m_buttons.size();
    }
    static LRESULT CALLBACK MenuFilterHookProc(int code, WPARAM wParam, LPARAM lParam);

    RECT m_bar{};
    std::vector<std::unique_ptr<CSkinMenuButton>> m_buttons;
    HWND m_window = nullptr;
    HMENU m_menu = nullptr;
    int m_hot = -1;
    int m_reopen = 0;
    int m_cancelled = 0;
    // Cleared when the bar dies. The dialog may be destroyed from inside the
    // drop-down's modal loop (a timer, a posted close), which deletes the bar
    // while ButtonDown still waits in TrackPopupMenu.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
