#include "CEditSubclass.h"

#include "ControlPaint.h"

CEditSubclass::CEditSubclass()
{
    CreateBrushes();
}

CEditSubclass::~CEditSubclass()
{
    if (IsAttached()) (void)CEditSubclass::Unsubclass(); // a destructor cannot report
}

void CEditSubclass::CreateBrushes()
{
    using namespace skin_color;
    if (!m_accent) m_accent.reset(::CreateSolidBrush(kAccent));
    if (!m_darkShadow) m_darkShadow.reset(::CreateSolidBrush(kDarkShadow));
    if (!m_shadow) m_shadow.reset(::CreateSolidBrush(kShadow));
    if (!m_white) m_white.reset(::CreateSolidBrush(kWhite));
}

int CEditSubclass::Subclass(HWND wnd)
{
    CreateBrushes();
    return CWndSubclass::Subclass(wnd);
}

int CEditSubclass::Unsubclass()
{
    const int result = CWndSubclass::Unsubclass();
    // Detached objects stay listed until SkinUnload without holding brushes.
    m_accent.reset();
    m_darkShadow.reset();
    m_shadow.reset();
    m_white.reset();
    return result;
}

LRESULT CEditSubclass::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        CWndSubclass::WindowProc(message, wParam, lParam);
        return 0;
    case WM_PAINT:
        CWndSubclass::WindowProc(message, wParam, lParam);
        Paint();
        return 0;
    case WM_NCPAINT:
        PaintBorder();
        return 0;
    case WM_MOUSEMOVE:
        Paint();
        return CWndSubclass::WindowProc(message, wParam, lParam);
    default:
        return CWndSubclass::WindowProc(message, wParam, lParam);
    }
}

std::string CEditSubclass::DisplayText(HWND edit)
{
    std::string text = ControlText(edit);
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(edit, GWL_STYLE));
    const auto mask = static_cast<char>(::SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0));
    if ((style & ES_PASSWORD) || mask != '\0') text.assign(text.size(), mask != '\0' ? mask : '*');
    return text;
}

void CEditSubclass::Paint()
{
    if (!::IsWindow(m_hWnd)) return;
    kd::unique_window_dc window(m_hWnd, true);
    HDC dc = window.get();
    if (!dc) return;
    RECT e{};
    ::GetClientRect(m_hWnd, &e);
    ::OffsetRect(&e, 2, 2);

    const std::string text = DisplayText(m_hWnd);
    auto font = reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    kd::select_scope selected(dc, font);
    const SIZE extent = TextExtent(dc, text);

    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE));
    if (style & WS_DISABLED) return;
    ::FillRect(dc, &e, (style & ES_READONLY) ? m_accent.get() : m_white.get());

    const LONG y = e.top + ((e.bottom - e.top) - extent.cy) / 2;
    RECT box{e.left + 2, y, e.left + 2 + extent.cx, y + extent.cy};
    bk_mode_scope transparent(dc, TRANSPARENT);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, 0);
}

void CEditSubclass::PaintBorder()
{
    kd::unique_window_dc window(m_hWnd, true);
    HDC dc = window.get();
    if (!dc) return;
    RECT bounds{};
    ::GetWindowRect(m_hWnd, &bounds);
    const LONG w = bounds.right - bounds.left;
    const LONG h = bounds.bottom - bounds.top;
    auto line = [dc](LONG l, LONG t, LONG r, LONG b, HBRUSH brush) {
        const RECT rect{l, t, r, b};
        ::FillRect(dc, &rect, brush);
    };
    line(0, 0, 1, h - 1, m_shadow.get());
    line(0, 0, w - 1, 1, m_shadow.get());
    line(w - 1, 0, w, h, m_white.get());
    line(0, h - 1, w, h, m_white.get());
    line(1, 1, 2, h - 2, m_darkShadow.get());
    line(1, 1, w - 2, 2, m_darkShadow.get());
    line(w - 2, 1, w - 1, h - 1, m_accent.get());
    line(1, h - 2, w - 1, h - 1, m_accent.get());
}
