#include "CButtonSubclass.h"

#include "ButtonAccessible.h"
#include "ControlPaint.h"

namespace {

RECT Shrunk(RECT r, int dx, int dy) noexcept
{
    ::InflateRect(&r, -dx, -dy);
    return r;
}

HFONT ControlFont(HWND wnd) noexcept
{
    return reinterpret_cast<HFONT>(::SendMessageA(wnd, WM_GETFONT, 0, 0));
}

} // namespace

CButtonSubclass::CButtonSubclass()
{
    CreateBrushes();
}

CButtonSubclass::~CButtonSubclass()
{
    if (IsAttached()) (void)CButtonSubclass::Unsubclass(); // a destructor cannot report
}

void CButtonSubclass::CreateBrushes()
{
    using namespace skin_color;
    if (!m_face) m_face.reset(::CreateSolidBrush(kFace));
    if (!m_background) m_background.reset(::CreateSolidBrush(kBackground));
    if (!m_black) m_black.reset(::CreateSolidBrush(kBlack));
    if (!m_darkShadow) m_darkShadow.reset(::CreateSolidBrush(kDarkShadow));
    if (!m_shadow) m_shadow.reset(::CreateSolidBrush(kShadow));
    if (!m_white) m_white.reset(::CreateSolidBrush(kWhite));
}

int CButtonSubclass::Subclass(HWND wnd)
{
    CreateBrushes();
    const int result = CWndSubclass::Subclass(wnd);
    if (result && (m_styleAtAttach & WS_DISABLED)) m_state = kDisabled;
    return result;
}

int CButtonSubclass::Unsubclass()
{
    const int result = CWndSubclass::Unsubclass();
    // Detached objects stay listed until SkinUnload without holding brushes.
    m_face.reset();
    m_background.reset();
    m_black.reset();
    m_darkShadow.reset();
    m_shadow.reset();
    m_white.reset();
    m_tracking = 0;
    return result;
}

int CButtonSubclass::RestingState() const noexcept
{
    return ::GetFocus() == m_hWnd ? kFocused : kNormal;
}

bool CButtonSubclass::IsPushButton() const noexcept
{
    const LONG_PTR type = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

LRESULT CButtonSubclass::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == ButtonAccessible::PressedQueryMessage())
        return (m_styleType == BS_PUSHBUTTON || m_styleType == BS_DEFPUSHBUTTON) && m_state == kPressed ? 1 : 0;
    switch (message) {
    case WM_GETOBJECT:
        // The skin has taken the button's own handling, and the platform's
        // answer may not even say it is a button.
        if (static_cast<LONG>(lParam) == OBJID_CLIENT && IsPushButton())
            if (const LRESULT object = ButtonAccessible::AnswerGetObject(m_hWnd, wParam)) return object;
        return CWndSubclass::WindowProc(message, wParam, lParam);
    case WM_SETFOCUS:
        if (m_state == kNormal) m_state = kFocused;
        // The window that lost the focus hears of it once more, as the skin
        // keeps this button's own focus handling from running.
        ::SendMessageA(reinterpret_cast<HWND>(wParam), WM_KILLFOCUS, 0, 0);
        Repaint();
        return 0;
    case WM_KILLFOCUS:
        if (m_state == kFocused) m_state = kNormal;
        Repaint();
        return 0;
    case WM_PAINT:
        CWndSubclass::WindowProc(message, wParam, lParam);
        Repaint();
        return 0;
    case WM_ERASEBKGND:
        return 0;
    case BM_SETCHECK:
        if (m_styleType == BS_AUTORADIOBUTTON) {
            m_check = static_cast<int>(wParam);
            // The control keeps its own check state too, so BM_GETCHECK (and
            // the dialog's radio-group handling) answer what the skin shows.
            CWndSubclass::WindowProc(message, wParam, lParam);
            Repaint();
            return 0;
        }
        return CWndSubclass::WindowProc(message, wParam, lParam);
    case WM_MOUSEMOVE:
        if (!m_tracking) {
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof(track);
            track.dwFlags = TME_HOVER | TME_LEAVE;
            track.hwndTrack = m_hWnd;
            track.dwHoverTime = 1;
            m_tracking = ::TrackMouseEvent(&track) ? 1 : 0;
        }
        return 0;
    case WM_LBUTTONDOWN:
        ::SetCapture(m_hWnd);
        ::SetFocus(m_hWnd);
        m_state = kPressed;
        Repaint();
        return 0;
    case WM_LBUTTONUP: {
        HWND self = m_hWnd;
        ::ReleaseCapture();
        if (!IsAttached() || m_hWnd != self) return 0; // destroyed by the capture change
        m_state = RestingState();
        if (HWND parent = ::GetParent(self)) {
            const auto id = static_cast<WORD>(::GetDlgCtrlID(self));
            ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(self));
        }
        Repaint();
        return 0;
    }
    case WM_MOUSEHOVER:
        Repaint();
        return 0;
    case WM_MOUSELEAVE:
        m_tracking = 0;
        if (m_state != kPressed) m_state = RestingState();
        Repaint();
        return 0;
    default:
        return CWndSubclass::WindowProc(message, wParam, lParam);
    }
}

void CButtonSubclass::Repaint()
{
    if (!IsAttached() || !::IsWindow(m_hWnd)) return;
    kd::unique_window_dc window(m_hWnd);
    HDC dc = window.get();
    if (!dc) return;
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    const std::string text = ControlText(m_hWnd);
    if (::GetWindowLongPtrA(m_hWnd, GWL_STYLE) & WS_DISABLED) m_state = kDisabled;

    // The whole low word, not BS_TYPEMASK.
    switch (m_styleType) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        if (m_state == kNormal && ::GetFocus() == m_hWnd) m_state = kFocused;
        PaintPushButton(dc, r, text);
        break;
    case BS_GROUPBOX:
        PaintGroupCaption(dc, r, text);
        break;
    case BS_AUTORADIOBUTTON:
        PaintRadio(dc, r, text);
        break;
    default:
        // Check boxes and buttons with further style bits keep their own look.
        break;
    }
}

void CButtonSubclass::PaintPushButton(HDC dc, const RECT& r, const std::string& text)
{
    RECT face = Shrunk(r, ::GetSystemMetrics(SM_CXEDGE), ::GetSystemMetrics(SM_CYEDGE));
    ::FillRect(dc, &face, m_face.get());
    PaintBorder(dc, r);

    kd::select_scope font(dc, ControlFont(m_hWnd));
    const SIZE extent = TextExtent(dc, text);
    const LONG x = (face.left + face.right) / 2 - extent.cx / 2;
    const LONG y = (face.top + face.bottom) / 2 - extent.cy / 2;
    RECT box{x, y, x + extent.cx, y + extent.cy};
    ::SetBkColor(dc, skin_color::kFace);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, kCentredLine);
}

void CButtonSubclass::PaintBorder(HDC dc, const RECT& r)
{
    ::FrameRect(dc, &r, m_black.get());
    auto line = [dc](LONG l, LONG t, LONG rt, LONG b, HBRUSH brush) {
        const RECT rect{l, t, rt, b};
        ::FillRect(dc, &rect, brush);
    };
    auto shading = [&] {
        line(r.right - 2, r.top + 1, r.right - 1, r.bottom - 1, m_darkShadow.get());
        line(r.right - 3, r.top + 2, r.right - 2, r.bottom - 2, m_shadow.get());
        line(r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1, m_darkShadow.get());
        line(r.left + 2, r.bottom - 3, r.right - 2, r.bottom - 2, m_shadow.get());
    };
    switch (m_state) {
    case kNormal:
    case kDisabled: {
        const RECT inner = Shrunk(r, 1, 1);
        ::FrameRect(dc, &inner, m_white.get());
        shading();
        break;
    }
    case kFocused: {
        const RECT focus = Shrunk(r, 4, 4);
        ::DrawFocusRect(dc, &focus);
        shading();
        break;
    }
    case kPressed: {
        const RECT focus = Shrunk(r, 4, 4);
        ::DrawFocusRect(dc, &focus);
        const RECT inner = Shrunk(r, 1, 1);
        ::FrameRect(dc, &inner, m_shadow.get());
        break;
    }
    default:
        break;
    }
}

void CButtonSubclass::PaintGroupCaption(HDC dc, const RECT& r, const std::string& text)
{
    if (text.empty()) return;
    kd::select_scope font(dc, ControlFont(m_hWnd));
    const SIZE extent = TextExtent(dc, text);
    bk_color_scope background(dc, skin_color::kBackground);
    const RECT caption{r.left + 7, r.top, r.left + extent.cx + 11, r.top + extent.cy + 2};
    ::FillRect(dc, &caption, m_background.get());
    RECT box = Shrunk(caption, 2, 1);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, kCentredLine);
}

void CButtonSubclass::PaintRadio(HDC dc, const RECT& r, const std::string& text)
{
    if (text.empty()) return;
    RECT glyph{r.left, r.top, r.left + 14, r.top + 14};
    ::DrawFrameControl(dc, &glyph, DFC_BUTTON, DFCS_BUTTONRADIO | (m_check == 1 ? DFCS_CHECKED : 0));

    kd::unique_hrgn client(::CreateRectRgnIndirect(&r));
    kd::unique_hrgn round(::CreateRoundRectRgn(glyph.left, glyph.top, glyph.right, glyph.bottom, 14, 14));
    kd::unique_hrgn rest(::CreateRectRgn(0, 0, 0, 0));
    if (client && round && rest && ::CombineRgn(rest.get(), client.get(), round.get(), RGN_DIFF) != ERROR)
        ::FillRgn(dc, rest.get(), m_background.get());

    kd::select_scope font(dc, ControlFont(m_hWnd));
    const SIZE extent = TextExtent(dc, text);
    bk_mode_scope transparent(dc, TRANSPARENT);
    RECT box{r.left + 18, r.top, r.left + 18 + extent.cx, r.top + extent.cy};
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, kCentredLine);
}
