#include "CStaticSubclass.h"

#include "ControlPaint.h"

namespace {

HFONT CreateSkinFont() noexcept
{
    return ::CreateFontA(15, 0, 0, 0, 500, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                         DEFAULT_QUALITY, FF_SWISS, "Arial");
}

// One-pixel line of the sunken frame, with a brush of its own.
void Line(HDC dc, LONG left, LONG top, LONG right, LONG bottom, COLORREF color) noexcept
{
    const RECT line{left, top, right, bottom};
    FillSolid(dc, line, color);
}

} // namespace

CStaticSubclass::CStaticSubclass() : m_font(CreateSkinFont()) {}

CStaticSubclass::~CStaticSubclass()
{
    if (IsAttached()) (void)CStaticSubclass::Unsubclass(); // a destructor cannot report
}

int CStaticSubclass::Subclass(HWND wnd)
{
    if (!m_font) m_font.reset(CreateSkinFont());
    return CWndSubclass::Subclass(wnd);
}

int CStaticSubclass::Unsubclass()
{
    const int result = CWndSubclass::Unsubclass();
    // A detached object stays listed until SkinUnload; it keeps no GDI object
    // meanwhile, so closed dialogs do not pile fonts up.
    m_font.reset();
    return result;
}

LRESULT CStaticSubclass::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        Paint();
        return 0;
    }
    return CWndSubclass::WindowProc(message, wParam, lParam);
}

void CStaticSubclass::Paint()
{
    kd::paint_scope paint(m_hWnd);
    HDC dc = paint.get();
    if (!dc) return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE));
    switch (LOWORD(style)) { // the whole low word, not SS_TYPEMASK
    case SS_BITMAP:
        PaintBitmap(dc, client);
        break;
    case SS_BLACKFRAME:
        break;
    default:
        PaintText(dc, client, style);
        break;
    }
}

void CStaticSubclass::PaintBitmap(HDC dc, const RECT& r)
{
    auto image = reinterpret_cast<HBITMAP>(::SendMessageA(m_hWnd, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (!image) return;
    {
        kd::unique_hdc memory(::CreateCompatibleDC(dc));
        if (!memory) return;
        kd::select_scope selected(memory.get(), image);
        ::BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, memory.get(), 0, 0, SRCCOPY);
    }
    using namespace skin_color;
    Line(dc, r.left, r.top, r.left + 1, r.bottom - 1, kShadow);
    Line(dc, r.left + 1, r.top + 1, r.left + 2, r.bottom - 2, kDarkShadow);
    Line(dc, r.left + 1, r.top, r.right - 1, r.top + 1, kShadow);
    Line(dc, r.left + 2, r.top + 1, r.right - 2, r.top + 2, kDarkShadow);
    Line(dc, r.right - 1, r.top, r.right, r.bottom, kWhite);
    Line(dc, r.right - 2, r.top + 1, r.right - 1, r.bottom - 1, kFace);
    Line(dc, r.left, r.bottom - 1, r.right, r.bottom, kWhite);
    Line(dc, r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1, kFace);
}

void CStaticSubclass::PaintText(HDC dc, const RECT& client, DWORD style)
{
    FillSolid(dc, client, skin_color::kBackground);
    kd::select_scope font(dc, m_font.get());
    const std::string text = ControlText(m_hWnd);
    UINT format = DT_VCENTER | DT_SINGLELINE;
    if (style & SS_RIGHT)
        format |= DT_RIGHT;
    else if (style & SS_CENTER)
        format |= DT_CENTER;
    bk_mode_scope transparent(dc, TRANSPARENT);
    RECT box = client;
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
}
