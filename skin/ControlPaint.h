// Colours and small drawing helpers shared by the control skins and the menu
// bar. Colours are COLORREF values (red in the low byte).
#pragma once

#include "unique_any.h"
#include "win32_text.h"

#include <windows.h>
#include <array>
#include <string>

namespace skin_color {
inline constexpr COLORREF kFace = 0x00C8D0D4;       // 212, 208, 200
inline constexpr COLORREF kBackground = 0x00F7EBE7; // 231, 235, 247
inline constexpr COLORREF kBlack = 0x00000000;
inline constexpr COLORREF kDarkShadow = 0x00404040;
inline constexpr COLORREF kShadow = 0x00808080;
inline constexpr COLORREF kWhite = 0x00FFFFFF;
inline constexpr COLORREF kAccent = 0x000080FF; // 255, 128, 0

inline constexpr COLORREF kMenuHot = 0x0000FF00;  // 0, 255, 0
inline constexpr COLORREF kMenuOpen = 0x00FFFF00; // 0, 255, 255
inline constexpr COLORREF kMenuItem = 0x00FFC8C8; // 200, 200, 255
} // namespace skin_color

// One line of text centred in its box, as buttons and menu buttons draw it.
inline constexpr UINT kCentredLine = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// Fills one rectangle with a brush made for it and deleted after it.
inline void FillSolid(HDC dc, const RECT& rect, COLORREF color) noexcept
{
    kd::unique_hbrush brush(::CreateSolidBrush(color));
    if (brush) ::FillRect(dc, &rect, brush.get());
}

// The window text, all of it.
inline std::string ControlText(HWND wnd)
{
    return kd::WindowText(wnd);
}

// Extent of a text in the font selected into dc; empty text measures 0 x 0.
inline SIZE TextExtent(HDC dc, const std::string& text) noexcept
{
    SIZE size{};
    if (!text.empty()) ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

// SetBkMode / SetBkColor / SetTextColor that put the previous value back.
class bk_mode_scope {
public:
    bk_mode_scope(HDC dc, int mode) noexcept : m_dc(dc), m_old(::SetBkMode(dc, mode)) {}
    bk_mode_scope(const bk_mode_scope&) = delete;
    bk_mode_scope& operator=(const bk_mode_scope&) = delete;
    ~bk_mode_scope()
    {
        if (m_old) ::SetBkMode(m_dc, m_old);
    }

private:
    HDC m_dc;
    int m_old;
};

class bk_color_scope {
public:
    bk_color_scope(HDC dc, COLORREF color) noexcept : m_dc(dc), m_old(::SetBkColor(dc, color)) {}
    bk_color_scope(const bk_color_scope&) = delete;
    bk_color_scope& operator=(const bk_color_scope&) = delete;
    ~bk_color_scope()
    {
        if (m_old != CLR_INVALID) ::SetBkColor(m_dc, m_old);
    }

private:
    HDC m_dc;
    COLORREF m_old;
};
