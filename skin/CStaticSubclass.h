// Skin of static controls: text in the skin's own font on the skin
// background, aligned by style; SS_BITMAP images get a sunken frame.
#pragma once

#include "CWndSubclass.h"
#include "unique_any.h"

class CStaticSubclass : public CWndSubclass {
public:
    CStaticSubclass();
    ~CStaticSubclass() override;

    [[nodiscard]] int Subclass(HWND wnd) override;
    [[nodiscard]] int Unsubclass() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
    void PaintBitmap(HDC dc, const RECT& client);
    void PaintText(HDC dc, const RECT& client, DWORD style);

    kd::unique_hfont m_font; // Arial 15, held only while attached
};
