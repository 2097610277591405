// The skinned dialog frame on screen: pieces, holes, caption, buttons,
// client area, region, and GDI hygiene. Runs the library statically linked
// so the tests can reach the skin objects behind the windows.
#include "CDialogSubclass.h"
#include "CSkinManager.h"
#include "SubclassMap.h"
#include "TestArtwork.h"
#include "TestWindows.h"
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
        SkinSetMask(0x03);
    }
    void TearDown() override
    {
        for (HWND w : m_windows)
            if (::IsWindow(w)) ::DestroyWindow(w);
        Pump(50);
        SkinUnload();
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
    EXPECT_EQ(shot.At(W / 2, H / 2), CDialogSubclass::kBackground);
}

} // namespace
