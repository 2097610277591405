// One administrator, one Kordane at a time: while a program works on an
// administrator's account file, a second program can neither log in to it nor
// create it, so that neither overwrites the other's entries at its exit.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

#include "CAccountFile.h"
#include "CAccountLock.h"
#include "ProgramDriver.h"
#include "SessionTest.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using AccountLock = Session;
using Messages = std::vector<std::string>;

// True when some process holds the lock file without sharing.
bool LockHeld(const std::string& name)
{
    kd::unique_hfile probe(::CreateFileA((name + ".qrd.lock").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                         nullptr));
    return !probe && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

std::vector<std::string> AccountsIn(const std::string& admin)
{
    CAccountFile file;
    std::vector<std::string> accounts;
    if (!file.Open(admin.c_str())) return accounts;
    for (const AccountRecord& record : file.GetRecords()) accounts.emplace_back(kd::GetText(record.account));
    return accounts;
}

void WriteFile(const std::string& admin, const std::string& password, const std::vector<std::string>& accounts)
{
    CAccountFile file;
    ASSERT_TRUE(file.Open(admin.c_str()));
    kd::SetText(file.m_header.adminAccount, admin);
    kd::SetText(file.m_header.adminPassword, password);
    for (const std::string& account : accounts) {
        AccountRecord record{};
        kd::SetText(record.account, account);
        kd::SetText(record.password, "pw");
        file.AddRecord(record);
    }
    file.EnableSave();
    ASSERT_TRUE(file.Save());
}

} // namespace

TEST_F(AccountLock, IsHeldOnlyWhileTheProgramWorksOnTheAdministrator)
{
    WriteFile("sam", "pw", {"a"});
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("sam", "wrong");
    EXPECT_FALSE(fs::exists("sam.qrd.lock")) << "a failed login lets go at once";
    m_responder.Expect(kLoginCaption, [](HWND dlg) { DialogResponder::Fill(dlg, {{1017, "nobody"}}, IDCANCEL); });
    Click(m_main, IDC_BUTTON_LOGIN);
    Login("sam", "pw");
    EXPECT_TRUE(LockHeld("sam"));
    Exit();
    EXPECT_FALSE(fs::exists("sam.qrd.lock"));
    EXPECT_EQ(AccountsIn("sam"), Messages{"a"});
    EXPECT_EQ(Log().find("Fun:CLoginDlg"), std::string::npos) << Log();
}

TEST_F(AccountLock, ALeftoverLockFileThatNobodyHoldsIsNoObstacle)
{
    WriteFile("tina", "pw", {"a"});
    std::ofstream("tina.qrd.lock") << "left by a power cut";
    std::ofstream("uma.qrd.lock") << "left by a power cut";
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdminExpectingFailure("tina", "pw", "pw");  // the file exists: the usual message
    Login("tina", "pw");
    EXPECT_EQ(m_responder.Messages(), (Messages{"Error:The Account is existend.", "Login success."}));
    SetFields("b", "2", "");
    Click(m_main, IDC_BUTTON_INSERT);
    Exit();
    EXPECT_EQ(AccountsIn("tina"), (Messages{"a", "b"}));
    EXPECT_FALSE(fs::exists("tina.qrd.lock"));

    m_responder.Clear();
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("uma", "pw", "pw");
    EXPECT_TRUE(m_responder.Messages().empty());
    EXPECT_TRUE(LockHeld("uma"));
}

TEST(AccountLockProcess, ASecondProgramIsRefusedUntilTheFirstHasSaved)
{
    TempFolder folder("kd-lock");
    WriteFile("ann", "pw", {"first"});
    Program a(folder.path()), b(folder.path());
    ASSERT_TRUE(a.started() && b.started());
    HWND mainA = a.WaitWindow("Kordane"), mainB = b.WaitWindow("Kordane");
    ASSERT_TRUE(mainA && mainB);

    ASSERT_EQ(Login(a, "ann", "pw"), "Login success.");
    EXPECT_EQ(Login(b, "ann", "pw"), CAccountLock::kInUseText);
    CancelDialog(b, "Login Dialog");
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(mainB, IDC_BUTTON_LOGIN))) << "B stays logged out";
    EXPECT_EQ(CreateAdmin(b, "ann", "pw"), "Error:The Account is existend.");
    CancelDialog(b, "Create Admin Dialog");
    // Each program has a log of its own; whichever started second has the numbered one.
    const std::string logs = LogOf(folder.path()) + ReadText(folder.path() / "Scrivet" / "Kordane-2.txt");
    EXPECT_NE(logs.find("Fun:CLoginDlg::OnBnClickedOk"), std::string::npos) << logs;
    EXPECT_EQ(logs.find("Line:83,"), std::string::npos) << logs;

    InsertRow(mainA, "second", "2", "");
    a.Press(IDOK);
    ASSERT_EQ(a.WaitExit(), 0);
    EXPECT_EQ(AccountsIn("ann"), (Messages{"first", "second"}));

    // Once A has saved and let go, B logs in and sees A's entries.
    ASSERT_EQ(Login(b, "ann", "pw"), "Login success.");
    EXPECT_EQ(ListRowCount(mainB), 2);
    InsertRow(mainB, "third", "3", "");
    b.Press(IDOK);
    ASSERT_EQ(b.WaitExit(), 0);
    EXPECT_EQ(AccountsIn("ann"), (Messages{"first", "second", "third"}));
    EXPECT_FALSE(fs::exists("ann.qrd.lock"));
}

TEST(AccountLockProcess, ACrashedProgramDoesNotLockItsAdministratorOut)
{
    TempFolder folder("kd-crash");
    Program a(folder.path()), b(folder.path());
    ASSERT_TRUE(a.started() && b.started());
    ASSERT_TRUE(a.WaitWindow("Kordane") && b.WaitWindow("Kordane"));

    // A has just created "bob": its file is still empty, and B may not take it over.
    ASSERT_EQ(CreateAdmin(a, "bob", "pw"), "");
    EXPECT_EQ(Login(b, "bob", "pw"), CAccountLock::kInUseText);
    CancelDialog(b, "Login Dialog");
    EXPECT_EQ(CreateAdmin(b, "bob", "pw"), "Error:The Account is existend.");
    CancelDialog(b, "Create Admin Dialog");

    // A crashes: its lock goes with it, and bob's file is what an aborted
    // creation leaves behind (no administrator in it).
    a.Kill();
    EXPECT_EQ(Login(b, "bob", "pw"), "Login Failed:Password error.");
    CancelDialog(b, "Login Dialog");

    WriteFile("bob", "pw", {"kept"});
    ASSERT_EQ(Login(b, "bob", "pw"), "Login success.");
    EXPECT_EQ(ListRowCount(b.WaitWindow("Kordane")), 1);
}
