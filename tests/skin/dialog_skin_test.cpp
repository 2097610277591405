// The skinned dialog frame on screen: pieces, holes, caption, buttons,
// client area, region, and GDI hygiene. Runs the library statically linked
// so the tests can reach the skin objects behind the windows.
#include "CDialogSubclass.h"
#include "ControlPaint.h"
#include "CSkinManager.h"
#include "SoakCount.h"
#include "SubclassMap.h"
#include "TestArtwork.h"
#include "TestDialogSkin.h"
#include "TestWindows.h"
#include "UiDriver.h"
#include "Vellaris.h"

#include <gtest/gtest.h>

using namespace skintest;

namespace {

std::vector<UINT> g_sysCommands;
int g_closes = 0;

INT_PTR CALLBACK RecordingDlgProc(HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_SYSCOMMAND) g_sysCommands.push_back(static_cast<UINT>(wParam & 0xFFF0));
    if (message == WM_CLOSE) ++g_closes;
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

constexpr DWORD kAllButtons = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
constexpr DWORD kCloseOnly = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

class SkinnedDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_sysCommands.clear();
        g_closes = 0;
        LoadArtwork(m_art);
        SkinSetMask(kSkinDialogBits);
    }
    void TearDown() override
    {
        for (HWND w : m_windows)
            if (::IsWindow(w)) ::DestroyWindow(w);
        Pump(50);
        (void)SkinUnload(); // nothing to check after a test
        SkinSetMask(0);
        for (auto& f : m_files) ::DeleteFileA(f.c_str());
    }

    void LoadArtwork(const Artwork& art)
    {
        const std::string path = TempPath("dlg" + std::to_string(m_files.size()));
        ASSERT_TRUE(art.Save(path));
        m_files.push_back(path);
        ASSERT_TRUE(SkinLoad(path.c_str()));
    }

    // A dialog placed at (x, y) with an exact window size in pixels, shown.
    HWND Open(DWORD style, int width, int height, const char* caption = "Skinned", int x = 40, int y = 40,
              bool show = true)
    {
        DialogTemplate t(style, 100, 60, caption);
        HWND wnd = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), t.get(), nullptr, RecordingDlgProc, 0);
        EXPECT_NE(wnd, nullptr);
        m_windows.push_back(wnd);
        ::SetWindowPos(wnd, nullptr, x, y, width, height, SWP_NOZORDER | (show ? SWP_SHOWWINDOW : 0));
        Pump();
        return wnd;
    }

    static CDialogSubclass* SkinOf(HWND wnd)
    {
        return dynamic_cast<CDialogSubclass*>(SubclassMap::Instance().Lookup(wnd));
    }

    static void Activate(HWND wnd, bool active)
    {
        ::SendMessageA(wnd, WM_NCACTIVATE, active ? TRUE : FALSE, 0);
        Pump(80);
    }

    static LPARAM ScreenPoint(HWND wnd, int x, int y)
    {
        RECT r{};
        ::GetWindowRect(wnd, &r);
        return MAKELPARAM(r.left + x, r.top + y);
    }

    Artwork m_art;
    std::vector<std::string> m_files;
    std::vector<HWND> m_windows;
};

TEST_F(SkinnedDialog, PiecesLandAtTheirPlaces)
{
    constexpr int W = 400, H = 300;
    HWND wnd = Open(kAllButtons, W, H, "");
    ASSERT_NE(SkinOf(wnd), nullptr);
    Capture shot = Capture::Of(wnd);
    EXPECT_EQ(shot.At(5, 60), PieceColour(kPieceLeftBorder));
    EXPECT_EQ(shot.At(5, H - 30), PieceColour(kPieceLeftBorder));
    EXPECT_EQ(shot.At(W - 4, 60), PieceColour(kPieceRightBorder));
    EXPECT_EQ(shot.At(60, 32), PieceColour(kPieceCaptionLeft));
    EXPECT_EQ(shot.At(130, 32), PieceColour(kPieceCaptionMiddle));
    EXPECT_EQ(shot.At(W - 146, 32), PieceColour(kPieceCaptionMiddle));
    EXPECT_EQ(shot.At(W - 140, 32), PieceColour(kPieceCaptionRightMin));
    EXPECT_EQ(shot.At(5, H - 4), PieceColour(kPieceBottomLeft));
    EXPECT_EQ(shot.At(W / 2, H - 4), PieceColour(kPieceBottomMiddle));
    EXPECT_EQ(shot.At(W - 5, H - 4), PieceColour(kPieceBottomRight));
    EXPECT_EQ(shot.At(W / 2, H / 2), skin_color::kBackground);
}

TEST_F(SkinnedDialog, WithoutMinimizeBoxTheRightEndComesFromItsOwnPieceAndOnlyCloseReacts)
{
    constexpr int W = 320, H = 200;
    HWND wnd = Open(kCloseOnly, W, H, "");
    CDialogSubclass* skin = SkinOf(wnd);
    ASSERT_NE(skin, nullptr);
    Capture shot = Capture::Of(wnd);
    EXPECT_EQ(shot.At(W - 140, 32), PieceColour(kPieceCaptionRightNoMin));
    EXPECT_TRUE(::IsRectEmpty(&skin->ButtonRect(CDialogSubclass::kMinimizeButton)));
    EXPECT_TRUE(::IsRectEmpty(&skin->ButtonRect(CDialogSubclass::kMaximizeButton)));

    // Where minimize and maximize would be: passed on, no command.
    // (HTNOWHERE: a caption code would start a real move loop when passed on.)
    ::SendMessageA(wnd, WM_NCLBUTTONDOWN, HTNOWHERE, ScreenPoint(wnd, W - 70, 15));
    ::SendMessageA(wnd, WM_NCLBUTTONDOWN, HTNOWHERE, ScreenPoint(wnd, W - 45, 15));
    EXPECT_TRUE(g_sysCommands.empty());
    ::SendMessageA(wnd, WM_NCLBUTTONDOWN, HTCAPTION, ScreenPoint(wnd, W - 17, 15));
    EXPECT_EQ(g_sysCommands, std::vector<UINT>{SC_CLOSE});
    EXPECT_EQ(g_closes, 1);
}

TEST_F(SkinnedDialog, ClientAreaIsInsetByTheSkinFrame)
{
    for (DWORD style : {kAllButtons, kCloseOnly}) {
        HWND wnd = Open(style, 300, 220);
        RECT window{}, client{};
        ::GetWindowRect(wnd, &window);
        ::GetClientRect(wnd, &client);
        ::MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
        EXPECT_EQ(client.left - window.left, 15);
        EXPECT_EQ(client.top - window.top, 34);
        EXPECT_EQ(window.right - client.right, 8);
        EXPECT_EQ(window.bottom - client.bottom, 9);
    }
}

TEST_F(SkinnedDialog, HitTestReportsTheMenuStripAsCaption)
{
    HWND wnd = Open(kCloseOnly, 320, 220);
    kd::unique_hmenu menu(::CreateMenu());
    ::AppendMenuA(menu.get(), MF_STRING, 1, "File");
    ASSERT_TRUE(::SetMenu(wnd, menu.get()));
    ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    Pump(80);
    RECT client{};
    ::GetClientRect(wnd, &client);
    ::MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT window{};
    ::GetWindowRect(wnd, &window);
    ASSERT_GT(client.top - window.top, 34) << "the standard frame still reserves the menu strip";
    const LPARAM onStrip = MAKELPARAM(window.left + 40, (window.top + 34 + client.top) / 2);
    EXPECT_EQ(::SendMessageA(wnd, WM_NCHITTEST, 0, onStrip), HTCAPTION);
    EXPECT_EQ(::SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(client.left + 5, client.top + 5)), HTCLIENT);
    ::SetMenu(wnd, nullptr);
}

TEST_F(SkinnedDialog, CaptionButtonsMinimizeMaximizeRestoreAndClose)
{
    constexpr int W = 420, H = 260;
    HWND wnd = Open(kAllButtons, W, H);
    ASSERT_NE(SkinOf(wnd), nullptr);
    const int maxX = W - 45, minX = W - 73, closeX = W - 17;

    ::SendMessageA(wnd, WM_NCLBUTTONDOWN, HTCAPTION, ScreenPoint(wnd, maxX, 15));
    Pump();
    EXPECT_TRUE(::IsZoomed(wnd));
    ASSERT_NE(SkinOf(wnd), nullptr);
    // The buttons follow the new size; the same button now restores.
    RECT r{};
    ::GetWindowRect(wnd, &r);
    ::SendMessageA(wnd, WM_NCLBUTTONDOWN, HTCAPTION, ScreenPoint(wnd, (r.right - r.left) - 45, 15));
    Pump();
    EXPECT_FALSE(::IsZoomed(wnd));
    ::GetWindowRect(wnd, &r);
    EXPECT_EQ(r.right - r.left, W);
    ::SendMessageA(wnd, WM_NCLBUTTONDOWN, HTCAPTION, ScreenPoint(wnd, maxX, 15));
    Pump();
    EXPECT_TRUE(::IsZoomed(wnd));
    ::ShowWindow(wnd, SW_RESTORE);
    Pump();

    ::SendMessageA(wnd, WM_NCLBUTTONDOWN, HTCAPTION, ScreenPoint(wnd, minX, 15));
    Pump();
    EXPECT_TRUE(::IsIconic(wnd));
    ::ShowWindow(wnd, SW_RESTORE);
    Pump();

    // The icon button does nothing without an icon, and a click on the
    // caption elsewhere is passed on.
    g_sysCommands.clear();
    ::SendMessageA(wnd, WM_NCLBUTTONDOWN, HTCAPTION, ScreenPoint(wnd, closeX, 15));
    EXPECT_EQ(g_sysCommands, std::vector<UINT>{SC_CLOSE});
    EXPECT_EQ(g_closes, 1);
}

TEST_F(SkinnedDialog, HoverAndPressedImagesShowOnlyWhileActive)
{
    constexpr int W = 400, H = 240;
    HWND wnd = Open(kAllButtons, W, H, "");
    auto* skin = SkinOf(wnd);
    ASSERT_NE(skin, nullptr);
    const int closeX = W - 17, y = 15;

    Activate(wnd, false);
    ::SendMessageA(wnd, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(wnd, closeX, y));
    Pump(80);
    EXPECT_EQ(skin->ButtonStateOf(CDialogSubclass::kCloseButton), CDialogSubclass::kHover);
    EXPECT_EQ(Capture::Of(wnd).At(closeX, y), PieceColour(kPieceCloseNormal)) << "inactive: normal image";

    Activate(wnd, true);
    EXPECT_TRUE(skin->Active());
    EXPECT_EQ(Capture::Of(wnd).At(closeX, y), PieceColour(kPieceCloseNormal + 1)) << "active: hover image";

    // Moving to the minimize button: close goes back to normal at once.
    ::SendMessageA(wnd, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(wnd, W - 73, y));
    Pump(80);
    Capture shot = Capture::Of(wnd);
    EXPECT_EQ(shot.At(closeX, y), PieceColour(kPieceCloseNormal));
    EXPECT_EQ(shot.At(W - 73, y), PieceColour(kPieceMinimizeNormal + 1));
    EXPECT_EQ(skin->ButtonStateOf(CDialogSubclass::kCloseButton), CDialogSubclass::kNormal);

    // Leaving for the client area does not reset the states.
    ::SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(50, 50));
    EXPECT_EQ(skin->ButtonStateOf(CDialogSubclass::kMinimizeButton), CDialogSubclass::kHover);
    ::SendMessageA(wnd, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(wnd, 200, 100));
    Pump(80);
}

TEST_F(SkinnedDialog, PressedImageAndUnknownStatesOnAWindowWeAttachOurselves)
{
    SkinSetMask(0);
    constexpr int W = 400, H = 240;
    HWND wnd = Open(kAllButtons, W, H, "");
    TestDialogSkin skin;
    ASSERT_EQ(skin.Subclass(wnd), 1);
    Activate(wnd, true);
    skin.SetButtonState(CDialogSubclass::kMaximizeButton, CDialogSubclass::kPressed);
    skin.SetButtonState(CDialogSubclass::kMinimizeButton, 15); // not a state: nothing drawn over the strip
    ::SendMessageA(wnd, WM_NCPAINT, 1, 0);
    Pump(80);
    Capture shot = Capture::Of(wnd);
    EXPECT_EQ(shot.At(W - 45, 15), PieceColour(kPieceMaximizeNormal + 2));
    EXPECT_EQ(shot.At(W - 73, 15), PieceColour(kPieceMinimizeNormal));
    Activate(wnd, false);
    EXPECT_EQ(Capture::Of(wnd).At(W - 45, 15), PieceColour(kPieceMaximizeNormal));
    EXPECT_EQ(skin.Unsubclass(), 1);
}

TEST_F(SkinnedDialog, CaptionTextAndIconPositions)
{
    SkinSetMask(0);
    constexpr int W = 400, H = 200;
    const RECT textBand{20, 5, 200, 24};

    // Without an icon the text starts at x 27.
    HWND plain = Open(kAllButtons, W, H, "MMMM", 40, 40);
    TestDialogSkin a;
    ASSERT_EQ(a.Subclass(plain), 1);
    Activate(plain, true);
    int left = -1;
    EXPECT_GT(Capture::Of(plain).Count(textBand, CDialogSubclass::kCaptionActive, &left), 10);
    EXPECT_GE(left, 27);
    EXPECT_LE(left, 31);
    Activate(plain, false);
    EXPECT_EQ(Capture::Of(plain).Count(textBand, CDialogSubclass::kCaptionActive), 0);
    EXPECT_GT(Capture::Of(plain).Count(textBand, CDialogSubclass::kCaptionInactive, &left), 10);
    EXPECT_GE(left, 27);
    EXPECT_EQ(a.Unsubclass(), 1);

    // With a small icon at attach: icon at x 25, text from x 43.
    HWND withIcon = Open(kAllButtons, W, H, "MMMM", 40, 300);
    const COLORREF iconColour = RGB(12, 220, 34);
    kd::unique_hbitmap colour;
    kd::unique_hbitmap mask;
    {
        kd::unique_window_dc screen(nullptr);
        colour.reset(::CreateCompatibleBitmap(screen.get(), 16, 16));
        kd::unique_hdc mem(::CreateCompatibleDC(screen.get()));
        kd::select_scope sel(mem.get(), colour.get());
        RECT all{0, 0, 16, 16};
        kd::unique_hbrush brush(::CreateSolidBrush(iconColour));
        ::FillRect(mem.get(), &all, brush.get());
        std::vector<unsigned char> zeros(16 * 2, 0);
        mask.reset(::CreateBitmap(16, 16, 1, 1, zeros.data()));
    }
    ICONINFO info{TRUE, 0, 0, mask.get(), colour.get()};
    kd::unique_hicon icon(::CreateIconIndirect(&info));
    ASSERT_TRUE(icon);
    ::SendMessageA(withIcon, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.get()));
    TestDialogSkin b;
    ASSERT_EQ(b.Subclass(withIcon), 1);
    ASSERT_TRUE(b.HasIcon());
    Activate(withIcon, true);
    Capture shot = Capture::Of(withIcon);
    EXPECT_EQ(shot.Count(RECT{0, 0, 60, 34}, iconColour, &left), 16 * 16);
    EXPECT_EQ(left, 25);
    EXPECT_EQ(shot.At(25, 5), iconColour);
    EXPECT_EQ(shot.At(40, 20), iconColour);
    EXPECT_GT(shot.Count(textBand, CDialogSubclass::kCaptionActive, &left), 10);
    EXPECT_GE(left, 43);
    EXPECT_LE(left, 47);
    EXPECT_EQ(b.Unsubclass(), 1);
    ::SendMessageA(withIcon, WM_SETICON, ICON_SMALL, 0);
}

TEST_F(SkinnedDialog, SetWindowTextFailsButChangesTheDrawnCaption)
{
    constexpr int W = 400, H = 200;
    HWND wnd = Open(kAllButtons, W, H, "I");
    auto* skin = SkinOf(wnd);
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(skin->Caption(), "I");
    Activate(wnd, true);
    const RECT band{20, 5, 300, 24};
    const int before = Capture::Of(wnd).Count(band, CDialogSubclass::kCaptionActive);

    EXPECT_FALSE(::SetWindowTextA(wnd, "MMMMMMMM"));
    Pump(80);
    EXPECT_EQ(kdtest::WindowText(wnd), "I") << "the window's own text stays";
    EXPECT_EQ(skin->Caption(), "MMMMMMMM");
    EXPECT_GT(Capture::Of(wnd).Count(band, CDialogSubclass::kCaptionActive), before + 20);
}

TEST_F(SkinnedDialog, BlackFramePixelsBecomeHolesThatFollowAResize)
{
    Artwork art;
    // Rounded top-left corner, a black row across the left border, a black
    // column in the bottom middle; black in the client does not count.
    const SkinGeometry g = SkinGeometry::Standard();
    const RECT& cap = g[kPieceCaptionLeft];
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3 - y; ++x) art.Set(cap.left + x, cap.top + y, RGB(0, 0, 0));
    const RECT& left = g[kPieceLeftBorder];
    for (int x = left.left; x < left.right; ++x) art.Set(x, left.top + 20, RGB(0, 0, 0));
    const RECT& bottom = g[kPieceBottomMiddle];
    for (int y = bottom.top; y < bottom.bottom; ++y) art.Set(bottom.left + 13, y, RGB(0, 0, 0));
    LoadArtwork(art);

    for (int h : {200, 377}) {
        HWND wnd = Open(kAllButtons, 360, h, "");
        kd::unique_hrgn rgn(::CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(::GetWindowRgn(wnd, rgn.get()), ERROR);
        EXPECT_FALSE(::PtInRegion(rgn.get(), 0, 0));
        EXPECT_FALSE(::PtInRegion(rgn.get(), 1, 1));
        EXPECT_TRUE(::PtInRegion(rgn.get(), 3, 3));
        EXPECT_TRUE(::PtInRegion(rgn.get(), 200, h / 2)) << "client area";
        // The black border row lands where the stretch puts it.
        int holeRows = 0;
        for (int y = 34; y < h - 9; ++y)
            if (!::PtInRegion(rgn.get(), 7, y)) ++holeRows;
        const int expected = (h - 43 + 40) / 41; // one source row of 41, stretched
        EXPECT_GE(holeRows, 1);
        EXPECT_LE(std::abs(holeRows - expected), 1);
        // On screen the hole shows what lies behind, not the border.
        Capture shot = Capture::Of(wnd);
        EXPECT_NE(shot.At(0, 0), PieceColour(kPieceCaptionLeft));
        EXPECT_EQ(shot.At(3, 3), PieceColour(kPieceCaptionLeft));
        ::DestroyWindow(wnd);
    }
}

TEST_F(SkinnedDialog, FastRegionEqualsThePerPixelOneForSeveralSizesAndArtworks)
{
    SkinSetMask(0);
    std::vector<Artwork> arts(3);
    // 1: scattered black pixels in every frame piece; 2: a whole piece black.
    unsigned seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    const SkinGeometry g = SkinGeometry::Standard();
    for (std::size_t p : {0, 1, 2, 3, 4, 5, 6, 7, 8})
        for (int i = 0; i < 60; ++i)
            arts[1].Set(g[p].left + static_cast<int>(next() % static_cast<unsigned>(g.Width(p))),
                        g[p].top + static_cast<int>(next() % static_cast<unsigned>(g.Height(p))), RGB(0, 0, 0));
    arts[2].Fill(g[kPieceCaptionMiddle], RGB(0, 0, 0));
    arts[2].Fill(g[kPieceRightBorder], RGB(0, 0, 0));

    for (const Artwork& art : arts) {
        LoadArtwork(art);
        for (auto [w, h] : {std::pair{300, 200}, std::pair{271, 43}, std::pair{517, 389}, std::pair{160, 120}}) {
            HWND wnd = Open(kAllButtons, w, h, "Abc", 40, 40, false);
            TestDialogSkin skin;
            ASSERT_EQ(skin.Subclass(wnd), 1);
            kd::unique_hrgn fast(skin.RegionFast());
            kd::unique_hrgn slow(skin.RegionPerPixel());
            EXPECT_TRUE(::EqualRgn(fast.get(), slow.get())) << w << " x " << h;
            EXPECT_EQ(skin.Unsubclass(), 1);
            ::DestroyWindow(wnd);
        }
    }
}

TEST_F(SkinnedDialog, OpeningAndClosingLeaksNoGdiObjects)
{
    auto cycle = [&] {
        HWND wnd = Open(kAllButtons, 330, 210, "Leak check", 40, 40);
        Activate(wnd, true);
        ::SendMessageA(wnd, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(wnd, 313, 15));
        ::SetWindowTextA(wnd, "Other");
        ::SetWindowPos(wnd, nullptr, 0, 0, 400, 260, SWP_NOMOVE | SWP_NOZORDER);
        Pump(20);
        ::DestroyWindow(wnd);
        Pump(20);
    };
    for (int i = 0; i < 3; ++i) cycle(); // warm the system's own caches
    const int before = GdiObjectCount();
    ASSERT_GT(before, 0);
    const int cycles = kdtest::SoakCount(15);
    for (int i = 0; i < cycles; ++i) cycle();
    const int after = GdiObjectCount();
    EXPECT_LE(after - before, 2) << "GDI objects before " << before << ", after " << after;
}

} // namespace
