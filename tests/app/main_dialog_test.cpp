// The main dialog driven as a user would: its states, buttons, keys, the
// editor's Insert/Update/Delete rules and what reaches the account file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>

#include "AppTest.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using MainDialog = AppTest;

constexpr int kEditorIds[] = {IDC_EDIT_ID, IDC_EDIT_PASSWORD, IDC_EDIT_COMMENT};

// The list row count of the main dialog.
int RowCount(HWND main)
{
    return ListView_GetItemCount(::GetDlgItem(main, IDC_LIST_ACCOUNTS));
}

// Presses a button of the main dialog and answers the control that has the
// focus once its handler (and any message box it showed) is done.
int ClickThenFocus(HWND main, int id)
{
    Click(main, id);
    return ::GetDlgCtrlID(::GetFocus());
}

} // namespace

TEST_F(MainDialog, StartsHiddenThenShowsItselfLoggedOut)
{
    ASSERT_TRUE(theApp.InitInstance());
    m_running = true;
    m_main = theApp.MainWindow()->GetSafeHwnd();
    EXPECT_FALSE(::IsWindowVisible(m_main)) << "created hidden";
    EXPECT_TRUE(fs::is_directory("Tmp"));
    EXPECT_TRUE(fs::is_directory("Scrivet"));
    Pump(400);
    EXPECT_TRUE(::IsWindowVisible(m_main)) << "shown by its timer";
    EXPECT_EQ(WindowText(m_main), "Kordane");

    for (int id : {IDC_BUTTON_LOGIN, IDC_BUTTON_CREATEADMIN, IDC_BUTTON_HELP, IDOK})
        EXPECT_TRUE(IsItemEnabled(m_main, id)) << id;
    for (int id :
         {IDC_EDIT_ID, IDC_EDIT_PASSWORD, IDC_EDIT_COMMENT, IDC_BUTTON_INSERT, IDC_BUTTON_UPDATE, IDC_BUTTON_DELETE})
        EXPECT_FALSE(IsItemEnabled(m_main, id)) << id;

    HWND list = ::GetDlgItem(m_main, IDC_LIST_ACCOUNTS);
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    const DWORD ex = ListView_GetExtendedListViewStyle(list);
    EXPECT_EQ(ex & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), DWORD(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
    HWND header = ListView_GetHeader(list);
    ASSERT_EQ(Header_GetItemCount(header), 3);
    const char* headings[] = {"ID(Account)", "Password", "Comment"};
    for (int i = 0; i < 3; ++i) {
        char text[64] = {};
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.pszText = text;
        col.cchTextMax = sizeof text;
        ASSERT_TRUE(::SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&col)));
        EXPECT_STREQ(text, headings[i]);
        EXPECT_EQ(col.cx, 150);
        EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    }

    // System menu: a separator, then the about item with command 16.
    HMENU sys = ::GetSystemMenu(m_main, FALSE);
    const int count = ::GetMenuItemCount(sys);
    ASSERT_GE(count, 2);
    EXPECT_EQ(::GetMenuItemID(sys, count - 1), 16u);
    char item[64] = {};
    ::GetMenuStringA(sys, count - 1, item, sizeof item, MF_BYPOSITION);
    EXPECT_STREQ(item, "About Kordane(&A)...");
    EXPECT_EQ(::GetMenuState(sys, count - 2, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
    // Not the caption icon, but the minimised window's drag icon.
    EXPECT_NE(::SendMessageA(m_main, WM_QUERYDRAGICON, 0, 0), 0);
}

TEST_F(MainDialog, ExitButtonAndCloseBoxEndTheMessageLoop)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    Click(m_main, IDOK);
    EXPECT_TRUE(Pump(100)) << "Exit posts the quit message";
    ::PostMessageA(m_main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Pump(100)) << "closing posts the quit message";
    EXPECT_TRUE(::IsWindow(m_main)) << "the window goes at shutdown, not before";
    Exit();
    EXPECT_FALSE(::IsWindow(m_main));
    EXPECT_EQ(theApp.MainWindow(), nullptr) << "the dialog deleted itself with its window";
}

TEST_F(MainDialog, EscapeAndReturnNeitherCloseNorPressAButton)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND exitButton = ::GetDlgItem(m_main, IDOK);
    HWND list = ::GetDlgItem(m_main, IDC_LIST_ACCOUNTS);
    for (HWND target : {exitButton, list, m_main}) {
        ::SetFocus(target);
        for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            ::PostMessageA(target, WM_KEYDOWN, key, 1);
            ::PostMessageA(target, WM_CHAR, key, 1);
            ::PostMessageA(target, WM_KEYUP, key, 0xC0000001);
            EXPECT_FALSE(Pump(100)) << "key " << key << " ended the program";
            EXPECT_TRUE(::IsWindowVisible(m_main));
        }
    }
    // Other keys still get the dialog's handling: Tab moves the focus on.
    ::SetFocus(exitButton);
    ::PostMessageA(exitButton, WM_KEYDOWN, VK_TAB, 1);
    Pump(100);
    EXPECT_NE(::GetFocus(), exitButton);
    EXPECT_TRUE(m_responder.Messages().empty());
}

TEST_F(MainDialog, AboutBoxComesFromTheSystemMenu)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    std::vector<std::string> texts;
    m_responder.Expect("About Kordane", [&](HWND dlg) {
        for (HWND child = ::GetWindow(dlg, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            texts.push_back(WindowText(child));
        PostClick(dlg, IDOK);
    });
    ::SendMessageA(m_main, WM_SYSCOMMAND, 16, 0);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1], "Kordane Version 1.0");
    EXPECT_EQ(texts[3], "OK");
    // Other system commands keep their platform meaning.
    ::SendMessageA(m_main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Pump(100);
    EXPECT_TRUE(::IsIconic(m_main));
    ::RedrawWindow(m_main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); // minimised icon painting
    ::SendMessageA(m_main, WM_SYSCOMMAND, SC_RESTORE, 0);
    Pump(100);
    EXPECT_FALSE(::IsIconic(m_main));
}

TEST_F(MainDialog, HelpDialogOpensWithItsButtonsAndCloses)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    bool seen = false;
    m_responder.Expect("Help Dialog", [&](HWND dlg) {
        seen = ItemText(dlg, 3) == "Visit out web site" && ItemText(dlg, IDOK) == "Close" &&
               ::GetDlgItem(dlg, IDC_EXPLORER1) != nullptr;
        PostClick(dlg, IDOK);
    });
    Click(m_main, IDC_BUTTON_HELP);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(::IsWindowEnabled(m_main)) << "the main dialog is usable again";
}

TEST_F(MainDialog, AdministratorCreationEnablesTheEditorAndEntriesSurviveExitAndLogin)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("alice", "Secret", "Secret");
    EXPECT_TRUE(m_responder.Messages().empty()) << "creation shows no message";
    EXPECT_TRUE(fs::exists("alice.qrd"));
    EXPECT_TRUE(ReadAccountFile("alice").empty()) << "the file holds no entries until the program ends";
    for (int id : kEditorIds) EXPECT_TRUE(IsItemEnabled(m_main, id));
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_INSERT));
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_LOGIN));
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_CREATEADMIN));
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_UPDATE));
    EXPECT_EQ(RowCount(m_main), 0);

    Insert("mail", "pw1", "work");
    Insert("bank", "pw2", "");
    Insert("shop", "pw3", "x");
    ASSERT_TRUE(m_responder.Messages().empty());
    const std::vector<Row> rows = {{"mail", "pw1", "work"}, {"bank", "pw2", ""}, {"shop", "pw3", "x"}};
    EXPECT_EQ(ListRows(), rows) << "new rows go to the end; an empty comment is fine";
    Exit();
    EXPECT_EQ(ReadAccountFile("alice"), rows);

    ASSERT_NO_FATAL_FAILURE(Start());
    Login("alice", "Secret");
    EXPECT_EQ(m_responder.Messages(), std::vector<std::string>{"Login success."});
    EXPECT_EQ(ListRows(), rows);
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_LOGIN));
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_INSERT));
}

TEST_F(MainDialog, InsertChecksItsFieldsAndRejectsAnEqualRow)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("bob", "pw", "pw");

    SetFields("", "p", "c");
    EXPECT_EQ(ClickThenFocus(m_main, IDC_BUTTON_INSERT), IDC_EDIT_ID);
    SetFields("a", "", "c");
    EXPECT_EQ(ClickThenFocus(m_main, IDC_BUTTON_INSERT), IDC_EDIT_PASSWORD);
    EXPECT_EQ(m_responder.Messages(),
              (std::vector<std::string>{"Please input the account.", "Please input the password."}));
    EXPECT_EQ(RowCount(m_main), 0);
    m_responder.Clear();

    Insert("Acc", "p", "c");
    Insert("Acc", "p", "c");     // the very same entry again
    Insert("Acc", "p", "other"); // differs in the comment only
    Insert("acc", "p", "c");     // differs in letter case only
    EXPECT_EQ(m_responder.Messages(), std::vector<std::string>{"The same item have been existent."});
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"Acc", "p", "c"}, {"Acc", "p", "other"}, {"acc", "p", "c"}}));
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_ID), "acc") << "the fields keep their texts";
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_UPDATE)) << "Insert does not make a row current";
}

TEST_F(MainDialog, SelectingARowMakesItCurrentForUpdateAndDelete)
{
    WriteAccountFile("carol", "pw", {{"a", "1", "x"}, {"b", "2", "y"}, {"c", "3", "z"}});
    ASSERT_NO_FATAL_FAILURE(Start());
    Login("carol", "pw");
    m_responder.Clear();

    SelectRow(1);
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_ID), "b");
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_PASSWORD), "2");
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_COMMENT), "y");
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_UPDATE));
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_DELETE));

    // Updating the current row unchanged finds the row itself.
    ::SetFocus(::GetDlgItem(m_main, IDC_EDIT_COMMENT));
    EXPECT_EQ(ClickThenFocus(m_main, IDC_BUTTON_UPDATE), IDC_EDIT_PASSWORD);
    EXPECT_EQ(m_responder.Messages(), std::vector<std::string>{"The same item have been existent."});
    m_responder.Clear();

    SetFields("", "2", "y");
    EXPECT_EQ(ClickThenFocus(m_main, IDC_BUTTON_UPDATE), IDC_EDIT_ID);
    SetFields("b", "", "y");
    EXPECT_EQ(ClickThenFocus(m_main, IDC_BUTTON_UPDATE), IDC_EDIT_PASSWORD);
    EXPECT_EQ(m_responder.Messages(),
              (std::vector<std::string>{"Please input the account.", "Please input the password."}));
    m_responder.Clear();

    SetFields("B", "22", "");
    Click(m_main, IDC_BUTTON_UPDATE);
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", "x"}, {"B", "22", ""}, {"c", "3", "z"}}));
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_UPDATE)) << "Update keeps the row current";

    Click(m_main, IDC_BUTTON_DELETE);
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", "x"}, {"c", "3", "z"}}));
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_UPDATE));
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_DELETE));
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_ID), "B") << "the fields keep their texts";

    // Right after a Delete, Update and Delete do nothing until a row is selected again.
    SetFields("q", "q", "q");
    Click(m_main, IDC_BUTTON_UPDATE);
    Click(m_main, IDC_BUTTON_DELETE);
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", "x"}, {"c", "3", "z"}}));
    EXPECT_TRUE(m_responder.Messages().empty());

    // A keyboard move in the list makes the next row current.
    HWND list = ::GetDlgItem(m_main, IDC_LIST_ACCOUNTS);
    SelectRow(0);
    ::SetFocus(list);
    ::PostMessageA(list, WM_KEYDOWN, VK_DOWN, 1);
    Pump(100);
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_ID), "c");
    Click(m_main, IDC_BUTTON_DELETE);
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", "x"}}));

    Exit();
    EXPECT_EQ(ReadAccountFile("carol"), (std::vector<Row>{{"a", "1", "x"}}));
}

TEST_F(MainDialog, FieldsTakeAtMost127CharactersAndNothingIsCutSilently)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("dave", "pw", "pw");
    for (int id : kEditorIds) EXPECT_EQ(::SendMessageA(::GetDlgItem(m_main, id), EM_GETLIMITTEXT, 0, 0), 127) << id;

    const std::string longest(127, 'a');
    Insert(longest, std::string(127, 'p'), std::string(127, 'c'));
    ASSERT_EQ(RowCount(m_main), 1);

    // 128 characters cannot be typed; set from outside they are refused, not cut.
    Insert(std::string(128, 'b'), "p", "");
    EXPECT_EQ(RowCount(m_main), 1);
    EXPECT_EQ(FocusedId(::GetCurrentThreadId()), IDC_EDIT_ID);
    Exit();
    const std::vector<Row> rows = ReadAccountFile("dave");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Row{longest, std::string(127, 'p'), std::string(127, 'c')}));
}

TEST_F(MainDialog, ExitWithoutLoginOrCreationTouchesNoAccountFile)
{
    WriteAccountFile("erin", "pw", {{"k", "v", "c"}});
    const std::vector<char> before = ReadFile("erin.qrd");
    const auto stamp = fs::last_write_time("erin.qrd");
    ASSERT_NO_FATAL_FAILURE(Start());
    Exit();
    EXPECT_EQ(ReadFile("erin.qrd"), before);
    EXPECT_EQ(fs::last_write_time("erin.qrd"), stamp);
}

TEST_F(MainDialog, AFailingSaveAtTheWindowsEndLeavesALogLineAndARecoveryCopy)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("frank", "pw", "pw");
    Insert("x", "y", "z");
    // The file's place is taken by a folder: the store cannot write it.
    fs::remove("frank.qrd");
    fs::create_directory("frank.qrd");
    Exit();
    EXPECT_NE(Log().find("Fun:CKordaneDlg::SaveEntries"), std::string::npos) << Log();
    EXPECT_EQ(ReadRecoveryCopy("frank"), (std::vector<Row>{{"x", "y", "z"}})) << "the entries do not vanish";
}

namespace {

// A list view that shows only a few rows, as one short of memory would.
WNDPROC g_listProc = nullptr;
constexpr WPARAM kRowsTaken = 3;

LRESULT CALLBACK RefusingListProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LVM_SETITEMCOUNT && wParam > kRowsTaken) return FALSE;
    return ::CallWindowProcA(g_listProc, wnd, message, wParam, lParam);
}

} // namespace

TEST_F(MainDialog, AListThatCannotTakeEveryEntryIsReadOnlyAndNeverShortensTheFile)
{
    WriteAccountFile("gina", "pw", {{"a", "1", ""}, {"b", "2", ""}, {"c", "3", ""}, {"d", "4", ""}, {"e", "5", ""}});
    const std::vector<char> before = ReadFile("gina.qrd");
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND list = ::GetDlgItem(m_main, IDC_LIST_ACCOUNTS);
    g_listProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RefusingListProc)));
    Login("gina", "pw");
    EXPECT_EQ(m_responder.Messages(),
              (std::vector<std::string>{"Login success.", "The list is incomplete: changes will not be saved."}));
    m_responder.Clear();
    EXPECT_EQ(RowCount(m_main), 0) << "no row rather than some";
    EXPECT_NE(Log().find("Fun:CKordaneDlg::OnBnClickedLogin"), std::string::npos) << Log();
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_LOGIN));

    // No edit is taken that would then be dropped.
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_INSERT));
    for (int id : kEditorIds) {
        EXPECT_TRUE(IsItemEnabled(m_main, id)) << id;
        EXPECT_TRUE(::GetWindowLongA(::GetDlgItem(m_main, id), GWL_STYLE) & ES_READONLY) << id;
    }
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_UPDATE));
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_DELETE));
    // Not even a command sent from outside changes a row.
    SetFields("x", "y", "z");
    for (int id : {IDC_BUTTON_INSERT, IDC_BUTTON_UPDATE, IDC_BUTTON_DELETE}) Click(m_main, id);
    EXPECT_TRUE(ListRows().empty());
    EXPECT_TRUE(m_responder.Messages().empty());

    ::SendMessageA(m_main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(ReadFile("gina.qrd"), before);
    Click(m_main, IDOK);
    EXPECT_TRUE(Pump(100)) << "nothing to save: Exit ends the program at once";
    Exit();
    EXPECT_EQ(ReadFile("gina.qrd"), before);
    EXPECT_FALSE(fs::exists("gina.qrd.lock"));
    EXPECT_TRUE(ReadRecoveryCopy("gina").empty());
}

namespace {

// A list view that refuses one kind of change while `g_refuse` names it.
UINT g_refuse = 0;
LRESULT CALLBACK RefusingEditsProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_refuse) return message == LVM_INSERTITEMA ? -1 : FALSE;
    return ::CallWindowProcA(g_listProc, wnd, message, wParam, lParam);
}

} // namespace

TEST_F(MainDialog, AnEditTheListRefusesChangesNothingThatIsSavedAndIsTold)
{
    WriteAccountFile("hugo", "pw", {{"a", "1", ""}, {"b", "2", ""}});
    ASSERT_NO_FATAL_FAILURE(Start());
    Login("hugo", "pw");
    m_responder.Clear();
    HWND list = ::GetDlgItem(m_main, IDC_LIST_ACCOUNTS);
    g_listProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RefusingEditsProc)));
    const std::vector<Row> rows{{"a", "1", ""}, {"b", "2", ""}};

    g_refuse = LVM_SETITEMCOUNT; // one row more
    Insert("c", "3", "x");
    EXPECT_EQ(ListRows(), rows) << "no row the list does not show";
    g_refuse = LVM_DELETEITEM;
    SelectRow(1);
    Click(m_main, IDC_BUTTON_DELETE);
    EXPECT_EQ(ListRows(), rows);
    const std::string told = "The list did not take the change: nothing was changed.";
    EXPECT_EQ(m_responder.Messages(), (std::vector<std::string>{told, told}));
    EXPECT_NE(Log().find("Fun:CKordaneDlg::ListRefused"), std::string::npos) << Log();

    // What the list shows is what is saved.
    g_refuse = 0;
    Insert("d", "4", "");
    Exit();
    EXPECT_EQ(ReadAccountFile("hugo"), (std::vector<Row>{{"a", "1", ""}, {"b", "2", ""}, {"d", "4", ""}}));
}

// The list keeps no rows of its own: it asks the dialog for what it shows,
// for where a typed name begins, and tells of a row made current.
TEST_F(MainDialog, TheListShowsTheDialogsRowsAndFindsATypedName)
{
    WriteAccountFile("ivy", "pw", {{"alpha", "1", ""}, {"Bravo", "2", "b"}, {"beta", "3", ""}});
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND list = ::GetDlgItem(m_main, IDC_LIST_ACCOUNTS);
    EXPECT_TRUE(::GetWindowLongA(list, GWL_STYLE) & LVS_OWNERDATA);
    Login("ivy", "pw");
    m_responder.Clear();
    ASSERT_EQ(RowCount(m_main), 3);

    // Typed letters select the next row whose account begins with them, any case.
    ::SetFocus(list);
    for (const char key : {'b', 'e'}) ::PostMessageA(list, WM_CHAR, static_cast<WPARAM>(key), 1);
    Pump(100);
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_ID), "beta");
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_PASSWORD), "3");
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_UPDATE));

    // An updated row is drawn from the dialog's rows at once.
    SelectRow(1);
    SetFields("Bravo", "22", "bb");
    Click(m_main, IDC_BUTTON_UPDATE);
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"alpha", "1", ""}, {"Bravo", "22", "bb"}, {"beta", "3", ""}}));
    LVFINDINFOA find{};
    find.flags = LVFI_STRING;
    find.psz = "BRAVO";
    EXPECT_EQ(::SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 1);
    find.psz = "bra";
    EXPECT_EQ(::SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), -1)
        << "a whole name, not its beginning";
    EXPECT_TRUE(m_responder.Messages().empty());
    Exit();
    EXPECT_EQ(ReadAccountFile("ivy"), (std::vector<Row>{{"alpha", "1", ""}, {"Bravo", "22", "bb"}, {"beta", "3", ""}}));
}

namespace {

int g_rowNotices = 0;

LRESULT CALLBACK CountRowNotices(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == LVN_DELETEITEM) ++g_rowNotices;
    return ::DefSubclassProc(wnd, message, wParam, lParam);
}

} // namespace

// The list keeps no rows of its own, so it has none to free one by one and
// tells of none: a list of 100,000 rows of its own took seconds to destroy.
TEST_F(MainDialog, RowsGoWithoutANoticePerRow)
{
    WriteAccountFile("rhea", "pw", {{"a", "1", ""}, {"b", "2", ""}, {"c", "3", ""}});
    ASSERT_NO_FATAL_FAILURE(Start());
    Login("rhea", "pw");
    ASSERT_EQ(RowCount(m_main), 3);
    g_rowNotices = 0;
    ASSERT_TRUE(::SetWindowSubclass(m_main, &CountRowNotices, 1, 0));
    Exit();
    EXPECT_EQ(g_rowNotices, 0);
    EXPECT_EQ(ReadAccountFile("rhea"), (std::vector<Row>{{"a", "1", ""}, {"b", "2", ""}, {"c", "3", ""}}));
}
