#include "CDialogSubclass.h"

#include "ControlPaint.h"
#include "win32_text.h"

#include "KeyColourRegion.h"
#include "unique_any.h"

#include <windowsx.h>
#include <vector>

namespace {

constexpr UINT kFrameChanged = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

// Caption buttons: the close button sits this far from the right and top
// edges, each further button this far to the left of the one before.
constexpr int kButtonInset = 4;
constexpr int kButtonGap = 2;
// Each caption button has a normal, a hover and a pressed piece, in that order.
constexpr int kImagesPerButton = 3;
// Caption icon at the icon button's right and top; the text follows it (or,
// without an icon, the icon button itself) after a small gap.
constexpr int kIconX = 25;
constexpr int kIconY = 5;
constexpr int kIconSize = 16;
constexpr int kTextGap = 2;
constexpr int kTextY = 5;

[[nodiscard]] int Width(const RECT& r) noexcept
{
    return r.right - r.left;
}
[[nodiscard]] int Height(const RECT& r) noexcept
{
    return r.bottom - r.top;
}

// A memory DC holding the skin bitmap, the source of every piece.
class SkinSource {
public:
    SkinSource(HDC compatible, const SkinArt& art) noexcept
        : m_art(art), m_dc(::CreateCompatibleDC(compatible)), m_select(m_dc.get(), art.bitmap.get())
    {
    }
    [[nodiscard]] bool Ready() const noexcept { return m_dc && m_art.bitmap; }
    // Copies piece (stretched) to dst at x, y in w x h; nothing for empty sizes.
    void Copy(HDC dst, int x, int y, int w, int h, std::size_t piece) const noexcept
    {
        const RECT& src = m_art.geometry[piece];
        if (!Ready() || w <= 0 || h <= 0 || Width(src) <= 0 || Height(src) <= 0) return;
        ::StretchBlt(dst, x, y, w, h, m_dc.get(), src.left, src.top, Width(src), Height(src), SRCCOPY);
    }

private:
    const SkinArt& m_art;
    kd::unique_hdc m_dc;
    kd::select_scope m_select;
};

// An off-screen bitmap of a given size with its own memory DC.
class OffScreen {
public:
    OffScreen(HDC compatible, int w, int h) noexcept
        : m_dc(::CreateCompatibleDC(compatible)),
          m_bitmap(w > 0 && h > 0 ? ::CreateCompatibleBitmap(compatible, w, h) : nullptr),
          m_select(m_dc.get(), m_bitmap.get())
    {
        if (m_dc) ::SetStretchBltMode(m_dc.get(), COLORONCOLOR);
    }
    [[nodiscard]] bool Ready() const noexcept { return m_dc && m_bitmap; }
    [[nodiscard]] HDC dc() const noexcept { return m_dc.get(); }

private:
    kd::unique_hdc m_dc;
    kd::unique_hbitmap m_bitmap;
    kd::select_scope m_select;
};

// Reads the 32-bit pixels of the bitmap selected in dc, top row first.
// A 32-bit DIB section is read in place; anything else through GetDIBits.
struct FramePixels {
    std::vector<std::uint32_t> copy;
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

FramePixels ReadPixels(HDC dc)
{
    FramePixels out;
    auto bitmap = static_cast<HBITMAP>(::GetCurrentObject(dc, OBJ_BITMAP));
    if (!bitmap) return out;
    DIBSECTION section{};
    if (::GetObjectA(bitmap, sizeof section, &section) == sizeof section && section.dsBm.bmBits &&
        section.dsBm.bmBitsPixel == 32 && section.dsBmih.biCompression == BI_RGB && section.dsBmih.biHeight < 0) {
        ::GdiFlush();
        out.pixels = static_cast<const std::uint32_t*>(section.dsBm.bmBits);
        out.width = section.dsBm.bmWidth;
        out.height = section.dsBm.bmHeight;
        out.stride = section.dsBm.bmWidthBytes / 4;
        return out;
    }
    BITMAP info{};
    if (::GetObjectA(bitmap, sizeof info, &info) != sizeof info || info.bmWidth <= 0 || info.bmHeight <= 0) return out;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = info.bmWidth;
    bmi.bmiHeader.biHeight = -info.bmHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    out.copy.resize(static_cast<std::size_t>(info.bmWidth) * static_cast<std::size_t>(info.bmHeight));
    if (::GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), out.copy.data(), &bmi, DIB_RGB_COLORS) !=
        info.bmHeight)
        return FramePixels{};
    out.pixels = out.copy.data();
    out.width = out.stride = info.bmWidth;
    out.height = info.bmHeight;
    return out;
}

} // namespace

CDialogSubclass::CDialogSubclass(const SkinArt& art) noexcept : m_art(art) {}

CDialogSubclass::~CDialogSubclass()
{
    if (IsAttached()) (void)CDialogSubclass::Unsubclass(); // a destructor cannot report
}

// ---------------------------------------------------------------- attach / detach

int CDialogSubclass::Subclass(HWND wnd)
{
    if (!CWndSubclass::Subclass(wnd)) return 0;

    m_caption = kd::WindowText(wnd);

    m_savedStyle = static_cast<DWORD>(::GetWindowLongPtrA(wnd, GWL_STYLE));
    m_hasMinimizeBox = (m_savedStyle & WS_MINIMIZEBOX) ? 1 : 0;
    m_hasMaximizeBox = (m_savedStyle & WS_MAXIMIZEBOX) ? 1 : 0;
    m_hasCloseBox = (m_savedStyle & WS_SYSMENU) ? 1 : 0;
    m_hasIcon = ::SendMessageA(wnd, WM_GETICON, ICON_SMALL, 0) ? 1 : 0;

    // The skin draws its own caption buttons.
    if (::GetSystemMenu(wnd, FALSE))
        ::SetWindowLongPtrA(wnd, GWL_STYLE, static_cast<LONG_PTR>(m_savedStyle & ~static_cast<DWORD>(WS_SYSMENU)));

    if (::GetMenu(wnd)) {
        m_menuBar = std::make_unique<CSkinMenuBar>();
        m_menuBar->Setup(wnd, MenuBarRect());
    }

    Layout();
    UpdateWindowRegion();
    ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0, kFrameChanged);
    return 1;
}

int CDialogSubclass::Unsubclass()
{
    if (!IsAttached()) return 0;
    HWND wnd = m_hWnd;
    ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0, kFrameChanged);
    // Only WS_SYSMENU was taken away: put that back and keep every state bit
    // (visible, maximized, disabled ...) the window has gained since attach.
    const auto current = static_cast<DWORD>(::GetWindowLongPtrA(wnd, GWL_STYLE));
    const DWORD restored = (current & ~static_cast<DWORD>(WS_SYSMENU)) | (m_savedStyle & WS_SYSMENU);
    ::SetWindowLongPtrA(wnd, GWL_STYLE, static_cast<LONG_PTR>(restored));
    ::SetWindowRgn(wnd, nullptr, TRUE);
    (void)CWndSubclass::Unsubclass(); // attached, checked above
    if (m_menuBar) {
        m_menuBar->Teardown();
        m_menuBar.reset();
    }
    ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return 1;
}

// ---------------------------------------------------------------- layout

void CDialogSubclass::Layout()
{
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const int w = Width(window);
    const int h = Height(window);
    const SkinGeometry& g = m_art.geometry;

    const int top = g.Height(kPieceCaptionLeft);
    const int left = g.Width(kPieceLeftBorder);
    const int right = g.Width(kPieceRightBorder);
    const int bottom = g.Height(kPieceBottomLeft);
    m_frameParts[kLeftPart] = RECT{0, top, left, h - bottom};
    m_frameParts[kTopPart] = RECT{0, 0, w, top};
    m_frameParts[kRightPart] = RECT{w - right, top, w, h - bottom};
    m_frameParts[kBottomPart] = RECT{0, h - bottom, w, h};

    const RECT& icon = g[kPieceIconNormal];
    const int iconTop = icon.top - g[kPieceCaptionLeft].top;
    m_buttonRects[kIconButton] = RECT{icon.left, iconTop, icon.right, iconTop + Height(icon)};

    const int closeW = g.Width(kPieceCloseNormal);
    const int closeH = g.Height(kPieceCloseNormal);
    const RECT close{w - kButtonInset - closeW, kButtonInset, w - kButtonInset, kButtonInset + closeH};
    m_buttonRects[kCloseButton] = close;
    if (m_hasMinimizeBox) {
        const int maxW = g.Width(kPieceMaximizeNormal);
        const RECT max{close.left - kButtonGap - maxW, kButtonInset, close.left - kButtonGap,
                       kButtonInset + g.Height(kPieceMaximizeNormal)};
        const int minW = g.Width(kPieceMinimizeNormal);
        m_buttonRects[kMaximizeButton] = max;
        m_buttonRects[kMinimizeButton] = RECT{max.left - kButtonGap - minW, kButtonInset, max.left - kButtonGap,
                                              kButtonInset + g.Height(kPieceMinimizeNormal)};
    }
}

// ---------------------------------------------------------------- painting

void CDialogSubclass::PaintLeftBorder(HDC dc, int)
{
    SkinSource src(dc, m_art);
    src.Copy(dc, 0, 0, Width(m_frameParts[kLeftPart]), Height(m_frameParts[kLeftPart]), kPieceLeftBorder);
}

void CDialogSubclass::PaintRightBorder(HDC dc, int)
{
    SkinSource src(dc, m_art);
    src.Copy(dc, 0, 0, Width(m_frameParts[kRightPart]), Height(m_frameParts[kRightPart]), kPieceRightBorder);
}

void CDialogSubclass::PaintCaptionStrip(HDC dc, int)
{
    SkinSource src(dc, m_art);
    const SkinGeometry& g = m_art.geometry;
    const int w = Width(m_frameParts[kTopPart]);
    const int h = Height(m_frameParts[kTopPart]);
    const int leftW = g.Width(kPieceCaptionLeft);
    const std::size_t rightPiece = m_hasMinimizeBox ? kPieceCaptionRightMin : kPieceCaptionRightNoMin;
    const int rightW = g.Width(rightPiece);
    src.Copy(dc, 0, 0, leftW, h, kPieceCaptionLeft);
    src.Copy(dc, w - rightW, 0, rightW, h, rightPiece);
    src.Copy(dc, leftW, 0, w - rightW - leftW, h, kPieceCaptionMiddle);
}

void CDialogSubclass::PaintBottomStrip(HDC dc, int)
{
    SkinSource src(dc, m_art);
    const SkinGeometry& g = m_art.geometry;
    const int w = Width(m_frameParts[kBottomPart]);
    const int h = Height(m_frameParts[kBottomPart]);
    const int leftW = g.Width(kPieceBottomLeft);
    const int rightW = g.Width(kPieceBottomRight);
    src.Copy(dc, 0, 0, leftW, h, kPieceBottomLeft);
    src.Copy(dc, w - rightW, 0, rightW, h, kPieceBottomRight);
    src.Copy(dc, leftW, 0, w - rightW - leftW, h, kPieceBottomMiddle);
}

void CDialogSubclass::PaintCaptionIconAndText(HDC target, int active)
{
    int x = kIconX + kTextGap;
    if (m_hasIcon) {
        auto icon = reinterpret_cast<HICON>(::SendMessageA(m_hWnd, WM_GETICON, ICON_SMALL, 0));
        if (icon) ::DrawIconEx(target, kIconX, kIconY, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
        x = kIconX + kIconSize + kTextGap;
    }
    const int oldMode = ::SetBkMode(target, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(target, active ? kCaptionActive : kCaptionInactive);
    ::TextOutA(target, x, kTextY, m_caption.c_str(), static_cast<int>(m_caption.size()));
    ::SetTextColor(target, oldColour);
    ::SetBkMode(target, oldMode);
}

void CDialogSubclass::PaintButton(HDC target, int button)
{
    const RECT& r = m_buttonRects[static_cast<std::size_t>(button)];
    if (Width(r) <= 0 || Height(r) <= 0) return;
    // An inactive window always shows the normal images.
    const int state = m_active ? m_buttonStates[static_cast<std::size_t>(button)] : kNormal;
    int image = 0;
    switch (state) {
    case kNormal:
        image = 0;
        break;
    case kHover:
        image = 1;
        break;
    case kPressed:
        image = 2;
        break;
    default:
        return;
    }
    OffScreen off(target, Width(r), Height(r));
    if (!off.Ready()) return;
    SkinSource src(target, m_art);
    const auto piece = kPieceIconNormal + static_cast<std::size_t>(kImagesPerButton * button + image);
    src.Copy(off.dc(), 0, 0, Width(r), Height(r), piece);
    ::BitBlt(target, r.left, r.top, Width(r), Height(r), off.dc(), 0, 0, SRCCOPY);
}

void CDialogSubclass::PaintNonClient(HDC target)
{
    if (!m_hWnd || !target) return;
    if (::IsIconic(m_hWnd)) {
        // Minimized: the system shows the icon; nothing of the skin is drawn.
        auto icon = ::SendMessageA(m_hWnd, WM_GETICON, ICON_SMALL, 0);
        if (icon) {
            auto previous = ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, icon);
            ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, previous);
        }
        return;
    }

    using PaintSlot = void (CDialogSubclass::*)(HDC, int);
    struct PartJob {
        int part;
        PaintSlot paint;
    };
    // Left, right, caption, bottom: the order the parts are painted in.
    static constexpr PartJob jobs[] = {
        {kLeftPart, &CDialogSubclass::PaintLeftBorder},
        {kRightPart, &CDialogSubclass::PaintRightBorder},
        {kTopPart, &CDialogSubclass::PaintCaptionStrip},
        {kBottomPart, &CDialogSubclass::PaintBottomStrip},
    };
    std::vector<std::unique_ptr<OffScreen>> parts(4);
    for (const PartJob& job : jobs) {
        const RECT& r = m_frameParts[static_cast<std::size_t>(job.part)];
        auto off = std::make_unique<OffScreen>(target, Width(r), Height(r));
        if (off->Ready()) (this->*job.paint)(off->dc(), m_active);
        parts[static_cast<std::size_t>(job.part)] = std::move(off);
    }

    if (HasMenu()) m_menuBar->Paint(target);

    for (int part : {kLeftPart, kTopPart, kRightPart, kBottomPart}) {
        const RECT& r = m_frameParts[static_cast<std::size_t>(part)];
        const auto& off = parts[static_cast<std::size_t>(part)];
        if (off && off->Ready()) ::BitBlt(target, r.left, r.top, Width(r), Height(r), off->dc(), 0, 0, SRCCOPY);
    }

    for (int button = kIconButton; button <= kCloseButton; ++button) {
        if (m_buttonStates[static_cast<std::size_t>(button)] != kNormal && ButtonPresent(button))
            PaintButton(target, button);
    }

    PaintCaptionIconAndText(target, m_active);
}

void CDialogSubclass::PaintNonClientOnWindow()
{
    kd::unique_window_dc dc(m_hWnd, true);
    if (dc) PaintNonClient(dc.get());
}

void CDialogSubclass::FillClientBackground(HDC dc)
{
    if (!dc) return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::OffsetRect(&client, -client.left, -client.top);
    kd::unique_hbrush brush(::CreateSolidBrush(skin_color::kBackground));
    ::FillRect(dc, &client, brush.get());
}

// ---------------------------------------------------------------- region

void CDialogSubclass::CutKeyColour(HDC frame, HRGN rgn)
{
    const FramePixels px = ReadPixels(frame);
    if (!px.pixels) return;
    kd::unique_hrgn holes = RegionOfColour(px.pixels, px.width, px.height, px.stride, kKeyColour, m_frameParts);
    if (holes) ::CombineRgn(rgn, rgn, holes.get(), RGN_DIFF);
}

HRGN CDialogSubclass::BuildWindowRegion()
{
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const int w = Width(window);
    const int h = Height(window);
    kd::unique_hrgn rgn(::CreateRectRgn(0, 0, w, h));
    if (!rgn || w <= 0 || h <= 0) return rgn.release();

    kd::unique_window_dc screen(nullptr);
    kd::unique_hdc mem(::CreateCompatibleDC(screen.get()));
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h; // top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    kd::unique_hbitmap frame(::CreateDIBSection(screen.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!mem || !frame) return rgn.release();
    {
        kd::select_scope select(mem.get(), frame.get());
        PaintNonClient(mem.get());
        CutKeyColour(mem.get(), rgn.get());
    }
    return rgn.release();
}

void CDialogSubclass::UpdateWindowRegion()
{
    kd::unique_hrgn rgn(BuildWindowRegion());
    if (rgn && ::SetWindowRgn(m_hWnd, rgn.get(), TRUE)) (void)rgn.release(); // the window owns it now
}

// ---------------------------------------------------------------- messages

bool CDialogSubclass::ButtonPresent(int button) const noexcept
{
    switch (button) {
    case kIconButton:
        return m_hasIcon != 0;
    case kMinimizeButton:
        return m_hasMinimizeBox != 0;
    case kMaximizeButton:
        return m_hasMaximizeBox != 0;
    case kCloseButton:
        return m_hasCloseBox != 0;
    default:
        return false;
    }
}

bool CDialogSubclass::HasMenu() const noexcept
{
    return m_menuBar && ::GetMenu(m_hWnd);
}

RECT CDialogSubclass::MenuBarRect() const
{
    // The strip the standard frame reserves for the menu, below the skin caption.
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    POINT clientOrigin{0, 0};
    ::ClientToScreen(m_hWnd, &clientOrigin);
    int bottom = clientOrigin.y - window.top;
    if (bottom <= kFrameTop) bottom = kFrameTop + ::GetSystemMetrics(SM_CYMENU);
    return RECT{kFrameLeft, kFrameTop, Width(window) - kFrameRight, bottom};
}

POINT CDialogSubclass::ToWindow(LPARAM screenPoint) const
{
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    return POINT{GET_X_LPARAM(screenPoint) - window.left, GET_Y_LPARAM(screenPoint) - window.top};
}

LRESULT CDialogSubclass::OnSize(WPARAM wParam, LPARAM lParam)
{
    Layout();
    UpdateWindowRegion();
    if (HasMenu()) m_menuBar->Place(MenuBarRect());
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_hWnd);
    ::SendMessageA(m_hWnd, WM_NCPAINT, 1, 0);
    return CWndSubclass::WindowProc(WM_SIZE, wParam, lParam);
}

LRESULT CDialogSubclass::OnNcCalcSize(WPARAM wParam, LPARAM lParam)
{
    RECT* proposed = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
    if (proposed) {
        const auto style = static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE));
        const bool thick = (style & WS_THICKFRAME) != 0;
        const int fx = ::GetSystemMetrics(thick ? SM_CXFRAME : SM_CXDLGFRAME);
        const int fy = ::GetSystemMetrics(thick ? SM_CYFRAME : SM_CYDLGFRAME);
        const int caption = ::GetSystemMetrics(SM_CYCAPTION);
        proposed->left += kFrameLeft - fx;
        proposed->top += kFrameTop - fy - caption;
        proposed->right += fx - kFrameRight;
        proposed->bottom += fy - kFrameBottom;
    }
    return CWndSubclass::WindowProc(WM_NCCALCSIZE, wParam, lParam);
}

LRESULT CDialogSubclass::OnNcHitTest(WPARAM wParam, LPARAM lParam)
{
    const LRESULT hit = CWndSubclass::WindowProc(WM_NCHITTEST, wParam, lParam);
    switch (hit) {
    case HTMENU:
    case HTMINBUTTON:
    case HTMAXBUTTON:
    case HTCLOSE:
        return HTCAPTION;
    default:
        return hit;
    }
}

LRESULT CDialogSubclass::OnNcMouseMove(LPARAM lParam)
{
    const POINT pt = ToWindow(lParam);
    if (HasMenu() && m_menuBar->Contains(pt)) m_menuBar->TrackHot(pt);
    for (int button = kIconButton; button <= kCloseButton; ++button) {
        const auto i = static_cast<std::size_t>(button);
        const int state = ::PtInRect(&m_buttonRects[i], pt) ? kHover : kNormal;
        if (state == m_buttonStates[i]) continue;
        m_buttonStates[i] = state;
        if (ButtonPresent(button)) {
            kd::unique_window_dc dc(m_hWnd, true);
            if (dc) PaintButton(dc.get(), button);
        }
    }
    return 0;
}

LRESULT CDialogSubclass::OnNcLButtonDown(WPARAM wParam, LPARAM lParam)
{
    const POINT pt = ToWindow(lParam);
    if (HasMenu() && m_menuBar->Contains(pt)) {
        // The bar takes its clicks: passed on, a click on the strip (a caption
        // to the standard handling) would start moving the window once the
        // drop-down has closed, with the button already released.
        m_menuBar->ButtonDown(pt);
        return 0;
    }
    auto under = [&](int button) {
        return ButtonPresent(button) && ::PtInRect(&m_buttonRects[static_cast<std::size_t>(button)], pt);
    };
    WPARAM command = 0;
    if (under(kCloseButton))
        command = SC_CLOSE;
    else if (under(kMaximizeButton))
        command = ::IsZoomed(m_hWnd) ? SC_RESTORE : SC_MAXIMIZE;
    else if (under(kMinimizeButton))
        command = SC_MINIMIZE;
    else if (!under(kIconButton))
        return CWndSubclass::WindowProc(WM_NCLBUTTONDOWN, wParam, lParam);
    if (command) ::SendMessageA(m_hWnd, WM_SYSCOMMAND, command, 0);
    return 0;
}

LRESULT CDialogSubclass::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        return OnSize(wParam, lParam);
    case WM_SETTEXT:
        // The skin keeps the caption; the window's own text stays as it was.
        m_caption = lParam ? reinterpret_cast<const char*>(lParam) : "";
        PaintNonClientOnWindow();
        return 0;
    case WM_PAINT: {
        {
            kd::paint_scope paint(m_hWnd);
            FillClientBackground(paint.get());
        }
        return CWndSubclass::WindowProc(message, wParam, lParam);
    }
    case WM_ERASEBKGND:
        FillClientBackground(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_MENU && m_menuBar) return m_menuBar->DrawItem(*item);
        return 0;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_MENU && m_menuBar) return m_menuBar->MeasureItem(*item);
        return 0;
    }
    case WM_NCCALCSIZE:
        return OnNcCalcSize(wParam, lParam);
    case WM_NCHITTEST:
        return OnNcHitTest(wParam, lParam);
    case WM_NCPAINT:
        PaintNonClientOnWindow();
        return 0;
    case WM_NCACTIVATE:
        m_active = static_cast<int>(wParam);
        PaintNonClientOnWindow();
        return 1;
    case WM_NCMOUSEMOVE:
        return OnNcMouseMove(lParam);
    case WM_NCLBUTTONDOWN:
        return OnNcLButtonDown(wParam, lParam);
    default:
        return CWndSubclass::WindowProc(message, wParam, lParam);
    }
}
