// A child control of a dialog, bound by data exchange. Does not own its window.
#pragma once

#include <windows.h>

#include <string>

#include "win32_text.h"

namespace kd {

class CControl {
public:
    CControl() noexcept = default;
    virtual ~CControl() = default;

    void Attach(HWND wnd) noexcept { m_hWnd = wnd; }
    [[nodiscard]] HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    explicit operator bool() const noexcept { return m_hWnd && ::IsWindow(m_hWnd); }

    void EnableWindow(bool enable = true) const noexcept
    {
        if (m_hWnd) ::EnableWindow(m_hWnd, enable ? TRUE : FALSE);
    }
    [[nodiscard]] bool IsWindowEnabled() const noexcept { return m_hWnd && ::IsWindowEnabled(m_hWnd); }
    void SetWindowText(const std::string& text) const noexcept
    {
        if (m_hWnd) ::SetWindowTextA(m_hWnd, text.c_str());
    }
    void SetFocus() const noexcept
    {
        if (m_hWnd) ::SetFocus(m_hWnd);
    }

protected:
    HWND m_hWnd = nullptr;
};

} // namespace kd
