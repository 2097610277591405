// The login and create-administrator dialogs: their checks in order, the
// messages, where the focus goes, the diagnostic lines, and what they leave
// in the account files.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>

#include "CCreateAdminDlg.h"
#include "CLoginDlg.h"
#include "SessionTest.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using LoginDialog = Session;
using CreateAdminDialog = Session;
using Messages = std::vector<std::string>;

} // namespace

TEST_F(LoginDialog, ChecksTheFieldsThenTheFileThenThePassword)
{
    WriteAccountFile("Grace", "Pass", {{"a", "b", "c"}});
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("", "x");
    LoginExpectingFailure("Grace", "");
    LoginExpectingFailure("nobody", "x");
    LoginExpectingFailure("Grace", "pass");   // password case differs
    LoginExpectingFailure("grace", "Pass");   // finds the file, fails the exact comparison
    EXPECT_EQ(m_responder.Messages(),
              (Messages{"Please input the account.", "Please input the password.", "Login Failed:Account error.",
                        "Login Failed:Password error.", "Login Failed:Password error."}));
    const std::vector<int> focus = m_responder.FocusAfterMessages();
    ASSERT_GE(focus.size(), 2u);
    EXPECT_EQ(focus[0], 1017);
    EXPECT_EQ(focus[1], 1009);
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_LOGIN)) << "still logged out";
    EXPECT_EQ(ListView_GetItemCount(::GetDlgItem(m_main, IDC_LIST_ACCOUNTS)), 0);
}

TEST_F(LoginDialog, FailedOrCancelledLoginLeavesTheFileAsItWas)
{
    WriteAccountFile("heidi", "pw", {{"one", "1", ""}, {"two", "2", "c"}});
    const std::vector<char> before = ReadFile("heidi.qrd");
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("heidi", "wrong");
    m_responder.Expect(kLoginCaption, [](HWND dlg) { DialogResponder::Fill(dlg, {{1017, "heidi"}}, IDCANCEL); });
    Click(m_main, IDC_BUTTON_LOGIN);
    Exit();
    EXPECT_EQ(ReadFile("heidi.qrd"), before);
}

TEST_F(LoginDialog, EmptyFileLeftByAnAbortedCreationHasNoAdministrator)
{
    std::ofstream("ivan.qrd").close();
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("ivan", "pw");
    CreateAdminExpectingFailure("ivan", "pw", "pw");
    EXPECT_EQ(m_responder.Messages(), (Messages{"Login Failed:Password error.", "Error:The Account is existend."}));
    Exit();
    EXPECT_EQ(fs::file_size("ivan.qrd"), 0u);
}

TEST_F(CreateAdminDialog, ChecksItsFieldsInOrder)
{
    std::ofstream("judy.qrd").close();
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdminExpectingFailure("", "p", "p");
    CreateAdminExpectingFailure("kim", "", "p");
    CreateAdminExpectingFailure("kim", "p", "");
    CreateAdminExpectingFailure("kim", "Pw", "pW");
    CreateAdminExpectingFailure("judy", "p", "p");
    EXPECT_EQ(m_responder.Messages(),
              (Messages{"Please input the account.", "Please input the password.", "Please input the confirm password.",
                        "Two passwords must be same.", "Error:The Account is existend."}));
    EXPECT_EQ(m_responder.FocusAfterMessages(), (std::vector<int>{1017, 1009, 1016, 1009, 1017}));
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

TEST_F(CreateAdminDialog, WithoutMainWindowLogsLine89AndLoginStaysSilent)
{
    ASSERT_TRUE(CKordaneApp::CreateComponents());
    fs::create_directory("Scrivet");
    ASSERT_TRUE(g_pLog->OpenLog((m_folder.path() / "Scrivet" / "t.txt").string().c_str()));

    CCreateAdminDlg create;
    m_responder.Expect(kCreateCaption, [](HWND dlg) {
        DialogResponder::Fill(dlg, {{1017, "leo"}, {1009, "p"}, {1016, "p"}}, IDOK);
    });
    m_responder.Expect(kCreateCaption, [](HWND dlg) { DialogResponder::Fill(dlg, {}, IDCANCEL); });
    EXPECT_EQ(create.DoModal(), IDCANCEL);

    CLoginDlg login;
    m_responder.Expect(kLoginCaption, [](HWND dlg) { DialogResponder::Fill(dlg, {{1017, "leo"}, {1009, "p"}}, IDOK); });
    m_responder.Expect(kLoginCaption, [](HWND dlg) { DialogResponder::Fill(dlg, {}, IDCANCEL); });
    EXPECT_EQ(login.DoModal(), IDCANCEL);

    CKordaneApp::ReleaseComponents();
    const std::string log = ReadText(m_folder.path() / "Scrivet" / "t.txt");
    EXPECT_NE(log.find("Line:89,Fun:CCreateAdminDlg::OnBnClickedOk"), std::string::npos) << log;
    EXPECT_EQ(log.find("CLoginDlg"), std::string::npos) << log;
    EXPECT_TRUE(m_responder.Messages().empty());
    EXPECT_FALSE(fs::exists("leo.qrd"));
}

TEST_F(LoginDialog, FieldsTakeAtMost127Characters)
{
    const std::string admin(127, 'm');
    const std::string password(127, 'P');
    WriteAccountFile(admin.substr(0, 100), password, {});
    ASSERT_NO_FATAL_FAILURE(Start());
    m_responder.Expect(kLoginCaption, [&](HWND dlg) {
        EXPECT_EQ(::SendMessageA(::GetDlgItem(dlg, 1017), EM_GETLIMITTEXT, 0, 0), 127);
        EXPECT_EQ(::SendMessageA(::GetDlgItem(dlg, 1009), EM_GETLIMITTEXT, 0, 0), 127);
        DialogResponder::Fill(dlg, {{1017, admin.substr(0, 100)}, {1009, password}}, IDOK);
    });
    Click(m_main, IDC_BUTTON_LOGIN);
    EXPECT_EQ(m_responder.Messages(), Messages{"Login success."});
}
