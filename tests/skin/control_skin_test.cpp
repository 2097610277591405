// The control skins and the skinned menu bar, driven through the DLL's entry
// points as a host drives them, on a dialog with every control kind and a
// menu. Pixels are read back from the windows; input goes through the
// system queue.
#include "ControlSkinHarness.h"

#include <gtest/gtest.h>

#include <memory>

using namespace skintest;

namespace {

class ControlSkins : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dlg = std::make_unique<SkinnedDialog>(kMaskAllControls);
        ASSERT_TRUE(m_dlg->Loaded());
        ASSERT_NE(m_dlg->Wnd(), nullptr);
    }
    void TearDown() override
    {
        MouseTo(POINT{5, 1000}); // out of every window
        m_dlg.reset();
    }
    HWND Item(int id) const { return m_dlg->Item(id); }

    std::unique_ptr<SkinnedDialog> m_dlg;
};

// Pixels of a push button's focus rectangle (R shrunk by 4) on its left edge.
int FocusRectPixels(const Capture& c)
{
    int n = 0;
    for (int y = 5; y < c.Height() - 5; ++y) n += c.At(4, y) != kFace;
    return n;
}

TEST_F(ControlSkins, PushButtonBorderFollowsItsVisualState)
{
    HWND push = Item(IDC_PUSH);
    ::SetFocus(Item(IDC_SPARE_FOCUS)); // the dialog gives its first control the focus
    Pump();
    {
        SCOPED_TRACE("normal");
        Capture c(push);
        const int mid = c.Height() / 2;
        EXPECT_EQ(c.At(0, 0), kBlack);
        EXPECT_EQ(c.At(c.Width() - 1, mid), kBlack);
        EXPECT_EQ(c.At(1, 1), kWhite);
        EXPECT_EQ(c.At(1, mid), kWhite);
        EXPECT_EQ(c.At(c.Width() - 2, mid), kDarkShadow);
        EXPECT_EQ(c.At(c.Width() - 3, mid), kShadow);
        EXPECT_EQ(c.At(c.Width() / 2, c.Height() - 2), kDarkShadow);
        EXPECT_EQ(c.At(c.Width() / 2, c.Height() - 3), kShadow);
        EXPECT_EQ(c.At(3, 3), kFace);
        EXPECT_EQ(FocusRectPixels(c), 0);
        // The caption is drawn on the face.
        EXPECT_GT(c.Bounds(kFace).right, 0);
    }
    {
        SCOPED_TRACE("focused");
        ::SetFocus(push);
        Pump();
        Capture c(push);
        const int mid = c.Height() / 2;
        EXPECT_EQ(c.At(0, 0), kBlack);
        EXPECT_EQ(c.At(c.Width() - 2, mid), kDarkShadow);
        EXPECT_GT(FocusRectPixels(c), 0);
    }
    {
        SCOPED_TRACE("pressed");
        MouseTo(CentreOf(push));
        MouseButton(true);
        Pump();
        Capture c(push);
        const int mid = c.Height() / 2;
        EXPECT_EQ(c.At(0, 0), kBlack);
        EXPECT_EQ(c.At(1, 1), kShadow);
        EXPECT_EQ(c.At(c.Width() - 2, mid), kShadow);
        EXPECT_EQ(c.At(mid, c.Height() - 2), kShadow);
        EXPECT_GT(FocusRectPixels(c), 0);
        MouseButton(false);
        Pump();
    }
    {
        SCOPED_TRACE("released, still focused");
        Capture c(push);
        EXPECT_EQ(c.At(c.Width() - 2, c.Height() / 2), kDarkShadow);
        EXPECT_GT(FocusRectPixels(c), 0);
    }
    {
        SCOPED_TRACE("focus moved away");
        ::SetFocus(Item(IDC_SPARE_FOCUS));
        Pump();
        Capture c(push);
        EXPECT_EQ(c.At(1, 1), kWhite);
        EXPECT_EQ(FocusRectPixels(c), 0);
    }
    {
        SCOPED_TRACE("disabled, drawn like normal");
        ::EnableWindow(push, FALSE);
        ::InvalidateRect(push, nullptr, TRUE);
        Pump();
        Capture c(push);
        EXPECT_EQ(c.At(0, 0), kBlack);
        EXPECT_EQ(c.At(1, 1), kWhite);
        EXPECT_EQ(c.At(c.Width() - 2, c.Height() / 2), kDarkShadow);
        EXPECT_EQ(FocusRectPixels(c), 0);
    }
}

TEST_F(ControlSkins, PressDraggedOffAndReleasedStillClicks)
{
    HWND push = Item(IDC_PUSH);
    MouseTo(CentreOf(push));
    MouseButton(true);
    Pump();
    EXPECT_EQ(::GetCapture(), push);
    EXPECT_EQ(::GetFocus(), push);
    // Off the button, onto the dialog's client area, and released there.
    MouseTo(m_dlg->ToScreen(POINT{200, 300}));
    Pump();
    Capture pressed(push);
    EXPECT_EQ(pressed.At(1, 1), kShadow) << "still pressed while the pointer is off the button";
    MouseButton(false);
    Pump();
    EXPECT_EQ(::GetCapture(), nullptr);
    ASSERT_EQ(m_dlg->Log().clicks(IDC_PUSH), 1);
    for (const auto& c : m_dlg->Log().commands) {
        if (c.id == IDC_PUSH) {
            EXPECT_EQ(c.control, push);
        }
    }
}

TEST_F(ControlSkins, ButtonsWithFurtherStyleBitsKeepTheirOwnLook)
{
    // BS_CENTER gives a style type other than a plain push button's.
    Capture plain(Item(IDC_PUSH));
    Capture centred(Item(IDC_CENTERED));
    EXPECT_EQ(plain.At(0, 0), kBlack);
    EXPECT_FALSE(centred.At(1, 1) == kWhite && centred.At(0, 0) == kBlack &&
                 centred.At(centred.Width() - 2, centred.Height() / 2) == kDarkShadow &&
                 centred.At(centred.Width() - 3, centred.Height() / 2) == kShadow)
        << "drawn with the skin's push-button border";
}

TEST_F(ControlSkins, GroupBoxCaptionSitsOnTheSkinBackground)
{
    HWND group = Item(IDC_GROUP);
    ::InvalidateRect(group, nullptr, TRUE);
    Pump();
    Capture c(group);
    EXPECT_EQ(c.At(7, 0), kBackground);
    EXPECT_EQ(c.At(8, 0), kBackground);
    // The caption text is drawn inside the filled strip.
    int ink = 0;
    for (int y = 1; y < 14; ++y)
        for (int x = 9; x < 40; ++x) ink += c.At(x, y) != kBackground;
    EXPECT_GT(ink, 5);
}

TEST_F(ControlSkins, RadioGlyphShowsOnlyWhatSetCheckSaid)
{
    HWND one = Item(IDC_RADIO1);
    HWND two = Item(IDC_RADIO2);
    auto dot = [](const Capture& c) { return c.At(6, 6); };
    {
        SCOPED_TRACE("unchecked");
        Capture c(one);
        EXPECT_EQ(c.At(0, 0), kBackground) << "corner outside the round glyph";
        EXPECT_EQ(c.At(c.Width() - 1, c.Height() - 1), kBackground);
        EXPECT_EQ(dot(c), kWhite);
    }
    {
        SCOPED_TRACE("BM_SETCHECK 1");
        ::SendMessageA(one, BM_SETCHECK, BST_CHECKED, 0);
        Pump();
        Capture c(one);
        EXPECT_NE(dot(c), kWhite);
        EXPECT_EQ(c.At(0, 0), kBackground);
        // The control itself answers what the skin shows.
        EXPECT_EQ(::SendMessageA(one, BM_GETCHECK, 0, 0), BST_CHECKED);
        // The glyph survives a full repaint.
        ::InvalidateRect(one, nullptr, TRUE);
        Pump();
        EXPECT_NE(dot(Capture(one)), kWhite);
    }
    {
        SCOPED_TRACE("click on the other radio button");
        MouseTo(CentreOf(two));
        MouseButton(true);
        MouseButton(false);
        Pump();
        EXPECT_EQ(m_dlg->Log().clicks(IDC_RADIO2), 1);
        EXPECT_EQ(dot(Capture(two)), kWhite) << "a click alone does not check";
        EXPECT_NE(dot(Capture(one)), kWhite) << "nor uncheck the group's other button";
        EXPECT_EQ(::SendMessageA(two, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    }
    {
        SCOPED_TRACE("BM_SETCHECK 0");
        ::SendMessageA(one, BM_SETCHECK, BST_UNCHECKED, 0);
        Pump();
        EXPECT_EQ(dot(Capture(one)), kWhite);
    }
}

TEST_F(ControlSkins, CheckBoxLosesItsOwnMouseAndFocusHandling)
{
    HWND check = Item(IDC_CHECK);
    ::SetFocus(check);
    Pump();
    EXPECT_EQ(::GetFocus(), check);
    EXPECT_EQ(::SendMessageA(check, BM_GETSTATE, 0, 0) & BST_FOCUS, 0);

    MouseTo(CentreOf(check));
    MouseButton(true);
    Pump();
    EXPECT_EQ(::SendMessageA(check, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    EXPECT_EQ(::GetCapture(), check);
    MouseButton(false);
    Pump();
    EXPECT_EQ(m_dlg->Log().clicks(IDC_CHECK), 1);
    EXPECT_EQ(::SendMessageA(check, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "the click does not toggle it";

    HDC dc = ::GetDC(check);
    EXPECT_EQ(::SendMessageA(check, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0);
    ::ReleaseDC(check, dc);

    // BM_SETCHECK of a check box still reaches the control.
    ::SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(::SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(ControlSkins, EditBorderAndBackground)
{
    auto expectBorder = [](const Capture& c) {
        const int w = c.Width(), h = c.Height(), mx = w / 2, my = h / 2;
        EXPECT_EQ(c.At(0, my), kShadow);
        EXPECT_EQ(c.At(mx, 0), kShadow);
        EXPECT_EQ(c.At(w - 1, my), kWhite);
        EXPECT_EQ(c.At(mx, h - 1), kWhite);
        EXPECT_EQ(c.At(1, my), kDarkShadow);
        EXPECT_EQ(c.At(mx, 1), kDarkShadow);
        EXPECT_EQ(c.At(w - 2, my), kAccent);
        EXPECT_EQ(c.At(mx, h - 2), kAccent);
    };
    {
        SCOPED_TRACE("plain");
        Capture c(Item(IDC_EDIT));
        expectBorder(c);
        EXPECT_EQ(c.At(2, 2), kWhite);
        EXPECT_EQ(c.At(c.Width() - 4, c.Height() / 2), kWhite);
    }
    {
        SCOPED_TRACE("read-only");
        Capture c(Item(IDC_READONLY));
        expectBorder(c);
        EXPECT_EQ(c.At(2, 2), kAccent);
        EXPECT_EQ(c.At(c.Width() - 4, c.Height() / 2), kAccent);
        // The text is drawn over the accent.
        const RECT inside{2, 2, c.Width() - 2, c.Height() - 2};
        EXPECT_GT((inside.right - inside.left) * (inside.bottom - inside.top) - c.Count(inside, kAccent), 10);
    }
    {
        SCOPED_TRACE("disabled keeps its own inside");
        Capture c(Item(IDC_DISABLED_EDIT));
        expectBorder(c);
        EXPECT_NE(c.At(2, 2), kWhite);
        EXPECT_NE(c.At(2, 2), kAccent);
    }
}

TEST_F(ControlSkins, PasswordEditIsNeverDrawnInClear)
{
    HWND first = Item(IDC_PASSWORD1);    // "secret"
    HWND second = Item(IDC_PASSWORD2);   // "abcdef"
    HWND plain = Item(IDC_PLAIN_SECRET); // "secret", not a password edit
    auto redraw = [](HWND wnd) {
        ::InvalidateRect(wnd, nullptr, TRUE);
        ::SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    };
    redraw(first);
    redraw(second);
    redraw(plain);
    Pump();
    const Capture a(first), b(second), clear(plain);
    EXPECT_TRUE(a.SameAs(b)) << "two passwords of the same length look the same";
    EXPECT_FALSE(a.SameAs(clear)) << "the password is not shown as its text";
    const RECT inside{2, 2, a.Width() - 2, a.Height() - 2};
    EXPECT_GT((inside.right - inside.left) * (inside.bottom - inside.top) - a.Count(inside, kWhite), 10)
        << "something is drawn for the characters";

    // The control's own password character is what the skin draws.
    ::SendMessageA(first, EM_SETPASSWORDCHAR, '#', 0);
    ::SendMessageA(second, EM_SETPASSWORDCHAR, '#', 0);
    redraw(first);
    redraw(second);
    Pump();
    const Capture hashA(first), hashB(second);
    EXPECT_TRUE(hashA.SameAs(hashB));
    EXPECT_FALSE(hashA.SameAs(a));
}

TEST_F(ControlSkins, StaticTextIsAlignedByStyle)
{
    struct Case {
        int id;
        const char* name;
    };
    for (const Case& k : {Case{IDC_LEFT, "left"}, Case{IDC_CENTER, "centre"}, Case{IDC_RIGHT, "right"}}) {
        SCOPED_TRACE(k.name);
        HWND wnd = Item(k.id);
        ::InvalidateRect(wnd, nullptr, TRUE);
        Pump();
        Capture c(wnd);
        const RECT ink = c.Bounds(kBackground);
        ASSERT_GE(ink.right, ink.left) << "text drawn on the skin background";
        const int leftGap = ink.left;
        const int rightGap = c.Width() - 1 - ink.right;
        if (k.id == IDC_LEFT) {
            EXPECT_LE(leftGap, 2);
        } else if (k.id == IDC_RIGHT) {
            EXPECT_LE(rightGap, 2);
        } else {
            EXPECT_LE(std::abs(leftGap - rightGap), 2);
        }
        EXPECT_LE(std::abs(static_cast<int>(ink.top) - (c.Height() - 1 - static_cast<int>(ink.bottom))), 4)
            << "one line, vertically centred";
    }
}

TEST_F(ControlSkins, BitmapStaticGetsASunkenFrame)
{
    HWND wnd = Item(IDC_BITMAP);
    ::InvalidateRect(wnd, nullptr, TRUE);
    Pump();
    Capture c(wnd);
    const int w = c.Width(), h = c.Height(), mx = w / 2, my = h / 2;
    EXPECT_EQ(c.At(0, my), kShadow);
    EXPECT_EQ(c.At(1, my), kDarkShadow);
    EXPECT_EQ(c.At(mx, 0), kShadow);
    EXPECT_EQ(c.At(mx, 1), kDarkShadow);
    EXPECT_EQ(c.At(w - 1, my), kWhite);
    EXPECT_EQ(c.At(w - 2, my), kFace);
    EXPECT_EQ(c.At(mx, h - 1), kWhite);
    EXPECT_EQ(c.At(mx, h - 2), kFace);
    EXPECT_EQ(c.At(mx, my), kBitmapFill);
    EXPECT_EQ(c.At(2, 2), kBitmapFill);
}

TEST(HostMask, Mask66SkinsStaticsButNotButtonsOrEdits)
{
    SkinnedDialog dlg(kMaskHost);
    ASSERT_TRUE(dlg.Loaded());
    HWND push = dlg.Item(IDC_PUSH);
    HWND check = dlg.Item(IDC_CHECK);

    Capture edit(dlg.Item(IDC_EDIT));
    EXPECT_NE(edit.At(edit.Width() - 2, edit.Height() / 2), kAccent);
    Capture readOnly(dlg.Item(IDC_READONLY));
    EXPECT_NE(readOnly.At(2, 2), kAccent);
    Capture bitmap(dlg.Item(IDC_BITMAP));
    EXPECT_EQ(bitmap.At(0, bitmap.Height() / 2), kShadow) << "static controls are skinned";

    // The buttons keep their own mouse and focus handling.
    MouseTo(CentreOf(check));
    MouseButton(true);
    MouseButton(false);
    Pump();
    EXPECT_EQ(::SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    ::SetFocus(push);
    Pump();
    EXPECT_NE(::SendMessageA(push, BM_GETSTATE, 0, 0) & BST_FOCUS, 0);
    MouseTo(CentreOf(push));
    MouseButton(true);
    Pump();
    EXPECT_NE(::SendMessageA(push, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    MouseButton(false);
    Pump();
    EXPECT_EQ(dlg.Log().clicks(IDC_PUSH), 1);
    MouseTo(POINT{5, 1000});
}

} // namespace
