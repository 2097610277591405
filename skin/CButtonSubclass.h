// Skin of button controls: push buttons get a flat face with a black frame
// and a visual state (normal, focused, pressed, disabled), group boxes a
// caption on the skin background, automatic radio buttons their glyph drawn
// from the last BM_SETCHECK. The skin takes the mouse and focus handling of
// every button it is attached to: a click reaches the parent as BN_CLICKED.
// Push buttons answer WM_GETOBJECT with their own accessible object
// (ButtonAccessible).
#pragma once

#include "CWndSubclass.h"
#include "unique_any.h"

#include <string>

class CButtonSubclass : public CWndSubclass {
public:
    enum VisualState : int { kNormal = 0, kFocused = 1, kPressed = 3, kDisabled = 4 };

    CButtonSubclass();
    ~CButtonSubclass() override;

    [[nodiscard]] int Subclass(HWND wnd) override;
    [[nodiscard]] int Unsubclass() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    [[nodiscard]] int State() const noexcept { return m_state; }
    [[nodiscard]] int Check() const noexcept { return m_check; }

private:
    void CreateBrushes();
    void Repaint();
    void PaintPushButton(HDC dc, const RECT& r, const std::string& text);
    void PaintBorder(HDC dc, const RECT& r);
    void PaintGroupCaption(HDC dc, const RECT& r, const std::string& text);
    void PaintRadio(HDC dc, const RECT& r, const std::string& text);
    [[nodiscard]] int RestingState() const noexcept;
    // Of either push-button type now, whatever further style bits it has.
    [[nodiscard]] bool IsPushButton() const noexcept;

    int m_tracking = 0;
    // In this order: face, background, black, dark shadow, shadow, white;
    // held while attached.
    kd::unique_hbrush m_face;
    kd::unique_hbrush m_background;
    kd::unique_hbrush m_black;
    kd::unique_hbrush m_darkShadow;
    kd::unique_hbrush m_shadow;
    kd::unique_hbrush m_white;
    int m_state = kNormal;
    int m_check = 0;
};
