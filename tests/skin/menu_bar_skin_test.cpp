// The skinned menu bar: gradient, hot and open colours, owner-drawn
// drop-downs and their restoration, and the drop-down loop driven with real
// input from a second thread while TrackPopupMenu holds the first.
#include "ControlSkinHarness.h"
#include "UiDriver.h"

#include <gtest/gtest.h>

#include <memory>

using namespace skintest;

namespace {

// Popup menu windows on screen.
std::vector<HWND> VisiblePopups()
{
    return kdtest::FindWindows(kdtest::WindowQuery().OfClass("#32768"));
}

bool WaitFor(const std::function<bool()>& condition, DWORD ms = 3000)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    while (!condition()) {
        if (::GetTickCount64() >= end) return false;
        ::Sleep(20);
    }
    return true;
}

// Closes whatever menu is still open; the driver's way out on a timeout.
void CloseMenus(HWND dialog)
{
    for (int i = 0; i < 20 && !VisiblePopups().empty(); ++i) {
        ::PostMessageA(dialog, WM_CANCELMODE, 0, 0);
        for (HWND popup : VisiblePopups()) ::PostMessageA(popup, WM_CANCELMODE, 0, 0);
        ::Sleep(50);
    }
}

// Mouse messages of the drop-down's modal loop, posted the way the loop reads
// them (screen coordinates in lParam). Under Xvfb, input sent through the
// system lags behind pointer crossings that Wine reports at the X pointer's
// position; posting keeps the sequence exact while the real pointer waits
// away from the bar.
void PostMouse(UINT message, POINT screen)
{
    auto popups = VisiblePopups();
    HWND target = popups.empty() ? nullptr : popups.back();
    ::PostMessageA(target, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(screen.x, screen.y));
}

// A non-client click on the bar, as the dialog receives one.
void PostBarClick(HWND dialog, POINT screen)
{
    ::PostMessageA(dialog, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
}

constexpr POINT kPointerAway{5, 1000};

// Runs a driver on a second thread while this thread pumps (and sits in the
// drop-down's modal loop); the driver must end within its own bounded waits.
class Driver {
public:
    explicit Driver(std::function<void()> script)
        : m_thread([this, script = std::move(script)] {
              script();
              m_done = true;
          })
    {
    }
    ~Driver()
    {
        if (m_thread.joinable()) m_thread.join();
    }
    // Pumps until the driver ends (bounded); answers whether it did.
    bool Finish(DWORD ms = 20000)
    {
        const bool ended = PumpUntil([this] { return m_done.load(); }, ms);
        if (ended) m_thread.join();
        return ended;
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

class MenuBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dlg = std::make_unique<SkinnedDialog>(kMaskAllControls);
        ASSERT_TRUE(m_dlg->Loaded());
        ASSERT_NE(m_dlg->Wnd(), nullptr);
        m_strip = m_dlg->MenuStrip();
        ASSERT_GT(m_strip.bottom - m_strip.top, 4) << "the dialog has a menu strip below the caption";
    }
    void TearDown() override
    {
        CloseMenus(m_dlg->Wnd());
        MouseTo(POINT{5, 1000});
        m_dlg.reset();
    }
    // A window-relative point inside button i, clear of its text.
    POINT ButtonCorner(int i) const { return POINT{m_strip.left + 50 * i + 3, m_strip.top + 1}; }
    POINT ButtonCentreOnScreen(int i) const
    {
        return m_dlg->ToScreen(POINT{m_strip.left + 50 * i + 25, (m_strip.top + m_strip.bottom) / 2});
    }
    COLORREF BarPixel(POINT p) const { return Capture(m_dlg->Wnd()).At(p.x, p.y); }
    COLORREF GradientAt(int row) const { return GradientColour((63 * row) / (m_strip.bottom - m_strip.top)); }

    std::unique_ptr<SkinnedDialog> m_dlg;
    RECT m_strip{};
};

TEST_F(MenuBar, BarShowsTheGradientAndTheHotButton)
{
    const int height = m_strip.bottom - m_strip.top;
    const int x = m_strip.right - 4; // past the three buttons
    {
        Capture c(m_dlg->Wnd());
        for (int row : {0, height / 2, height - 1}) {
            SCOPED_TRACE(row);
            EXPECT_EQ(c.At(x, m_strip.top + row), GradientAt(row));
        }
        EXPECT_EQ(c.At(ButtonCorner(1).x, ButtonCorner(1).y), GradientAt(1));
    }
    MouseTo(ButtonCentreOnScreen(1));
    Pump();
    EXPECT_EQ(BarPixel(ButtonCorner(1)), kMenuHot);
    EXPECT_EQ(BarPixel(ButtonCorner(0)), GradientAt(1));

    MouseTo(ButtonCentreOnScreen(0));
    Pump();
    EXPECT_EQ(BarPixel(ButtonCorner(0)), kMenuHot);
    EXPECT_EQ(BarPixel(ButtonCorner(1)), GradientAt(1));

    // Onto the bar where no button is: nothing stays hot.
    MouseTo(m_dlg->ToScreen(POINT{x, m_strip.top + height / 2}));
    Pump();
    EXPECT_EQ(BarPixel(ButtonCorner(0)), GradientAt(1));
}

TEST_F(MenuBar, DropDownItemsAreOwnerDrawnAndGivenBackAtUnload)
{
    HMENU menu = ::GetMenu(m_dlg->Wnd());
    ASSERT_NE(menu, nullptr);
    HMENU file = ::GetSubMenu(menu, 0);
    HMENU edit = ::GetSubMenu(menu, 1);
    HMENU recent = ::GetSubMenu(file, 1);
    ASSERT_NE(recent, nullptr) << "the nested submenu stays attached";

    auto info = [](HMENU m, int pos) {
        MENUITEMINFOA i{};
        i.cbSize = sizeof(i);
        i.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
        EXPECT_TRUE(::GetMenuItemInfoA(m, static_cast<UINT>(pos), TRUE, &i));
        return i;
    };
    for (HMENU m : {file, recent, edit}) {
        for (int pos = 0; pos < ::GetMenuItemCount(m); ++pos) {
            SCOPED_TRACE(pos);
            const MENUITEMINFOA i = info(m, pos);
            EXPECT_NE(i.fType & MFT_OWNERDRAW, 0u);
            EXPECT_NE(i.dwItemData, 0u);
        }
    }
    EXPECT_EQ(info(file, 1).hSubMenu, recent);
    EXPECT_EQ(info(edit, 1).wID, static_cast<UINT>(ID_EDIT_PASTE));
    EXPECT_NE(info(edit, 1).fState & MFS_GRAYED, 0u) << "item state survives the conversion";
    EXPECT_EQ(info(menu, 0).fType & MFT_OWNERDRAW, 0u) << "the top-level items stay as they are";

    ASSERT_TRUE(SkinUnload()); // detaches from the live dialog
    auto text = [](HMENU m, int pos) {
        char buffer[64] = {};
        ::GetMenuStringA(m, static_cast<UINT>(pos), buffer, sizeof(buffer), MF_BYPOSITION);
        return std::string(buffer);
    };
    EXPECT_EQ(text(file, 0), "Open");
    EXPECT_EQ(text(file, 1), "Recent");
    EXPECT_EQ(text(file, 3), "Exit");
    EXPECT_EQ(text(recent, 0), "One");
    EXPECT_EQ(text(recent, 1), "Two");
    EXPECT_EQ(text(edit, 1), "Paste");
    EXPECT_NE(info(file, 2).fType & MFT_SEPARATOR, 0u);
    for (HMENU m : {file, recent, edit}) {
        for (int pos = 0; pos < ::GetMenuItemCount(m); ++pos) {
            const MENUITEMINFOA i = info(m, pos);
            EXPECT_EQ(i.fType & MFT_OWNERDRAW, 0u);
            EXPECT_EQ(i.dwItemData, 0u);
        }
    }
    EXPECT_EQ(info(file, 1).hSubMenu, recent);
    EXPECT_EQ(info(file, 0).wID, static_cast<UINT>(ID_FILE_OPEN));
    EXPECT_NE(info(edit, 1).fState & MFS_GRAYED, 0u);
}

TEST_F(MenuBar, DestroyingTheDialogGivesTheItemsBackFirst)
{
    m_dlg->Destroy();
    const std::vector<std::string> expected{"Open", "Recent", "", "Exit"};
    EXPECT_EQ(m_dlg->Log().fileTextsAtDestroy, expected);
    for (UINT type : m_dlg->Log().fileTypesAtDestroy) EXPECT_EQ(type & MFT_OWNERDRAW, 0u);
}

TEST_F(MenuBar, PointerSlidesBetweenOpenDropDownsAndAClickOnTheOpenOneClosesIt)
{
    struct Seen {
        bool firstOpened = false;
        RECT firstPopup{};
        COLORREF firstButton = CLR_INVALID;
        int itemPixels = 0;
        int popupPixels = 0;
        bool secondOpened = false;
        RECT secondPopup{};
        COLORREF secondButton = CLR_INVALID;
        COLORREF firstButtonAfterSlide = CLR_INVALID;
        bool closed = false;
        COLORREF secondButtonAfterClose = CLR_INVALID;
    } seen;
    HWND dialog = m_dlg->Wnd();
    const POINT corner0 = ButtonCorner(0), corner1 = ButtonCorner(1);
    const POINT centre1 = ButtonCentreOnScreen(1);

    MouseTo(ButtonCentreOnScreen(0));
    Pump();
    ASSERT_EQ(BarPixel(corner0), kMenuHot);
    MouseTo(kPointerAway); // no mouse move over the bar: button 0 stays hot
    Pump();

    Driver driver([&] {
        if (!WaitFor([] { return !VisiblePopups().empty(); })) return CloseMenus(dialog);
        ::Sleep(150);
        HWND popup = VisiblePopups().front();
        seen.firstOpened = true;
        ::GetWindowRect(popup, &seen.firstPopup);
        seen.firstButton = Capture(dialog).At(corner0.x, corner0.y);
        const Capture items(popup, false);
        seen.popupPixels = items.Width() * items.Height();
        seen.itemPixels = items.Count(RECT{0, 0, items.Width(), items.Height()}, kMenuItem);

        PostMouse(WM_MOUSEMOVE, centre1);
        const LONG firstLeft = seen.firstPopup.left;
        if (!WaitFor([firstLeft] {
                auto popups = VisiblePopups();
                RECT r{};
                return popups.size() == 1 && ::GetWindowRect(popups.front(), &r) && r.left != firstLeft;
            }))
            return CloseMenus(dialog);
        ::Sleep(150);
        seen.secondOpened = true;
        ::GetWindowRect(VisiblePopups().front(), &seen.secondPopup);
        const Capture bar(dialog);
        seen.secondButton = bar.At(corner1.x, corner1.y);
        seen.firstButtonAfterSlide = bar.At(corner0.x, corner0.y);

        PostMouse(WM_LBUTTONDOWN, centre1);
        if (!WaitFor([] { return VisiblePopups().empty(); })) return CloseMenus(dialog);
        ::Sleep(150);
        seen.closed = true;
        seen.secondButtonAfterClose = Capture(dialog).At(corner1.x, corner1.y);
    });
    PostBarClick(dialog, ButtonCentreOnScreen(0));
    ASSERT_TRUE(driver.Finish());
    Pump();

    ASSERT_TRUE(seen.firstOpened) << "a click on a bar button opens its drop-down";
    EXPECT_EQ(seen.firstButton, kMenuOpen);
    const POINT firstAt = m_dlg->ToScreen(POINT{m_strip.left, m_strip.bottom});
    EXPECT_EQ(seen.firstPopup.left, firstAt.x);
    EXPECT_EQ(seen.firstPopup.top, firstAt.y);
    EXPECT_GT(seen.itemPixels * 2, seen.popupPixels) << "owner-drawn items fill the drop-down";

    ASSERT_TRUE(seen.secondOpened) << "sliding onto the next button opens its drop-down without a click";
    EXPECT_EQ(seen.secondPopup.left, firstAt.x + 50);
    EXPECT_EQ(seen.secondButton, kMenuOpen);
    EXPECT_EQ(seen.firstButtonAfterSlide, GradientAt(1));

    ASSERT_TRUE(seen.closed) << "a click on the open button closes its drop-down";
    EXPECT_EQ(seen.secondButtonAfterClose, GradientAt(1)) << "closed, shown as normal";
    EXPECT_TRUE(m_dlg->Log().menuCommands().empty()) << "no command was chosen";
}

TEST_F(MenuBar, NestedSubmenuStillOpensAndSendsItsCommand)
{
    HWND dialog = m_dlg->Wnd();
    HMENU file = ::GetSubMenu(::GetMenu(dialog), 0);
    HMENU recent = ::GetSubMenu(file, 1);
    bool submenuOpened = false;
    MouseTo(kPointerAway);
    Pump();
    Driver driver([&] {
        if (!WaitFor([] { return !VisiblePopups().empty(); })) return CloseMenus(dialog);
        ::Sleep(150);
        RECT item{};
        if (!::GetMenuItemRect(nullptr, file, 1, &item)) return CloseMenus(dialog);
        PostMouse(WM_MOUSEMOVE, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
        if (!WaitFor([] { return VisiblePopups().size() == 2; })) return CloseMenus(dialog);
        ::Sleep(150);
        submenuOpened = true;
        RECT one{};
        if (!::GetMenuItemRect(nullptr, recent, 0, &one)) return CloseMenus(dialog);
        const POINT target{(one.left + one.right) / 2, (one.top + one.bottom) / 2};
        PostMouse(WM_MOUSEMOVE, target);
        ::Sleep(100);
        PostMouse(WM_LBUTTONDOWN, target);
        PostMouse(WM_LBUTTONUP, target);
        if (!WaitFor([] { return VisiblePopups().empty(); })) CloseMenus(dialog);
    });
    PostBarClick(dialog, ButtonCentreOnScreen(0));
    ASSERT_TRUE(driver.Finish());
    Pump();
    EXPECT_TRUE(submenuOpened);
    EXPECT_EQ(m_dlg->Log().menuCommands(), std::vector<WORD>{ID_FILE_RECENT_ONE});
}

TEST_F(MenuBar, DialogDestroyedWhileItsDropDownIsOpen)
{
    HWND dialog = m_dlg->Wnd();
    bool opened = false;
    MouseTo(kPointerAway);
    Pump();
    Driver driver([&] {
        if (!WaitFor([] { return !VisiblePopups().empty(); })) return CloseMenus(dialog);
        opened = true;
        if (!WaitFor([&] { return VisiblePopups().empty() && !::IsWindow(dialog); })) CloseMenus(dialog);
    });
    // The dialog's own procedure destroys it from a timer, which the
    // drop-down's modal loop dispatches.
    ::SetTimer(dialog, kDestroyTimer, 400, nullptr);
    PostBarClick(dialog, ButtonCentreOnScreen(0));
    ASSERT_TRUE(driver.Finish());
    Pump();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(::IsWindow(dialog));
    const std::vector<std::string> expected{"Open", "Recent", "", "Exit"};
    EXPECT_EQ(m_dlg->Log().fileTextsAtDestroy, expected);
    // The library is still sound: a new skinned dialog gets its menu bar.
    SkinnedDialog again(kMaskAllControls, false);
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    ASSERT_TRUE(::GetMenuItemInfoA(::GetSubMenu(::GetMenu(again.Wnd()), 0), 0, TRUE, &info));
    EXPECT_NE(info.fType & MFT_OWNERDRAW, 0u);
}

} // namespace
