// The login and create-administrator dialogs: their checks in order, the
// messages, where the focus goes, the diagnostic lines, and what they leave
// in the account files.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CCreateAdminDlg.h"
#include "CLoginDlg.h"
#include "AppTest.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using LoginDialog = AppTest;
using CreateAdminDialog = AppTest;
using Messages = std::vector<std::string>;

} // namespace

TEST_F(LoginDialog, ChecksTheFieldsThenTheFileThenThePassword)
{
    WriteAccountFile("Grace", "Pass", {{"a", "b", "c"}});
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("", "x");
    LoginExpectingFailure("Grace", "");
    LoginExpectingFailure("nobody", "x");
    LoginExpectingFailure("Grace", "pass"); // password case differs
    LoginExpectingFailure("grace", "Pass"); // finds the file, fails the exact comparison
    EXPECT_EQ(m_responder.Messages(),
              (Messages{"Please input the account.", "Please input the password.", "Login Failed:Account error.",
                        "Login Failed:Password error.", "Login Failed:Password error."}));
    const std::vector<int> focus = m_responder.FocusAfterMessages();
    ASSERT_GE(focus.size(), 2u);
    EXPECT_EQ(focus[0], IDC_EDIT_ACCOUNT);
    EXPECT_EQ(focus[1], IDC_EDIT_PASSWORD);
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_LOGIN)) << "still logged out";
    EXPECT_EQ(ListView_GetItemCount(::GetDlgItem(m_main, IDC_LIST_ACCOUNTS)), 0);
}

TEST_F(LoginDialog, FailedOrCancelledLoginLeavesTheFileAsItWas)
{
    WriteAccountFile("heidi", "pw", {{"one", "1", ""}, {"two", "2", "c"}});
    const std::vector<char> before = ReadFile("heidi.qrd");
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("heidi", "wrong");
    m_responder.Expect(kLoginCaption, LoginWith("heidi", "", IDCANCEL));
    Click(m_main, IDC_BUTTON_LOGIN);
    Exit();
    EXPECT_EQ(ReadFile("heidi.qrd"), before);
}

// An older version left the file empty when it crashed right after creating
// it: no administrator can log in to it, and creating the administrator again
// takes the name back.
TEST_F(LoginDialog, EmptyFileLeftByAnAbortedCreationCanBeCreatedAgain)
{
    std::ofstream("ivan.qrd").close();
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("ivan", "pw");
    EXPECT_EQ(fs::file_size("ivan.qrd"), 0u);
    CreateAdmin("ivan", "pw", "pw");
    EXPECT_EQ(m_responder.Messages(), (Messages{"Login Failed:Password error."}));
    EXPECT_FALSE(IsItemEnabled(m_main, IDC_BUTTON_CREATEADMIN)) << "created";
    Insert("mail", "m1", "");
    Exit();
    EXPECT_EQ(ReadAccountFile("ivan"), (std::vector<Row>{{"mail", "m1", ""}}));
}

TEST_F(CreateAdminDialog, ChecksItsFieldsInOrder)
{
    WriteAccountFile("judy", "theirs", {{"a", "b", "c"}});
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdminExpectingFailure("", "p", "p");
    CreateAdminExpectingFailure("kim", "", "p");
    CreateAdminExpectingFailure("kim", "p", "");
    CreateAdminExpectingFailure("kim", "Pw", "pW");
    CreateAdminExpectingFailure("judy", "p", "p");
    EXPECT_EQ(m_responder.Messages(),
              (Messages{"Please input the account.", "Please input the password.", "Please input the confirm password.",
                        "Two passwords must be same.", "Error:The Account is existend."}));
    EXPECT_EQ(m_responder.FocusAfterMessages(), (std::vector<int>{IDC_EDIT_ACCOUNT, IDC_EDIT_PASSWORD, IDC_EDIT_CONFIRM,
                                                                  IDC_EDIT_PASSWORD, IDC_EDIT_ACCOUNT}));
    EXPECT_FALSE(fs::exists("kim.qrd"));
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_CREATEADMIN));
}

TEST_F(CreateAdminDialog, NameThatCannotBeAFileLogsLine101WithoutMessage)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdminExpectingFailure("a|b", "p", "p");
    LoginExpectingFailure("a|b", "p");
    EXPECT_EQ(m_responder.Messages(), Messages{"Login Failed:Account error."});
    EXPECT_NE(Log().find("Line:101,Fun:CCreateAdminDlg::OnBnClickedOk"), std::string::npos) << Log();
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_CREATEADMIN));
}

// The dialogs act on the session they are handed, whichever window owns it:
// nothing of theirs looks for a main window.
TEST_F(CreateAdminDialog, WithoutMainWindowWorksOnTheSessionItIsGiven)
{
    ASSERT_TRUE(CKordaneApp::CreateComponents());
    fs::create_directory("Scrivet");
    ASSERT_TRUE(g_pLog->OpenLog((m_folder.path() / "Scrivet" / "t.txt").string().c_str()));

    {
        CAdminSession session;
        CCreateAdminDlg create(session);
        m_responder.Expect(kCreateCaption, CreateWith("leo", "p", "p"));
        EXPECT_EQ(create.DoModal(), IDOK);
    }
    EXPECT_TRUE(fs::exists("leo.qrd"));

    CAdminSession session;
    CLoginDlg login(session);
    m_responder.Expect(kLoginCaption, LoginWith("leo", "p"));
    EXPECT_EQ(login.DoModal(), IDOK);
    EXPECT_TRUE(session.Store().IsAdministrator("leo", "p"));
    session.Abandon();

    CKordaneApp::ReleaseComponents();
    const std::string log = ReadText(m_folder.path() / "Scrivet" / "t.txt");
    EXPECT_EQ(log.find("Line:"), std::string::npos) << log;
    EXPECT_TRUE(m_responder.Messages().empty());
}

TEST_F(LoginDialog, FieldsTakeAtMost127Characters)
{
    const std::string admin(127, 'm');
    const std::string password(127, 'P');
    WriteAccountFile(admin.substr(0, 100), password, {});
    ASSERT_NO_FATAL_FAILURE(Start());
    m_responder.Expect(kLoginCaption, [&](HWND dlg) {
        EXPECT_EQ(::SendMessageA(::GetDlgItem(dlg, IDC_EDIT_ACCOUNT), EM_GETLIMITTEXT, 0, 0), 127);
        EXPECT_EQ(::SendMessageA(::GetDlgItem(dlg, IDC_EDIT_PASSWORD), EM_GETLIMITTEXT, 0, 0), 127);
        DialogResponder::Fill(dlg, {{IDC_EDIT_ACCOUNT, admin.substr(0, 100)}, {IDC_EDIT_PASSWORD, password}}, IDOK);
    });
    Click(m_main, IDC_BUTTON_LOGIN);
    EXPECT_EQ(m_responder.Messages(), Messages{"Login success."});
}

// The folder current at login keeps the file for the whole session, whatever
// the current folder is when the session ends.
TEST_F(LoginDialog, TheSessionSavesInTheFolderItLoggedInFrom)
{
    WriteAccountFile("eve", "pw", {{"a", "1", ""}});
    ASSERT_NO_FATAL_FAILURE(Start());
    Login("eve", "pw");
    Insert("b", "2", "");
    fs::create_directory("later");
    fs::current_path("later");
    Exit();
    const bool savedElsewhere = fs::exists("eve.qrd");
    fs::current_path(m_folder.path());
    EXPECT_FALSE(savedElsewhere);
    EXPECT_EQ(ReadAccountFile("eve"), (std::vector<Row>{{"a", "1", ""}, {"b", "2", ""}}));
}

// A failed login has loaded the file; another program then replaces it with
// one that cannot be loaded (here far larger than memory). The next login
// must not succeed on what the first one loaded, nor the exit write it back.
TEST_F(LoginDialog, AFileThatNoLongerLoadsGivesNoLoginOnEarlierContents)
{
    WriteAccountFile("fay", "pw", {{"a", "1", ""}});
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("fay", "wrong");
    {
        std::FILE* f = std::fopen("fay.qrd", "wb");
        ASSERT_NE(f, nullptr);
        const long long size = sizeof(void*) == 4 ? (5LL << 30) : (1LL << 42);
        const bool written = _fseeki64(f, size - 1, SEEK_SET) == 0 && std::fputc(0, f) == 0 && std::fflush(f) == 0;
        std::fclose(f);
        if (!written) GTEST_SKIP() << "no sparse file of that size here";
    }
    const auto size = fs::file_size("fay.qrd");
    LoginExpectingFailure("fay", "pw");
    EXPECT_EQ(m_responder.Messages(), Messages{"Login Failed:Password error."});
    EXPECT_NE(Log().find("Line:83,Fun:CLoginDlg::OnBnClickedOk"), std::string::npos) << Log();
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_LOGIN)) << "still logged out";
    Exit();
    EXPECT_EQ(fs::file_size("fay.qrd"), size);
}
