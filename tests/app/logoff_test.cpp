// Logging off or shutting down: the system asks, then ends the process soon
// after WM_ENDSESSION without the message loop's own end. The entries must be
// on disk by then, written once.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "CAccountFile.h"
#include "FileIo.h"
#include "ProgramDriver.h"
#include "AppTest.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using LogOff = AppTest;

LRESULT Send(HWND wnd, UINT message, WPARAM wParam)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(wnd, message, wParam, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &result)) return -1;
    return static_cast<LRESULT>(result);
}

size_t LineCount(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

} // namespace

// As the Restart Manager does: WM_ENDSESSION with ENDSESSION_CLOSEAPP need not
// end the process, and the editing may go on.
TEST_F(LogOff, LoggingOffSavesAndAProgramThatGoesOnKeepsItsLockAndSavesAgainAtExit)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("olga", "pw", "pw");
    Insert("mail", "m1", "work");
    EXPECT_EQ(::SendMessageA(m_main, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
    EXPECT_EQ(ReadAccountFile("olga"), (std::vector<Row>{{"mail", "m1", "work"}})) << "saved when asked";

    ::SendMessageA(m_main, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    EXPECT_EQ(ReadAccountFile("olga"), (std::vector<Row>{{"mail", "m1", "work"}}));
    EXPECT_TRUE(fs::exists("olga.qrd.lock")) << "the program still works on the administrator";

    Insert("bank", "b1", "");
    Exit();
    EXPECT_EQ(ReadAccountFile("olga"), (std::vector<Row>{{"mail", "m1", "work"}, {"bank", "b1", ""}}));
    EXPECT_FALSE(fs::exists("olga.qrd.lock"));
    EXPECT_TRUE(ReadRecoveryCopy("olga").empty());
}

TEST_F(LogOff, ACancelledLogOffLeavesTheEditorAsItWas)
{
    WriteAccountFile("petra", "pw", {{"a", "1", ""}});
    ASSERT_NO_FATAL_FAILURE(Start());
    Login("petra", "pw");
    Insert("b", "2", "");
    EXPECT_EQ(::SendMessageA(m_main, WM_QUERYENDSESSION, 0, 0), TRUE);
    ::SendMessageA(m_main, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(ReadAccountFile("petra"), (std::vector<Row>{{"a", "1", ""}, {"b", "2", ""}}));
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_INSERT));
    Insert("c", "3", "");
    Exit();
    EXPECT_EQ(ReadAccountFile("petra"), (std::vector<Row>{{"a", "1", ""}, {"b", "2", ""}, {"c", "3", ""}}));
}

// The file held open without delete sharing, as antivirus, backup and sync tools do.
TEST_F(LogOff, ALogOffThatCannotSaveWaitsAndKeepsARecoveryCopyUntilASaveSucceeds)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("sven", "pw", "pw");
    const auto created = fs::file_size("sven.qrd");
    Insert("mail", "m1", "work");
    kd::unique_hfile holder(HoldWithoutDeleteSharing("sven.qrd"));
    ASSERT_TRUE(holder);

    EXPECT_EQ(::SendMessageA(m_main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE) << "the session waits";
    EXPECT_EQ(fs::file_size("sven.qrd"), created) << "the file as creation wrote it";
    EXPECT_EQ(ReadRecoveryCopy("sven"), (std::vector<Row>{{"mail", "m1", "work"}})) << "ready if the system ends us";
    EXPECT_EQ(LineCount(Log(), "Fun:CKordaneDlg::SaveEntries"), 1u) << Log();
    ::SendMessageA(m_main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"mail", "m1", "work"}}));

    holder.reset();
    Insert("bank", "b1", "");
    EXPECT_EQ(::SendMessageA(m_main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_EQ(ReadAccountFile("sven"), (std::vector<Row>{{"mail", "m1", "work"}, {"bank", "b1", ""}}));
    EXPECT_TRUE(ReadRecoveryCopy("sven").empty()) << "a stale copy would be offered back at the next login";
}

TEST_F(LogOff, AFailedSaveAtLogOffIsLoggedKeptAsARecoveryCopyAndTriedAgainAtExit)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("quinn", "pw", "pw");
    Insert("x", "y", "z");
    fs::remove("quinn.qrd");
    fs::create_directory("quinn.qrd"); // the file's place is taken: the store cannot write it
    ::SendMessageA(m_main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(LineCount(Log(), "Fun:CKordaneDlg::SaveEntries"), 1u) << Log();
    EXPECT_EQ(ReadRecoveryCopy("quinn"), (std::vector<Row>{{"x", "y", "z"}}));

    fs::remove("quinn.qrd");
    Exit();
    EXPECT_EQ(ReadAccountFile("quinn"), (std::vector<Row>{{"x", "y", "z"}})) << "saved at exit after all";
    EXPECT_TRUE(ReadRecoveryCopy("quinn").empty());
}

// The real program, logged off by another process and then ended as the system does.
TEST(LogOffProcess, LogOffKeepsTheEntriesOfAProgramThatIsThenTerminated)
{
    TempFolder folder("kd-logoff");
    Program program(folder.path());
    std::string failed;
    HWND main = MainWithNewAdmin(program, "rosa", "Secret", failed);
    ASSERT_NE(main, nullptr) << failed;
    InsertRow(main, "mail", "m1", "work");
    InsertRow(main, "bank", "b2", "");
    ASSERT_EQ(AccountRows(main), 2);

    EXPECT_EQ(Send(main, WM_QUERYENDSESSION, 0), TRUE);
    EXPECT_EQ(Send(main, WM_ENDSESSION, TRUE), 0);
    program.Kill();

    CAccountFile file;
    ASSERT_TRUE(file.Open("rosa"));
    EXPECT_TRUE(kd::TextEquals(file.GetHeader().adminAccount, "rosa"));
    EXPECT_TRUE(kd::TextEquals(file.GetHeader().adminPassword, "Secret")) << "the administrator can log in again";
    ASSERT_EQ(file.GetRecords().size(), 2u);
    EXPECT_TRUE(kd::TextEquals(file.GetRecords()[0].account, "mail"));
    EXPECT_TRUE(kd::TextEquals(file.GetRecords()[1].comment, ""));
    EXPECT_FALSE(fs::exists("rosa.qrd.lock"));
}

TEST(LogOffProcess, AProgramThatCannotSaveAndIsEndedAnywayLeavesItsEntriesInARecoveryCopy)
{
    TempFolder folder("kd-forced");
    Program program(folder.path());
    std::string failed;
    HWND main = MainWithNewAdmin(program, "tara", "Secret", failed);
    ASSERT_NE(main, nullptr) << failed;
    InsertRow(main, "mail", "m1", "work");
    kd::unique_hfile holder(HoldWithoutDeleteSharing("tara.qrd"));
    ASSERT_TRUE(holder);

    EXPECT_EQ(Send(main, WM_QUERYENDSESSION, 0), FALSE);
    EXPECT_EQ(Send(main, WM_ENDSESSION, TRUE), 0);
    program.Kill();
    holder.reset();

    CAccountFile file;
    ASSERT_TRUE(file.Open("tara"));
    EXPECT_TRUE(file.GetRecords().empty()) << "the file keeps what creation wrote";
    CAccountFile copy;
    kd::fileio::FilePath path;
    for (const auto& entry : fs::directory_iterator(fs::current_path())) {
        if (entry.path().filename().string().ends_with(".recovery")) {
            ASSERT_TRUE(kd::fileio::FilePath::Resolve(entry.path().filename().string(), path));
        }
    }
    ASSERT_TRUE(copy.LoadFrom(path));
    EXPECT_TRUE(kd::TextEquals(copy.GetHeader().adminAccount, "tara"));
    EXPECT_TRUE(kd::TextEquals(copy.GetHeader().adminPassword, "Secret")) << "the administrator's own copy";
    EXPECT_EQ(ReadRecoveryCopy("tara"), (std::vector<Row>{{"mail", "m1", "work"}}));
}
