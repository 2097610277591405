// What a skinned dialog asks of the menu bar it draws for a window with a
// menu. Coordinates are window-relative (origin at the window's top-left).
#pragma once

#include <windows.h>

class ISkinMenuBar {
public:
    virtual ~ISkinMenuBar() = default;

    // At attach, for a window that has a menu: builds the bar's buttons.
    virtual void Setup(HWND dialog, const RECT& bar) = 0;
    // After every WM_SIZE: new bar rectangle, repainted.
    virtual void Place(const RECT& bar) = 0;
    // Paints the bar onto a target covering the whole window.
    virtual void Paint(HDC target) = 0;
    [[nodiscard]] virtual bool Contains(POINT point) const = 0;
    // Non-client mouse move / button-down on the bar.
    virtual void TrackHot(POINT point) = 0;
    virtual void ButtonDown(POINT point) = 0;
    // Owner-drawn drop-down items (ODT_MENU).
    virtual LRESULT DrawItem(const DRAWITEMSTRUCT& item) = 0;
    virtual LRESULT MeasureItem(MEASUREITEMSTRUCT& item) = 0;
    // At detach: turns the drop-down items back into string items.
    virtual void Teardown() = 0;
};
