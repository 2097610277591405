// One administrator, one Kordane at a time: while a program works on an
// administrator's account file, a second program can neither log in to it nor
// create it, so that neither overwrites the other's entries at its exit.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "CAccountFile.h"
#include "CAccountLock.h"
#include "ProgramDriver.h"
#include "AppTest.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using AccountLock = AppTest;
using Messages = std::vector<std::string>;

// True when some process holds the lock file without sharing.
bool LockHeld(const std::string& name)
{
    kd::unique_hfile probe(
        ::CreateFileA((name + ".qrd.lock").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
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
    file.SetAdministrator(admin, password);
    for (const std::string& account : accounts) {
        AccountRecord record{};
        kd::SetText(record.account, account);
        kd::SetText(record.password, "pw");
        ASSERT_TRUE(file.AddRecord(record));
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
    m_responder.Expect(kLoginCaption, LoginWith("nobody", "", IDCANCEL));
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
    CreateAdminExpectingFailure("tina", "pw", "pw"); // the file exists: the usual message
    Login("tina", "pw");
    EXPECT_EQ(m_responder.Messages(), (Messages{"Error:The Account is existend.", "Login success."}));
    Insert("b", "2", "");
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
    EXPECT_EQ(AccountRows(mainB), 2);
    InsertRow(mainB, "third", "3", "");
    b.Press(IDOK);
    ASSERT_EQ(b.WaitExit(), 0);
    EXPECT_EQ(AccountsIn("ann"), (Messages{"first", "second", "third"}));
    EXPECT_FALSE(fs::exists("ann.qrd.lock"));
}

TEST(AccountLockProcess, ACrashRightAfterCreationLeavesAnAdministratorOneCanLogInTo)
{
    TempFolder folder("kd-crash");
    Program a(folder.path()), b(folder.path());
    ASSERT_TRUE(a.started() && b.started());
    ASSERT_TRUE(a.WaitWindow("Kordane") && b.WaitWindow("Kordane"));

    // A has just created "bob": B may neither log in nor take the name over.
    ASSERT_EQ(CreateAdmin(a, "bob", "pw"), "");
    EXPECT_EQ(Login(b, "bob", "pw"), CAccountLock::kInUseText);
    CancelDialog(b, "Login Dialog");
    EXPECT_EQ(CreateAdmin(b, "bob", "pw"), "Error:The Account is existend.");
    CancelDialog(b, "Create Admin Dialog");

    // A crashes: its lock goes with it, and bob's file already names bob.
    a.Kill();
    ASSERT_EQ(Login(b, "bob", "pw"), "Login success.");
    HWND mainB = b.WaitWindow("Kordane");
    EXPECT_EQ(AccountRows(mainB), 0);
    InsertRow(mainB, "kept", "1", "");
    b.Press(IDOK);
    ASSERT_EQ(b.WaitExit(), 0);
    EXPECT_EQ(AccountsIn("bob"), Messages{"kept"});
}

// What keeps the lock from being taken refuses the login and the creation:
// here a folder in the lock file's place.
TEST_F(AccountLock, ALockThatCannotBeTakenRefusesLoginAndCreation)
{
    WriteFile("vera", "pw", {"a"});
    const std::vector<char> before = ReadFile("vera.qrd");
    fs::create_directory("vera.qrd.lock");
    fs::create_directory("walt.qrd.lock");
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("vera", "pw");
    CreateAdminExpectingFailure("walt", "pw", "pw");
    EXPECT_EQ(m_responder.Messages(), (Messages{CAccountLock::kFailedText, CAccountLock::kFailedText}));
    EXPECT_EQ(m_responder.FocusAfterMessages().back(), IDC_EDIT_ACCOUNT);
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_LOGIN)) << "still logged out";
    EXPECT_NE(Log().find("Fun:CLoginDlg::OnBnClickedOk"), std::string::npos) << Log();
    EXPECT_NE(Log().find("Fun:CCreateAdminDlg::OnBnClickedOk"), std::string::npos) << Log();
    EXPECT_FALSE(fs::exists("walt.qrd"));
    Exit();
    EXPECT_EQ(ReadFile("vera.qrd"), before);
}

namespace {

// A program outside this Wine server (here a native Python) holding the lock
// file's first byte, as a Kordane of another Wine prefix on the same folder
// does: share modes do not reach it, the byte lock does.
class ForeignLockHolder {
public:
    explicit ForeignLockHolder(const fs::path& lockFile)
    {
        using UnixName = char*(CDECL*)(LPCWSTR);
        const auto toUnix = reinterpret_cast<UnixName>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        if (!toUnix) return;
        const auto unix = [toUnix](const fs::path& path) {
            char* name = toUnix(fs::absolute(path).wstring().c_str());
            std::string text = name ? name : "";
            ::HeapFree(::GetProcessHeap(), 0, name);
            return text;
        };
        // It lets go of the test's output at once, and ends within a minute whatever happens.
        std::ofstream("holder.py") << "import fcntl, os, sys, time\n"
                                      "null = os.open(os.devnull, os.O_RDWR)\n"
                                      "for fd in (0, 1, 2): os.dup2(null, fd)\n"
                                      "f = open(sys.argv[1], 'a+b')\n"
                                      "fcntl.lockf(f, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, 0)\n"
                                      "open(sys.argv[2], 'w').close()\n"
                                      "end = time.time() + 60\n"
                                      "while not os.path.exists(sys.argv[3]) and time.time() < end: time.sleep(0.02)\n"
                                      "f.close()\n"
                                      "os.rename(sys.argv[2], sys.argv[3] + '.done')\n";
        std::string commandLine = "/usr/bin/python3 " + unix("holder.py") + " " + unix(lockFile) + " " +
                                  unix("holder.ready") + " " + unix("holder.release");
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        // Wine runs the native program without a Windows process to wait for.
        if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return;
        if (pi.hThread) ::CloseHandle(pi.hThread);
        if (pi.hProcess) ::CloseHandle(pi.hProcess);
        m_started = true;
        for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 10000 && !fs::exists("holder.ready");)
            ::Sleep(20);
    }
    ~ForeignLockHolder() { Release(); }
    ForeignLockHolder(const ForeignLockHolder&) = delete;
    ForeignLockHolder& operator=(const ForeignLockHolder&) = delete;

    [[nodiscard]] bool Holds() const { return m_started && fs::exists("holder.ready"); }
    void Release()
    {
        if (!std::exchange(m_started, false)) return;
        std::ofstream("holder.release").close();
        for (const DWORD start = ::GetTickCount();
             ::GetTickCount() - start < 10000 && !fs::exists("holder.release.done");)
            ::Sleep(20);
    }

private:
    bool m_started = false;
};

} // namespace

TEST_F(AccountLock, HoldsAgainstAProgramOfAnotherWineServer)
{
    WriteFile("xena", "pw", {"a"});
    ForeignLockHolder other("xena.qrd.lock");
    if (!other.Holds()) GTEST_SKIP() << "no native Python to hold the lock";
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("xena", "pw");
    EXPECT_EQ(m_responder.Messages(), Messages{CAccountLock::kInUseText});
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_LOGIN)) << "still logged out";
    EXPECT_TRUE(fs::exists("xena.qrd.lock")) << "a refused program leaves the holder's lock file alone";

    other.Release();
    Login("xena", "pw");
    EXPECT_EQ(m_responder.Messages(), (Messages{CAccountLock::kInUseText, "Login success."}));
}
