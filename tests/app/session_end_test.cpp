// Logging off or shutting down: the system asks, then ends the process soon
// after WM_ENDSESSION without the message loop's own end. The entries must be
// on disk by then, written once.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "CAccountFile.h"
#include "ProgramDriver.h"
#include "SessionTest.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using SessionEnd = Session;

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

TEST_F(SessionEnd, EndingTheSessionSavesAsExitDoesAndOnlyOnce)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("olga", "pw", "pw");
    SetFields("mail", "m1", "work");
    Click(m_main, IDC_BUTTON_INSERT);
    EXPECT_EQ(::SendMessageA(m_main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE) << "never blocks a log-off";
    EXPECT_TRUE(ReadAccountFile("olga").empty()) << "asking changes nothing";

    ::SendMessageA(m_main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(ReadAccountFile("olga"), (std::vector<Row>{{"mail", "m1", "work"}}));
    EXPECT_FALSE(fs::exists("olga.qrd.lock")) << "the lock goes with the final save";

    // Whatever follows (here a normal exit after more editing) writes nothing more.
    fs::remove("olga.qrd");
    SetFields("bank", "b1", "");
    Click(m_main, IDC_BUTTON_INSERT);
    Exit();
    EXPECT_FALSE(fs::exists("olga.qrd"));
}

TEST_F(SessionEnd, ACancelledSessionEndChangesNothing)
{
    WriteAccountFile("petra", "pw", {{"a", "1", ""}});
    const std::vector<char> before = ReadFile("petra.qrd");
    ASSERT_NO_FATAL_FAILURE(Start());
    Login("petra", "pw");
    SetFields("b", "2", "");
    Click(m_main, IDC_BUTTON_INSERT);
    EXPECT_EQ(::SendMessageA(m_main, WM_QUERYENDSESSION, 0, 0), TRUE);
    ::SendMessageA(m_main, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(ReadFile("petra.qrd"), before);
    Exit();
    EXPECT_EQ(ReadAccountFile("petra"), (std::vector<Row>{{"a", "1", ""}, {"b", "2", ""}}));
}

TEST_F(SessionEnd, AFailedSaveLeavesTheSameLogLineAsAtExit)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("quinn", "pw", "pw");
    SetFields("x", "y", "z");
    Click(m_main, IDC_BUTTON_INSERT);
    fs::remove("quinn.qrd");
    fs::create_directory("quinn.qrd");  // the file's place is taken: the store cannot write it
    ::SendMessageA(m_main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(LineCount(Log(), "Fun:CKordaneDlg::SaveList"), 1u) << Log();
    Exit();
    EXPECT_EQ(LineCount(Log(), "Fun:CKordaneDlg::SaveList"), 1u) << "no second save at exit: " << Log();
}

// The real program, logged off by another process and then ended as the system does.
TEST(SessionEndProcess, LogOffKeepsTheEntriesOfAProgramThatIsThenTerminated)
{
    TempFolder folder("kd-logoff");
    Program program(folder.path());
    ASSERT_TRUE(program.started());
    HWND main = program.WaitWindow("Kordane");
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(CreateAdmin(program, "rosa", "Secret"), "");
    InsertRow(main, "mail", "m1", "work");
    InsertRow(main, "bank", "b2", "");
    ASSERT_EQ(ListRowCount(main), 2);

    EXPECT_EQ(Send(main, WM_QUERYENDSESSION, 0), TRUE);
    EXPECT_EQ(Send(main, WM_ENDSESSION, TRUE), 0);
    program.Kill();

    CAccountFile file;
    ASSERT_TRUE(file.Open("rosa"));
    EXPECT_TRUE(kd::TextEquals(file.m_header.adminAccount, "rosa"));
    EXPECT_TRUE(kd::TextEquals(file.m_header.adminPassword, "Secret")) << "the administrator can log in again";
    ASSERT_EQ(file.GetRecords().size(), 2u);
    EXPECT_TRUE(kd::TextEquals(file.GetRecords()[0].account, "mail"));
    EXPECT_TRUE(kd::TextEquals(file.GetRecords()[1].comment, ""));
    EXPECT_FALSE(fs::exists("rosa.qrd.lock"));
}
