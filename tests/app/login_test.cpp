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

namespace {

BOOL CALLBACK LongestStaticText(HWND child, LPARAM lp)
{
    auto* out = reinterpret_cast<std::string*>(lp);
    if (ClassName(child) == "Static" && WindowText(child).size() > out->size()) *out = WindowText(child);
    return TRUE;
}

// The text of a platform message box (its one static text with words in it).
std::string MessageBoxText(HWND box)
{
    std::string text;
    ::EnumChildWindows(box, LongestStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

// The skin keeps a dialog's caption to itself: the platform message box's
// window text stays empty.
constexpr const char* kQuestionCaption = "";

// Answers the question whether to restore a copy, noting that it was asked.
DialogResponder::Action Answer(int button, std::vector<std::string>& asked)
{
    return [button, &asked](HWND box) {
        asked.push_back(MessageBoxText(box));
        PostClick(box, button);
    };
}

std::vector<std::string> Entries()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::current_path()))
        if (entry.path().filename().string().find(".qrd") != std::string::npos)
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteBytes(const fs::path& path, const std::vector<char>& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

// Each killed save leaves "<name>.qrd.<n>.tmp", a whole copy of the list or a
// part of one. With the lock taken at login they are removed, whatever the
// password; other administrators' files and other names are left alone.
TEST_F(LoginDialog, RemovesTheAdministratorsStaleTemporaryFiles)
{
    WriteAccountFile("abe", "pw", {{"a", "1", ""}});
    const std::vector<char> whole = ReadFile("abe.qrd");
    WriteBytes("abe.qrd.123.tmp", whole);
    WriteBytes("abe.qrd.456.tmp", std::vector<char>(whole.begin(), whole.begin() + 700));
    WriteBytes("abel.qrd.7.tmp", whole);
    WriteBytes("abe.qrd.x.tmp", whole);
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("abe", "wrong");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"abe.qrd", "abe.qrd.x.tmp", "abel.qrd.7.tmp"}));
    Login("abe", "pw");
    EXPECT_EQ(m_responder.Messages(), (Messages{"Login Failed:Password error.", "Login success."}));
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", ""}}));
}

// The account file is gone, a killed save's whole copy is there: the user is
// asked, and on yes the copy takes the file's place and the login goes on.
TEST_F(LoginDialog, AMissingFileGetsItsWholeCopyBackOnYes)
{
    WriteAccountFile("bea", "pw", {{"a", "1", ""}, {"b", "2", "c"}});
    const std::vector<char> whole = ReadFile("bea.qrd");
    fs::rename("bea.qrd", "bea.qrd.99.tmp");
    WriteBytes("bea.qrd.100.tmp", std::vector<char>(whole.begin(), whole.end() - 10));  // newer, cut short
    ASSERT_NO_FATAL_FAILURE(Start());
    std::vector<std::string> asked;
    m_responder.Expect(kLoginCaption, LoginWith("bea", "pw"));
    m_responder.Expect(kQuestionCaption, Answer(IDYES, asked));
    Click(m_main, IDC_BUTTON_LOGIN);
    EXPECT_EQ(asked, std::vector<std::string>{CLoginDlg::kRestoreText});
    EXPECT_EQ(m_responder.Messages(), Messages{"Login success."});
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", ""}, {"b", "2", "c"}}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"bea.qrd", "bea.qrd.lock"}));
    EXPECT_EQ(ReadFile("bea.qrd"), whole);
}

// An empty file and the recovery copy of a session that ended unsaved: on no
// the login goes on as it always did, and the copy stays for another time.
TEST_F(LoginDialog, AnEmptyFileKeepsItsOldAnswerOnNo)
{
    WriteAccountFile("cid", "pw", {{"a", "1", ""}});
    fs::rename("cid.qrd", "cid.qrd.recovery");
    std::ofstream("cid.qrd").close();
    ASSERT_NO_FATAL_FAILURE(Start());
    std::vector<std::string> asked;
    m_responder.Expect(kLoginCaption, LoginWith("cid", "pw"));
    m_responder.Expect(kQuestionCaption, Answer(IDNO, asked));
    m_responder.Expect(kLoginCaption, Pressing(IDCANCEL));
    Click(m_main, IDC_BUTTON_LOGIN);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(m_responder.Messages(), Messages{"Login Failed:Password error."});
    EXPECT_EQ(Entries(), (std::vector<std::string>{"cid.qrd", "cid.qrd.recovery"}));
    EXPECT_EQ(fs::file_size("cid.qrd"), 0u);

    m_responder.Expect(kLoginCaption, LoginWith("cid", "pw"));
    m_responder.Expect(kQuestionCaption, Answer(IDYES, asked));
    Click(m_main, IDC_BUTTON_LOGIN);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(m_responder.Messages(), (Messages{"Login Failed:Password error.", "Login success."}));
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", ""}}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"cid.qrd", "cid.qrd.lock"}));
}

// A copy cut short is no copy: nothing is asked, the old answer stands.
TEST_F(LoginDialog, AnIncompleteCopyIsNotOffered)
{
    WriteAccountFile("dan", "pw", {{"a", "1", ""}});
    const std::vector<char> whole = ReadFile("dan.qrd");
    fs::remove("dan.qrd");
    WriteBytes("dan.qrd.5.tmp", std::vector<char>(whole.begin(), whole.end() - 1));
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("dan", "pw");
    EXPECT_EQ(m_responder.Messages(), Messages{"Login Failed:Account error."});
    EXPECT_TRUE(Entries().empty());
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
