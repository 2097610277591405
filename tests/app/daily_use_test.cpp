// Daily use of the main dialog: copying a text of an entry without showing
// it, read back by another process; the clipboard taken back after its delay,
// at Exit and at log-off, but never what another program copied since; Find
// and F3; and the keyboard alone reaching every control.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ProcessTestSupport.h"
#include "AppTest.h"

using namespace kdtest;

namespace {

constexpr const char* kPrivateMarks = "ExcludeClipboardContentFromMonitorProcessing=0\n"
                                      "CanIncludeInClipboardHistory=0\n"
                                      "CanUploadToCloudClipboard=0\n";

const std::vector<Row> kEntries = {
    {"web", "W3b-pass", ""}, {"mail", "MailPass", "personal"}, {"Bank", "b4nk", "WEB shop"}, {"other", "c", "x"}};

// What another process reads from the clipboard: "text=..." or "no text",
// then the privacy marks it holds.
std::string ClipboardSeenFromOutside()
{
    const ProgramOutput read = RunCapturing("\"" + (BinDirectory() / "uidriver.exe").string() + "\" clipboard");
    EXPECT_EQ(read.exitCode, 0u) << read.out;
    return read.out;
}

// The same text read in this process, where a check needs no second one.
std::string ClipboardText()
{
    if (!::OpenClipboard(nullptr)) return "the clipboard is busy";
    std::string seen = "no text";
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(::GlobalLock(data))) {
            const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
            std::string text(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
            ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
            ::GlobalUnlock(data);
            seen = "text=" + std::string(text.c_str());
        }
    }
    ::CloseClipboard();
    return seen;
}

void CopyFromAnotherProgram(const std::string& text)
{
    const ProgramOutput copy =
        RunCapturing("\"" + (BinDirectory() / "uidriver.exe").string() + "\" copy \"" + text + "\"");
    EXPECT_EQ(copy.exitCode, 0u) << copy.out;
}

// A key typed, and its effect given time.
void Type(WORD key, WORD modifier = 0)
{
    EXPECT_TRUE(SendKey(key, modifier));
    Pump(250);
}

void FocusOn(HWND top, HWND control)
{
    ::SetForegroundWindow(top);
    ::SetActiveWindow(top);
    ::SetFocus(control);
    Pump(100);
}

int SelectedCount(HWND main)
{
    return static_cast<int>(::SendMessageA(::GetDlgItem(main, IDC_LIST_ACCOUNTS), LVM_GETSELECTEDCOUNT, 0, 0));
}

int FocusedRow(HWND main)
{
    return static_cast<int>(
        ::SendMessageA(::GetDlgItem(main, IDC_LIST_ACCOUNTS), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

HWND FindWindowOf(HWND main)
{
    for (HWND wnd : FindWindows(WindowQuery().Titled("Find")))
        if (::GetWindow(wnd, GW_OWNER) == main) return wnd;
    return nullptr;
}

// The context menu's items, read while its loop runs, then one picked by its
// mnemonic (0: closed with Escape).
struct MenuSeen {
    std::vector<std::string> items;
    std::vector<bool> enabled;
};
MenuSeen PickFromContextMenu(HWND main, char mnemonic, bool shiftF10 = false)
{
    MenuSeen seen;
    std::atomic<bool> done{false};
    std::thread picker([&] {
        const ULONGLONG end = ::GetTickCount64() + 10000;
        HWND menu = nullptr;
        while (!menu && ::GetTickCount64() < end) {
            HWND found = ::FindWindowA("#32768", nullptr);
            if (found && ::IsWindowVisible(found))
                menu = found;
            else
                ::Sleep(20);
        }
        if (menu) {
            const auto popup = reinterpret_cast<HMENU>(::SendMessageA(menu, MN_GETHMENU, 0, 0));
            for (int i = 0; popup && i < ::GetMenuItemCount(popup); ++i) {
                char text[128] = {};
                ::GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
                seen.items.emplace_back(text);
                seen.enabled.push_back(!(::GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED));
            }
            if (mnemonic)
                ::PostMessageA(menu, WM_CHAR, static_cast<WPARAM>(mnemonic), 0);
            else
                ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        }
        done = true;
    });
    HWND list = ::GetDlgItem(main, IDC_LIST_ACCOUNTS);
    if (shiftF10) {
        ::SetForegroundWindow(main);
        ::SetFocus(list);
        (void)SendKey(VK_F10, VK_SHIFT);
    } else {
        // What Shift+F10 and the Menu key send: no position.
        ::PostMessageA(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
    }
    while (!done) Pump(50);
    picker.join();
    Pump(200);
    return seen;
}

class DailyUse : public AppTest {
protected:
    // The administrator's file holding kEntries, and the program logged in to it.
    void LogIn()
    {
        WriteAccountFile("admin", "pw", kEntries);
        ASSERT_NO_FATAL_FAILURE(Start());
        Login("admin", "pw");
    }
    // A row made current and the list focused, for the list's shortcuts; answers the list.
    HWND FocusListOnRow(int row)
    {
        HWND list = ::GetDlgItem(m_main, IDC_LIST_ACCOUNTS);
        SelectRow(row);
        FocusOn(m_main, list);
        return list;
    }
};

} // namespace

TEST_F(DailyUse, ACopiedTextIsMarkedPrivateAndTakenBackTwelveSecondsLater)
{
    LogIn();
    (void)FocusListOnRow(1);

    Type('B', VK_CONTROL);
    EXPECT_EQ(ClipboardText(), "text=mail");
    // A new copy starts the delay again; the copy is there until it ends.
    Type('C', VK_CONTROL);
    const ULONGLONG copied = ::GetTickCount64();
    EXPECT_EQ(ClipboardSeenFromOutside(), std::string("text=MailPass\n") + kPrivateMarks);
    const ULONGLONG read = ::GetTickCount64();
    if (read < copied + 11000) Pump(static_cast<DWORD>(copied + 11000 - read));
    EXPECT_EQ(ClipboardText(), "text=MailPass");
    const ULONGLONG now = ::GetTickCount64();
    Pump(now < copied + 13000 ? static_cast<DWORD>(copied + 13000 - now) : 300);
    EXPECT_EQ(ClipboardSeenFromOutside(), "no text\n");
}

TEST_F(DailyUse, WhatAnotherProgramCopiedIsKeptWhileExitAndLogOffTakeTheCopyBack)
{
    LogIn();
    HWND list = FocusListOnRow(0);

    Type('C', VK_CONTROL);
    CopyFromAnotherProgram("copied elsewhere");
    ::SendMessageA(m_main, WM_TIMER, CKordaneDlg::kClipboardTimer, 0); // the delay is over
    EXPECT_EQ(ClipboardSeenFromOutside(), "text=copied elsewhere\n");

    Type('C', VK_CONTROL);
    EXPECT_EQ(ClipboardText(), "text=W3b-pass");
    ::SendMessageA(m_main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    ::SendMessageA(m_main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(ClipboardText(), "no text") << "at log-off";

    // Ctrl+C in a field is the field's own copy, of its selection.
    HWND comment = ::GetDlgItem(m_main, IDC_EDIT_COMMENT);
    SetItemText(m_main, IDC_EDIT_COMMENT, "personal");
    FocusOn(m_main, comment);
    ::SendMessageA(comment, EM_SETSEL, 0, -1);
    Type('C', VK_CONTROL);
    EXPECT_EQ(ClipboardText(), "text=personal");

    FocusOn(m_main, list);
    Type('B', VK_CONTROL);
    EXPECT_EQ(ClipboardText(), "text=web");
    Exit();
    EXPECT_EQ(ClipboardSeenFromOutside(), "no text\n") << "at Exit";
}

TEST_F(DailyUse, TheListsMenuCopiesEachTextOfTheSelectedRow)
{
    LogIn();

    // No row selected: nothing to copy.
    MenuSeen seen = PickFromContextMenu(m_main, 0);
    EXPECT_EQ(seen.items,
              (std::vector<std::string>{"Copy &Account\tCtrl+B", "Copy &Password\tCtrl+C", "Copy &Comment"}));
    EXPECT_EQ(seen.enabled, (std::vector<bool>{false, false, false}));

    SelectRow(2);
    seen = PickFromContextMenu(m_main, 'c');
    EXPECT_EQ(seen.enabled, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(ClipboardSeenFromOutside(), std::string("text=WEB shop\n") + kPrivateMarks);
    (void)PickFromContextMenu(m_main, 'p');
    EXPECT_EQ(ClipboardText(), "text=b4nk");
    seen = PickFromContextMenu(m_main, 'a', true);
    EXPECT_EQ(seen.items.size(), 3u) << "Shift+F10 opens the menu";
    EXPECT_EQ(ClipboardText(), "text=Bank");
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_PASSWORD), "b4nk") << "the row is still the current one";
}

TEST_F(DailyUse, FindSelectsAndLoadsTheNextMatchWrapsAndSaysWhenNothingMatches)
{
    LogIn();
    FocusOn(m_main, ::GetDlgItem(m_main, IDC_EDIT_ID));

    Type('F', VK_CONTROL);
    HWND find = FindWindowOf(m_main);
    ASSERT_NE(find, nullptr) << "Ctrl+F opens Find";
    EXPECT_EQ(::GetDlgCtrlID(::GetFocus()), IDC_EDIT_FIND);
    // The status line shows only while it has something to say.
    auto status = [&] {
        HWND line = ::GetDlgItem(find, IDC_STATIC_FIND_STATUS);
        return ::IsWindowVisible(line) ? WindowText(line) : "";
    };

    // Typing finds at once, in any column and any letter case, as a click loads a row.
    SetItemText(find, IDC_EDIT_FIND, "WEB");
    Pump(100);
    EXPECT_EQ(FocusedRow(m_main), 0);
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_ID), "web");
    EXPECT_EQ(status(), "");
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_UPDATE));

    Click(find, IDOK); // Find Next: the comment "WEB shop"
    EXPECT_EQ(FocusedRow(m_main), 2);
    EXPECT_EQ(SelectedCount(m_main), 1);
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_ID), "Bank");
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_COMMENT), "WEB shop");

    Type(VK_F3); // in Find: round from the top
    EXPECT_EQ(FocusedRow(m_main), 0);
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_ID), "web");
    EXPECT_EQ(status(), "Passed the last entry: found from the top.");

    SetItemText(find, IDC_EDIT_FIND, "nowhere");
    Pump(100);
    EXPECT_EQ(status(), "Not found: no entry contains \"nowhere\".");
    EXPECT_EQ(FocusedRow(m_main), 0) << "nothing found moves nothing";
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_ID), "web");

    // Escape closes Find; F3 in the main window goes on with the same text
    // and, finding nothing, says so in Find.
    SetItemText(find, IDC_EDIT_FIND, "pass");
    Pump(100);
    EXPECT_EQ(FocusedRow(m_main), 0);
    FocusOn(find, ::GetDlgItem(find, IDC_EDIT_FIND));
    Type(VK_ESCAPE);
    EXPECT_FALSE(::IsWindow(find));
    FocusOn(m_main, ::GetDlgItem(m_main, IDC_LIST_ACCOUNTS));
    Type(VK_F3);
    EXPECT_EQ(FocusedRow(m_main), 1);
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_PASSWORD), "MailPass");
    EXPECT_EQ(FindWindowOf(m_main), nullptr) << "a plain find opens nothing";
    Type(VK_F3);
    find = FindWindowOf(m_main);
    ASSERT_NE(find, nullptr) << "passing the end is said in Find";
    EXPECT_EQ(status(), "Passed the last entry: found from the top.");
    EXPECT_EQ(FocusedRow(m_main), 0);
    // Return in Find is Find Next.
    FocusOn(find, ::GetDlgItem(find, IDC_EDIT_FIND));
    Type(VK_RETURN);
    EXPECT_EQ(FocusedRow(m_main), 1);
}

TEST_F(DailyUse, TheKeyboardAloneReachesEveryControlInTheTemplatesOrder)
{
    WriteAccountFile("admin", "pw", kEntries);
    Start();
    // Logged out: the command buttons and the list (the editor is disabled).
    FocusOn(m_main, ::GetDlgItem(m_main, IDC_BUTTON_LOGIN));
    auto cycle = [&] {
        std::vector<int> visited{::GetDlgCtrlID(::GetFocus())};
        for (int i = 0; i < 20; ++i) {
            Type(VK_TAB);
            const int id = ::GetDlgCtrlID(::GetFocus());
            if (id == visited.front()) break;
            visited.push_back(id);
        }
        return visited;
    };
    EXPECT_EQ(cycle(),
              (std::vector<int>{IDC_BUTTON_LOGIN, IDC_BUTTON_HELP, IDC_BUTTON_CREATEADMIN, IDOK, IDC_LIST_ACCOUNTS}));
    Login("admin", "pw");
    SelectRow(0);
    FocusOn(m_main, ::GetDlgItem(m_main, IDC_BUTTON_HELP));
    EXPECT_EQ(cycle(), (std::vector<int>{IDC_BUTTON_HELP, IDOK, IDC_EDIT_ID, IDC_EDIT_PASSWORD, IDC_EDIT_COMMENT,
                                         IDC_BUTTON_INSERT, IDC_BUTTON_UPDATE, IDC_BUTTON_DELETE, IDC_LIST_ACCOUNTS}));
    // Arrow keys in the list make the next row current, as a click does.
    FocusOn(m_main, ::GetDlgItem(m_main, IDC_LIST_ACCOUNTS));
    Type(VK_DOWN);
    EXPECT_EQ(ItemText(m_main, IDC_EDIT_ID), "mail");
    // A mnemonic presses its button: Alt+U updates the current row.
    SetItemText(m_main, IDC_EDIT_COMMENT, "work");
    Type('U', VK_MENU);
    EXPECT_EQ(Cell(1, 2), "work");
}
