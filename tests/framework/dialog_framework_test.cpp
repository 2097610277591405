// The dialog framework: data exchange with length limits, routing of commands,
// notifications and messages to named handlers, OK/Cancel processing, modal
// ownership, modeless self-deletion, pre-translation, and the list view.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "CApp.h"
#include "CDialog.h"
#include "CListView.h"
#include "FrameworkTestResource.h"
#include "UiDriver.h"
#include "WindowTestSupport.h"

namespace {

kd::CApp theTestApp;

[[maybe_unused]] const bool g_pumpThroughApp = (
    kdtest::PumpPreTranslate() = [](MSG& msg) { return theTestApp.PreTranslateMessage(msg); }, true);

void Pump(DWORD ms = 50)
{
    kdtest::Pump(ms);
}

using kdtest::PostClick;

void CALLBACK FixFieldAndPressOk(HWND wnd, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(wnd, id);
    ::SetDlgItemTextA(wnd, IDC_EDIT, "ok");
    PostClick(wnd, IDOK);
}

class TestDlg : public kd::CDialog {
public:
    explicit TestDlg(HWND parent = nullptr, int* deleted = nullptr)
        : kd::CDialog(IDD_FRAMEWORK_TEST, parent), m_deleted(deleted)
    {
        MapCommand(IDC_ACT, &TestDlg::OnAct);
        MapNotify(IDC_LIST, LVN_ITEMCHANGING, &TestDlg::OnItemChanging);
        MapMessage(WM_CTLCOLORDLG, &TestDlg::OnCtlColor);
        MapMessage(WM_SYSCOMMAND, &TestDlg::OnSysCommand);
    }
    ~TestDlg() override
    {
        if (m_deleted) ++*m_deleted;
    }

    std::string text = "initial";
    int maxChars = 5;
    int acts = 0;
    bool blockSelection = false;
    int sysCommands = 0;
    std::vector<UINT> preTranslated;
    std::function<void(TestDlg&)> onInit;
    HWND ownerAtInit = nullptr;
    kd::CListView list;

    using kd::CDialog::UpdateData;

    bool PreTranslateMessage(MSG& msg) override
    {
        if (msg.message == WM_USER + 7) {
            preTranslated.push_back(msg.message);
            return true;
        }
        return kd::CDialog::PreTranslateMessage(msg);
    }

protected:
    bool OnInitDialog() override
    {
        EXPECT_TRUE(kd::CDialog::OnInitDialog());
        ownerAtInit = ::GetWindow(m_hWnd, GW_OWNER);
        if (onInit) onInit(*this);
        return true;
    }
    void DoDataExchange(kd::CDataExchange& dx) override
    {
        dx.Text(IDC_EDIT, text, maxChars);
        dx.Control(IDC_LIST, list);
    }

private:
    void OnAct() { ++acts; }
    LRESULT OnItemChanging(NMHDR*) { return blockSelection ? TRUE : FALSE; }
    LRESULT OnCtlColor(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH)); }
    LRESULT OnSysCommand(WPARAM, LPARAM)
    {
        ++sysCommands;
        Default(); // the platform still carries the command out
        return 0;
    }

    int* m_deleted;
};

// A modeless TestDlg on the heap, created at once.
TestDlg* CreateModeless(int* deleted = nullptr)
{
    auto* dlg = new TestDlg(nullptr, deleted);
    if (!dlg->Create()) {
        delete dlg;
        return nullptr;
    }
    return dlg;
}

} // namespace

TEST(DataExchange, ShowsLimitsAndReadsFieldsButRefusesTextsLongerThanTheLimit)
{
    int deleted = 0;
    TestDlg* dlg = CreateModeless(&deleted);
    ASSERT_NE(dlg, nullptr);
    HWND wnd = dlg->GetSafeHwnd();
    HWND edit = ::GetDlgItem(wnd, IDC_EDIT);
    EXPECT_EQ(kdtest::WindowText(edit), "initial") << "shown even when longer than the limit";
    EXPECT_EQ(::SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 5);
    EXPECT_EQ(dlg->list.GetSafeHwnd(), ::GetDlgItem(wnd, IDC_LIST)) << "controls are bound";

    ::SetWindowTextA(edit, "abcde");
    EXPECT_TRUE(dlg->UpdateData(true));
    EXPECT_EQ(dlg->text, "abcde");

    ::SetWindowTextA(edit, "abcdef");
    ::SetFocus(::GetDlgItem(wnd, IDC_ACT));
    EXPECT_FALSE(dlg->UpdateData(true)) << "one character too many";
    EXPECT_EQ(dlg->text, "abcde") << "the member keeps its value: nothing is cut";
    EXPECT_EQ(::GetFocus(), edit) << "the field goes to the user";

    ::SetWindowTextA(edit, "");
    EXPECT_TRUE(dlg->UpdateData(true));
    EXPECT_EQ(dlg->text, "");
    EXPECT_TRUE(dlg->DestroyWindow());
    EXPECT_EQ(deleted, 1);
}

TEST(Routing, CommandsNotificationsAndMessagesReachTheirNamedHandlers)
{
    TestDlg* dlg = CreateModeless();
    ASSERT_NE(dlg, nullptr);
    HWND wnd = dlg->GetSafeHwnd();

    kdtest::Click(wnd, IDC_ACT);
    ::SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(IDC_ACT, BN_SETFOCUS),
                   reinterpret_cast<LPARAM>(::GetDlgItem(wnd, IDC_ACT)));
    EXPECT_EQ(dlg->acts, 1) << "only the mapped notification code";

    // A notification's result goes back to the control: here it vetoes a selection.
    ASSERT_EQ(dlg->list.InsertColumn(0, "c", LVCFMT_LEFT, 50), 0);
    ASSERT_EQ(dlg->list.InsertItem(0, "row"), 0);
    dlg->blockSelection = true;
    (void)dlg->list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED); // vetoed: what the state says is checked
    EXPECT_EQ(dlg->list.GetItemState(0, LVIS_SELECTED), 0u);
    dlg->blockSelection = false;
    EXPECT_TRUE(dlg->list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(dlg->list.GetItemState(0, LVIS_SELECTED), UINT(LVIS_SELECTED));

    // Results of colour messages are answered directly, not through DWLP_MSGRESULT.
    HDC dc = ::GetDC(wnd);
    EXPECT_EQ(::SendMessageA(wnd, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(wnd)),
              reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH)));
    ::ReleaseDC(wnd, dc);

    // Default() inside a handler lets the platform act as well.
    ::SendMessageA(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(dlg->sysCommands, 1);
    EXPECT_TRUE(::IsIconic(wnd));
    EXPECT_TRUE(dlg->DestroyWindow());
}

TEST(Modal, OkReadsTheFieldsAndCancelEndsWithoutThem)
{
    TestDlg ok;
    ok.onInit = [](TestDlg& d) {
        ::SetDlgItemTextA(d.GetSafeHwnd(), IDC_EDIT, "new");
        PostClick(d.GetSafeHwnd(), IDOK);
    };
    EXPECT_EQ(ok.DoModal(), IDOK);
    EXPECT_EQ(ok.text, "new");
    EXPECT_EQ(ok.GetSafeHwnd(), nullptr);

    // Run again, the same object binds its controls to the new window.
    HWND firstList = ok.list.GetSafeHwnd();
    HWND secondList = nullptr;
    ok.onInit = [&](TestDlg& d) {
        secondList = ::GetDlgItem(d.GetSafeHwnd(), IDC_LIST);
        PostClick(d.GetSafeHwnd(), IDOK);
    };
    EXPECT_EQ(ok.DoModal(), IDOK);
    EXPECT_EQ(ok.list.GetSafeHwnd(), secondList);
    EXPECT_NE(secondList, firstList);

    TestDlg cancel;
    cancel.onInit = [](TestDlg& d) {
        ::SetDlgItemTextA(d.GetSafeHwnd(), IDC_EDIT, "typed");
        ::PostMessageA(d.GetSafeHwnd(), WM_CLOSE, 0, 0); // the close box
    };
    EXPECT_EQ(cancel.DoModal(), IDCANCEL);
    EXPECT_EQ(cancel.text, "initial");
}

TEST(Modal, OkWithAnInvalidFieldKeepsTheDialogOpen)
{
    TestDlg dlg;
    int okPresses = 0;
    dlg.onInit = [&](TestDlg& d) {
        ::SetDlgItemTextA(d.GetSafeHwnd(), IDC_EDIT, "far too long");
        PostClick(d.GetSafeHwnd(), IDOK);
        // Once the first OK was refused, fix the field and press OK again.
        ::SetTimer(d.GetSafeHwnd(), 1, 100, FixFieldAndPressOk);
        ++okPresses;
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.text, "ok");
    EXPECT_EQ(okPresses, 1);
}

TEST(Modal, WithoutAParentTheMainWindowOwnsItAndIsDisabledMeanwhile)
{
    TestDlg* main = CreateModeless();
    ASSERT_NE(main, nullptr);
    theTestApp.SetMainWindow(main);
    bool mainEnabledDuring = true;
    TestDlg modal;
    modal.onInit = [&](TestDlg& d) {
        mainEnabledDuring = ::IsWindowEnabled(main->GetSafeHwnd()) != FALSE;
        PostClick(d.GetSafeHwnd(), IDCANCEL);
    };
    EXPECT_EQ(modal.DoModal(), IDCANCEL);
    EXPECT_EQ(modal.ownerAtInit, main->GetSafeHwnd());
    EXPECT_FALSE(mainEnabledDuring);
    EXPECT_TRUE(::IsWindowEnabled(main->GetSafeHwnd()));
    EXPECT_TRUE(main->DestroyWindow());
    EXPECT_EQ(theTestApp.MainWindow(), nullptr) << "a main window that is gone is forgotten";
}

TEST(Modeless, DeletesItselfAfterItsWindowIsGoneAndCancelDestroysIt)
{
    int deleted = 0;
    TestDlg* dlg = CreateModeless(&deleted);
    ASSERT_NE(dlg, nullptr);
    HWND wnd = dlg->GetSafeHwnd();
    EXPECT_EQ(kd::CDialog::FromHandle(wnd), dlg);
    PostClick(wnd, IDCANCEL);
    Pump();
    EXPECT_FALSE(::IsWindow(wnd));
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(kd::CDialog::FromHandle(wnd), nullptr);

    // A dialog whose template cannot be loaded is not created and stays the caller's.
    kd::CDialog missing(9999);
    EXPECT_FALSE(missing.Create());
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST(PreTranslation, TheLoopOffersMessagesToTheDialogOfTheirWindow)
{
    TestDlg* dlg = CreateModeless();
    ASSERT_NE(dlg, nullptr);
    HWND edit = ::GetDlgItem(dlg->GetSafeHwnd(), IDC_EDIT);
    ::PostMessageA(edit, WM_USER + 7, 0, 0); // addressed to a child: found through its parent
    ::PostMessageA(dlg->GetSafeHwnd(), WM_USER + 7, 0, 0);
    Pump();
    EXPECT_EQ(dlg->preTranslated.size(), 2u);
    EXPECT_EQ(kd::CDialog::FromHandle(edit), nullptr) << "controls are not dialogs";
    EXPECT_TRUE(dlg->DestroyWindow());
}

TEST(ListView, RowsColumnsTextsOfAnyLengthItemDataAndRedrawLock)
{
    TestDlg* dlg = CreateModeless();
    ASSERT_NE(dlg, nullptr);
    kd::CListView& list = dlg->list;
    EXPECT_EQ(list.InsertColumn(0, "A", LVCFMT_LEFT, 80), 0);
    EXPECT_EQ(list.InsertColumn(1, "B", LVCFMT_LEFT, 80), 1);
    EXPECT_EQ(list.GetColumnCount(), 2);
    list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_GRIDLINES);
    EXPECT_TRUE(list.GetExtendedStyle() & LVS_EX_GRIDLINES);

    const std::string longText(300, 'x'); // longer than the wrapper's first buffer
    {
        kd::CListView::RedrawLock lock(list);
        EXPECT_TRUE(list.SetItemCount(3));
        EXPECT_EQ(list.InsertItem(0, "first", 42), 0);
        EXPECT_EQ(list.InsertItem(1, longText), 1);
        EXPECT_EQ(list.InsertItem(list.GetItemCount(), "third"), 2);
        EXPECT_TRUE(list.SetItemText(1, 1, "b1"));
    }
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemText(1, 0), longText);
    EXPECT_EQ(list.GetItemText(1, 1), "b1");
    EXPECT_EQ(list.GetItemText(0, 1), "");
    EXPECT_EQ(list.GetItemData(0), 42);
    EXPECT_TRUE(list.SetItemData(2, 7));
    EXPECT_EQ(list.GetItemData(2), 7);
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetItemText(0, 0), longText);
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_TRUE(dlg->DestroyWindow());

    kd::CListView unbound;
    EXPECT_EQ(unbound.GetItemCount(), 0);
    EXPECT_FALSE(static_cast<bool>(unbound));
}
