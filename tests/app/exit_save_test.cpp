// Exit (or the close box) saves before the window goes. A save the system
// refuses is told with the file and the reason; the window stays with every
// entry until a retry succeeds or the user chooses to leave without saving.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "CAccountFile.h"
#include "CSaveFailedDlg.h"
#include "ProgramDriver.h"
#include "AppTest.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using ExitSave = AppTest;

constexpr const char* kSaveFailedCaption = "Save Failed";

struct Told {
    std::string file;
    std::string reason;
};

// Reads the save-failed dialog, then presses `button`.
DialogResponder::Action Answer(int button, Told* told = nullptr)
{
    return [=](HWND dlg) {
        if (told) *told = {ItemText(dlg, IDC_STATIC_SAVE_FILE), ItemText(dlg, IDC_STATIC_SAVE_REASON)};
        PostClick(dlg, button);
    };
}

} // namespace

TEST_F(ExitSave, ARefusedSaveIsToldAndTheWindowKeepsEveryEntryUntilARetrySucceeds)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CreateAdmin("hal", "pw", "pw");
    const auto created = fs::file_size("hal.qrd");
    Insert("mail", "m1", "work");
    Insert("bank", "b1", "");
    const std::vector<Row> rows = {{"mail", "m1", "work"}, {"bank", "b1", ""}};
    kd::unique_hfile holder(HoldWithoutDeleteSharing("hal.qrd"));
    ASSERT_TRUE(holder);

    Told told;
    m_responder.Expect(kSaveFailedCaption, Answer(IDCANCEL, &told));
    Click(m_main, IDOK);
    EXPECT_EQ(told.file, "The entries could not be saved to \"hal.qrd\":");
    EXPECT_EQ(told.reason, CSaveFailedDlg::ReasonLine(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(told.reason.find("System error"), std::string::npos) << "the system's words: " << told.reason;
    EXPECT_FALSE(Pump(100)) << "Cancel: the program goes on";
    EXPECT_EQ(ListRows(), rows);
    EXPECT_TRUE(IsItemEnabled(m_main, IDC_BUTTON_INSERT));
    EXPECT_EQ(fs::file_size("hal.qrd"), created) << "the file as creation wrote it";
    EXPECT_NE(Log().find("Fun:CKordaneDlg::SaveEntries"), std::string::npos) << Log();

    // The close box asks the same. A retry while the file is held asks again;
    // once the other program lets go, the retry saves and the program ends.
    m_responder.Expect(kSaveFailedCaption, Answer(IDRETRY));
    m_responder.Expect(kSaveFailedCaption, [&](HWND dlg) {
        holder.reset();
        PostClick(dlg, IDRETRY);
    });
    ::SendMessageA(m_main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Pump(100)) << "saved: the program ends";
    EXPECT_EQ(ReadAccountFile("hal"), rows);
    EXPECT_FALSE(fs::exists("hal.qrd.lock"));
    Exit();
    EXPECT_EQ(ReadAccountFile("hal"), rows);
    EXPECT_TRUE(ReadRecoveryCopy("hal").empty());
}

TEST_F(ExitSave, LeavingWithoutSavingIsAChoiceAndThenNothingIsWritten)
{
    WriteAccountFile("ivy", "pw", {{"a", "1", ""}});
    const std::vector<char> before = ReadFile("ivy.qrd");
    ASSERT_NO_FATAL_FAILURE(Start());
    Login("ivy", "pw");
    Insert("b", "2", "");
    // Windows does not replace a read-only file.
    ASSERT_TRUE(::SetFileAttributesA("ivy.qrd", FILE_ATTRIBUTE_READONLY));

    Told told;
    m_responder.Expect(kSaveFailedCaption, Answer(IDC_BUTTON_EXIT_UNSAVED, &told));
    Click(m_main, IDOK);
    EXPECT_EQ(told.file, "The entries could not be saved to \"ivy.qrd\":");
    EXPECT_EQ(told.reason, CSaveFailedDlg::ReasonLine(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(Pump(100)) << "the program ends";
    const std::string log = Log();
    Exit();
    ASSERT_TRUE(::SetFileAttributesA("ivy.qrd", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(ReadFile("ivy.qrd"), before);
    EXPECT_TRUE(ReadRecoveryCopy("ivy").empty()) << "the user chose to drop the entries";
    EXPECT_EQ(Log(), log) << "no second attempt at the window's end";
    EXPECT_FALSE(fs::exists("ivy.qrd.lock"));
}

// The real program: its exit code tells whether it left entries unsaved.
TEST(ExitSaveProcess, TheExitCodeTellsWhetherEntriesWereLeftUnsaved)
{
    TempFolder folder("kd-exitcode");
    {
        Program program(folder.path());
        std::string failed;
        HWND main = MainWithNewAdmin(program, "jana", "Secret", failed);
        ASSERT_NE(main, nullptr) << failed;
        const auto created = fs::file_size("jana.qrd");
        InsertRow(main, "mail", "m1", "work");
        kd::unique_hfile holder(HoldWithoutDeleteSharing("jana.qrd"));
        ASSERT_TRUE(holder);
        program.Press(IDOK, main);
        HWND ask = program.WaitWindow(kSaveFailedCaption);
        ASSERT_NE(ask, nullptr);
        EXPECT_EQ(program.WaitExit(300), -1) << "still running while it asks";
        PostClick(ask, IDC_BUTTON_EXIT_UNSAVED);
        EXPECT_EQ(program.WaitExit(), CKordaneApp::kExitEntriesNotSaved);
        EXPECT_EQ(fs::file_size("jana.qrd"), created) << "the file as creation wrote it";
    }
    {
        Program program(folder.path());
        std::string failed;
        HWND main = MainWithNewAdmin(program, "karl", "Secret", failed);
        ASSERT_NE(main, nullptr) << failed;
        InsertRow(main, "mail", "m1", "work");
        kd::unique_hfile holder(HoldWithoutDeleteSharing("karl.qrd"));
        ASSERT_TRUE(holder);
        program.Press(IDOK, main);
        HWND ask = program.WaitWindow(kSaveFailedCaption);
        ASSERT_NE(ask, nullptr);
        holder.reset();
        PostClick(ask, IDRETRY);
        EXPECT_EQ(program.WaitExit(), 0);
        CAccountFile file;
        ASSERT_TRUE(file.Open("karl"));
        ASSERT_EQ(file.GetRecords().size(), 1u);
        EXPECT_TRUE(kd::TextEquals(file.GetRecords()[0].account, "mail"));
    }
}
