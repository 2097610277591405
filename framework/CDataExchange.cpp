#include "CDataExchange.h"

namespace kd {

void CDataExchange::Control(int id, CControl& control) noexcept
{
    control.Attach(::GetDlgItem(m_dialog, id)); // rebinds a wrapper reused for a new window
}

void CDataExchange::Text(int id, std::string& value, int maxChars)
{
    if (m_failed) return;
    HWND control = ::GetDlgItem(m_dialog, id);
    if (!control) return;
    if (!m_save) {
        if (maxChars > 0) ::SendMessageA(control, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        ::SetWindowTextA(control, value.c_str());
        return;
    }
    std::string text = WindowText(control);
    if (maxChars > 0 && text.size() > static_cast<size_t>(maxChars)) {
        Fail(control);
        return;
    }
    value = std::move(text);
}

void CDataExchange::Fail(HWND control) noexcept
{
    m_failed = true;
    ::MessageBeep(MB_ICONEXCLAMATION);
    ::SetFocus(control);
    ::SendMessageA(control, EM_SETSEL, 0, -1);
}

} // namespace kd
