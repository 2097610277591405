// Skin of edit controls: a two-tone sunken border with an accent inner edge,
// and the text redrawn on white (accent when read-only). Password edits are
// redrawn with their password character, never in clear.
#pragma once

#include "CWndSubclass.h"
#include "unique_any.h"

#include <string>

class CEditSubclass : public CWndSubclass {
public:
    CEditSubclass();
    ~CEditSubclass() override;

    [[nodiscard]] int Subclass(HWND wnd) override;
    [[nodiscard]] int Unsubclass() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // What the skin shows for the control's text: the text itself, or one
    // password character per character for a password edit.
    [[nodiscard]] static std::string DisplayText(HWND edit);

private:
    void CreateBrushes();
    void Paint();
    void PaintBorder();

    // In this order: accent, dark shadow, shadow, white; held while attached.
    kd::unique_hbrush m_accent;
    kd::unique_hbrush m_darkShadow;
    kd::unique_hbrush m_shadow;
    kd::unique_hbrush m_white;
};
