// The menu bar's own bookkeeping, on a plain window with a menu: button
// layout and hit testing, hot tracking, and the owner-draw conversion of the
// drop-downs with everything an item carried given back at teardown.
#include "CSkinMenuBar.h"
#include "ControlPaint.h"
#include "unique_any.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr RECT kBar{15, 34, 135, 53};

class MenuBarUnit : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_menu = ::CreateMenu();
        for (const char* name : {"File", "Edit", "View", "Tools", "Help"}) {
            HMENU popup = ::CreatePopupMenu();
            ::AppendMenuA(popup, MF_STRING, 100, (std::string(name) + " item").c_str());
            ::AppendMenuA(m_menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), name);
        }
        m_file = ::GetSubMenu(m_menu, 0);
        // An item the host draws itself, a checked radio item, one with host
        // data, a nested submenu and a text longer than 260 characters.
        MENUITEMINFOA own{};
        own.cbSize = sizeof(own);
        own.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID;
        own.fType = MFT_OWNERDRAW;
        own.dwItemData = 0x1234;
        own.wID = 101;
        ::InsertMenuItemA(m_file, 1, TRUE, &own);
        ::AppendMenuA(m_file, MF_STRING | MF_CHECKED, 102, "Radio");
        MENUITEMINFOA radio{};
        radio.cbSize = sizeof(radio);
        radio.fMask = MIIM_FTYPE;
        radio.fType = MFT_STRING | MFT_RADIOCHECK;
        ::SetMenuItemInfoA(m_file, 2, TRUE, &radio);
        ::AppendMenuA(m_file, MF_STRING, 103, "Data");
        MENUITEMINFOA data{};
        data.cbSize = sizeof(data);
        data.fMask = MIIM_DATA;
        data.dwItemData = 0x55;
        ::SetMenuItemInfoA(m_file, 3, TRUE, &data);
        m_nested = ::CreatePopupMenu();
        ::AppendMenuA(m_nested, MF_STRING, 104, "Deep");
        ::AppendMenuA(m_file, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(m_nested), "Nested");
        ::AppendMenuA(m_file, MF_SEPARATOR, 0, nullptr);
        m_long.assign(300, 'x').append("end");
        ::AppendMenuA(m_file, MF_STRING, 105, m_long.c_str());

        m_wnd = ::CreateWindowExA(0, "Static", "menu host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, m_menu,
                                  nullptr, nullptr);
        ASSERT_NE(m_wnd, nullptr);
    }
    void TearDown() override
    {
        if (m_wnd) ::DestroyWindow(m_wnd); // destroys the menu with it
    }

    MENUITEMINFOA Info(HMENU menu, int pos) const
    {
        MENUITEMINFOA i{};
        i.cbSize = sizeof(i);
        i.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
        EXPECT_TRUE(::GetMenuItemInfoA(menu, static_cast<UINT>(pos), TRUE, &i));
        return i;
    }
    std::string Text(HMENU menu, int pos) const
    {
        char buffer[512] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(pos), buffer, sizeof(buffer), MF_BYPOSITION);
        return buffer;
    }
    void ExpectOriginalFileMenu(int offset)
    {
        EXPECT_EQ(Text(m_file, offset + 0), "File item");
        EXPECT_EQ(Info(m_file, offset + 1).fType, static_cast<UINT>(MFT_OWNERDRAW));
        EXPECT_EQ(Info(m_file, offset + 1).dwItemData, 0x1234u);
        EXPECT_EQ(Text(m_file, offset + 2), "Radio");
        EXPECT_EQ(Info(m_file, offset + 2).fType, static_cast<UINT>(MFT_STRING | MFT_RADIOCHECK));
        EXPECT_NE(Info(m_file, offset + 2).fState & MFS_CHECKED, 0u);
        EXPECT_EQ(Info(m_file, offset + 3).dwItemData, 0x55u);
        EXPECT_EQ(Text(m_file, offset + 4), "Nested");
        EXPECT_EQ(Info(m_file, offset + 4).hSubMenu, m_nested);
        EXPECT_EQ(Text(m_nested, 0), "Deep");
        EXPECT_EQ(Info(m_nested, 0).fType, static_cast<UINT>(MFT_STRING));
        EXPECT_NE(Info(m_file, offset + 5).fType & MFT_SEPARATOR, 0u);
        EXPECT_EQ(Text(m_file, offset + 6), m_long);
        EXPECT_EQ(Info(m_file, offset + 6).wID, 105u);
    }

    HMENU m_menu = nullptr;
    HMENU m_file = nullptr;
    HMENU m_nested = nullptr;
    HWND m_wnd = nullptr;
    std::string m_long;
};

TEST_F(MenuBarUnit, OneFiftyPixelButtonPerItemEvenPastTheBarsEnd)
{
    CSkinMenuBar bar;
    bar.Setup(m_wnd, kBar);
    ASSERT_EQ(bar.ButtonCount(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const RECT& r = bar.Button(i).m_rect;
        EXPECT_EQ(r.left, kBar.left + 50 * static_cast<LONG>(i));
        EXPECT_EQ(r.right, r.left + 50);
        EXPECT_EQ(r.top, kBar.top);
        EXPECT_EQ(r.bottom, kBar.bottom);
        EXPECT_EQ(bar.Button(i).m_state, CSkinMenuButton::kNormal);
    }
    EXPECT_EQ(bar.Button(3).m_text, "Tools");
    EXPECT_EQ(bar.Button(0).m_dropDown, m_file);

    EXPECT_EQ(bar.HitTest(POINT{15, 34}), 0);
    EXPECT_EQ(bar.HitTest(POINT{64, 52}), 0);
    EXPECT_EQ(bar.HitTest(POINT{65, 40}), 1);
    EXPECT_EQ(bar.HitTest(POINT{250, 40}), 4) << "beyond the bar's right edge";
    EXPECT_EQ(bar.HitTest(POINT{265, 40}), -1);
    EXPECT_EQ(bar.HitTest(POINT{14, 40}), -1);
    EXPECT_EQ(bar.HitTest(POINT{20, 53}), -1);
    EXPECT_TRUE(bar.Contains(POINT{134, 52}));
    EXPECT_FALSE(bar.Contains(POINT{135, 40}));

    // After the frame change the strip is taller: the buttons follow it.
    bar.Place(RECT{15, 34, 300, 60});
    EXPECT_EQ(bar.Button(2).m_rect.bottom, 60);
    EXPECT_EQ(bar.HitTest(POINT{120, 58}), 2);
}

TEST_F(MenuBarUnit, HotTrackingKeepsOneButtonHot)
{
    CSkinMenuBar bar;
    bar.Setup(m_wnd, kBar);
    EXPECT_EQ(bar.HotIndex(), -1);
    bar.TrackHot(POINT{70, 40});
    EXPECT_EQ(bar.HotIndex(), 1);
    EXPECT_EQ(bar.Button(1).m_state, CSkinMenuButton::kHot);
    bar.TrackHot(POINT{20, 40});
    EXPECT_EQ(bar.HotIndex(), 0);
    EXPECT_EQ(bar.Button(0).m_state, CSkinMenuButton::kHot);
    EXPECT_EQ(bar.Button(1).m_state, CSkinMenuButton::kNormal);
    bar.TrackHot(POINT{400, 40}); // on no button
    EXPECT_EQ(bar.HotIndex(), -1);
    EXPECT_EQ(bar.Button(0).m_state, CSkinMenuButton::kNormal);
}

TEST_F(MenuBarUnit, DropDownsAreOwnerDrawnWhileTheBarLivesAndWhollyRestoredAfter)
{
    {
        CSkinMenuBar bar;
        bar.Setup(m_wnd, kBar);
        for (HMENU menu : {m_file, m_nested}) {
            for (int pos = 0; pos < ::GetMenuItemCount(menu); ++pos) {
                SCOPED_TRACE(pos);
                const MENUITEMINFOA i = Info(menu, pos);
                EXPECT_EQ(i.fType, static_cast<UINT>(MFT_OWNERDRAW));
                EXPECT_NE(i.dwItemData, 0x1234u);
                EXPECT_NE(i.dwItemData, 0u);
            }
        }
        EXPECT_EQ(Info(m_file, 4).hSubMenu, m_nested);
        EXPECT_EQ(Info(m_file, 6).wID, 105u);
        EXPECT_NE(Info(m_file, 2).fState & MFS_CHECKED, 0u);
        // The long text is kept whole for drawing.
        const char* shown = reinterpret_cast<const char*>(Info(m_file, 6).dwItemData);
        EXPECT_EQ(std::string(shown), m_long);
    } // no explicit teardown: the bar gives everything back as it goes
    ExpectOriginalFileMenu(0);
}

TEST_F(MenuBarUnit, TeardownFindsItemsByTheirDataAfterTheHostInsertedSome)
{
    CSkinMenuBar bar;
    bar.Setup(m_wnd, kBar);
    ::InsertMenuA(m_file, 0, MF_BYPOSITION | MF_STRING, 900, "Inserted later");
    bar.Teardown();
    EXPECT_EQ(bar.ButtonCount(), 0u);
    EXPECT_EQ(Text(m_file, 0), "Inserted later");
    ExpectOriginalFileMenu(1);
}

TEST_F(MenuBarUnit, DrawsItsOwnItemsAndNeverReadsForeignItemDataAsText)
{
    CSkinMenuBar bar;
    bar.Setup(m_wnd, kBar);
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    EXPECT_EQ(bar.MeasureItem(measure), 1);
    EXPECT_EQ(measure.itemWidth, 60u);
    EXPECT_EQ(measure.itemHeight, 20u);
    MEASUREITEMSTRUCT button{};
    button.CtlType = ODT_BUTTON;
    EXPECT_EQ(bar.MeasureItem(button), 0);

    kd::unique_window_dc screen(nullptr);
    kd::unique_hdc dc(::CreateCompatibleDC(screen.get()));
    kd::unique_hbitmap bitmap(::CreateCompatibleBitmap(screen.get(), 60, 20));
    kd::select_scope selected(dc.get(), bitmap.get());
    auto inkAfterDrawing = [&](ULONG_PTR data) {
        FillSolid(dc.get(), RECT{0, 0, 60, 20}, RGB(1, 2, 3));
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.hDC = dc.get();
        item.rcItem = RECT{0, 0, 60, 20};
        item.itemData = data;
        EXPECT_EQ(bar.DrawItem(item), 1);
        int ink = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 60; ++x) {
                const COLORREF c = ::GetPixel(dc.get(), x, y);
                EXPECT_NE(c, RGB(1, 2, 3)) << "the whole item is filled";
                ink += c != RGB(200, 200, 255);
            }
        return ink;
    };
    EXPECT_GT(inkAfterDrawing(Info(m_file, 0).dwItemData), 0) << "its own items show their text";
    // Item data the bar did not hand out (here a host value that is no
    // pointer at all) is drawn as a blank item instead of being read.
    EXPECT_EQ(inkAfterDrawing(0x1234), 0);
    EXPECT_EQ(inkAfterDrawing(0), 0);
}

} // namespace
