// Operates a running Kordane.exe (Program) from the test process as a user
// would: its login and create-administrator dialogs, its message boxes and
// its editor. Every step waits until the program has reacted.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "StartupSupport.h"
#include "resource.h"

namespace kdtest {

// The text of the program's next message box, confirmed with OK; empty when
// none showed within `ms` or when `dialog` (if given) closed first.
inline std::string AnswerMessage(const Program& program, HWND dialog = nullptr, DWORD ms = 10000)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND box = program.WaitWindow("Message Box", 0)) {
            const std::string text = ItemText(box, IDC_STATIC_MESSAGE);
            PostClick(box, IDC_BUTTON_MESSAGE_OK);
            while (::IsWindow(box) && ::GetTickCount() - start < ms) ::Sleep(20);
            if (HWND main = program.WaitWindow("Kordane", 0)) Sync(main);
            return text;
        }
        if ((dialog && !::IsWindow(dialog)) || ::GetTickCount() - start > ms) return {};
        ::Sleep(20);
    }
}

// Fills the login dialog and presses OK: the message it led to. After a
// failure the dialog is still open (CancelDialog closes it).
inline std::string Login(const Program& program, const std::string& account, const std::string& password)
{
    program.Press(IDC_BUTTON_LOGIN);
    HWND dialog = program.WaitWindow("Login Dialog");
    if (!dialog) return "(no login dialog)";
    SetItemText(dialog, IDC_EDIT_ACCOUNT, account);
    SetItemText(dialog, IDC_EDIT_PASSWORD, password);
    PostClick(dialog, IDOK);
    return AnswerMessage(program); // a successful login closes its dialog, then tells so
}

// Fills the create-administrator dialog and presses OK: the message it led
// to, empty when the dialog closed without one (success).
inline std::string CreateAdmin(const Program& program, const std::string& account, const std::string& password)
{
    program.Press(IDC_BUTTON_CREATEADMIN);
    HWND dialog = program.WaitWindow("Create Admin Dialog");
    if (!dialog) return "(no create dialog)";
    SetItemText(dialog, IDC_EDIT_ACCOUNT, account);
    SetItemText(dialog, IDC_EDIT_PASSWORD, password);
    SetItemText(dialog, IDC_EDIT_CONFIRM, password);
    PostClick(dialog, IDOK);
    std::string message = AnswerMessage(program, dialog);
    if (HWND main = program.WaitWindow("Kordane", 0)) Sync(main);
    return message;
}

// The main window of a started program once `account` has been created in it;
// null when a step failed, with that step or the message it led to in `failure`.
inline HWND MainWithNewAdmin(const Program& program, const std::string& account, const std::string& password,
                             std::string& failure)
{
    HWND main = program.started() ? program.WaitWindow("Kordane") : nullptr;
    if (!main) {
        // The exit code tells a refused start-up from a crash (an exception code, 0xC...).
        char ended[64] = "";
        if (const long code = program.WaitExit(0); code != -1)
            std::snprintf(ended, sizeof ended, ": the program ended with 0x%lX", static_cast<unsigned long>(code));
        failure = std::string("(no main window") + ended + ")";
        return nullptr;
    }
    failure = CreateAdmin(program, account, password);
    return failure.empty() ? main : nullptr;
}

inline void CancelDialog(const Program& program, const std::string& caption)
{
    if (HWND dialog = program.WaitWindow(caption, 2000)) PostClick(dialog, IDCANCEL);
    (void)program.WaitGone(caption);
}

inline int AccountRows(HWND main)
{
    return ListRowCount(::GetDlgItem(main, IDC_LIST_ACCOUNTS));
}

inline void InsertRow(HWND main, const std::string& id, const std::string& password, const std::string& comment)
{
    SetItemText(main, IDC_EDIT_ID, id);
    SetItemText(main, IDC_EDIT_PASSWORD, password);
    SetItemText(main, IDC_EDIT_COMMENT, comment);
    const int before = AccountRows(main);
    PostClick(main, IDC_BUTTON_INSERT);
    // A posted click may come after the next sent message: wait for its row.
    for (const DWORD start = ::GetTickCount(); AccountRows(main) == before && ::GetTickCount() - start < 5000;)
        Sync(main);
}

} // namespace kdtest
