// Kordane.exe started as a separate process, in a folder of the test's own:
// what its start-up creates and logs, and how it ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "StartupSupport.h"

using namespace kdtest;
namespace fs = std::filesystem;

TEST(Startup, InAnEmptyFolderCreatesItsFoldersAndLogsTheMissingSkin)
{
    TempFolder folder("kd-start");
    ASSERT_NO_FATAL_FAILURE(RunOnce(folder.path()));
    EXPECT_TRUE(fs::is_directory(folder.path() / "Tmp"));
    EXPECT_TRUE(fs::is_directory(folder.path() / "Scrivet"));
    const std::string log = LogOf(folder.path());
    EXPECT_EQ(log.rfind("Begin Time", 32), 32 - std::string("Begin Time:").size() - 14) << log;
    const std::string line0 = std::string(7, ' ') + "0";
    EXPECT_NE(log.find("\r\n\r\n" + line0), std::string::npos) << log;
    EXPECT_NE(log.find("Line:112,Fun:CKordaneApp::InitInstance\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Line:105"), std::string::npos) << log;

    // Started again, with both folders present: the log begins anew.
    ASSERT_NO_FATAL_FAILURE(RunOnce(folder.path()));
    const std::string again = LogOf(folder.path());
    EXPECT_EQ(Count(again, "Begin Time"), 1u) << again;
    EXPECT_EQ(Count(again, "Line:112"), 1u) << again;
}

TEST(Startup, ASecondProgramInTheSameFolderWritesALogOfItsOwn)
{
    TempFolder folder("kd-twologs");
    Program first(folder.path());
    ASSERT_TRUE(first.started());
    ASSERT_NE(first.WaitWindow("Kordane"), nullptr);
    {
        Program second(folder.path());
        ASSERT_TRUE(second.started());
        ASSERT_NE(second.WaitWindow("Kordane"), nullptr);
        second.Press(IDOK);
        EXPECT_EQ(second.WaitExit(), 0);
    }
    first.Press(IDOK);
    EXPECT_EQ(first.WaitExit(), 0);

    // Each log: its begin line, then the missing skin's line, and nothing else.
    for (const char* name : {"Kordane.txt", "Kordane-2.txt"}) {
        const std::string log = ReadText(folder.path() / "Scrivet" / name);
        EXPECT_EQ(log.rfind("Begin Time", 32), 32 - std::string("Begin Time:").size() - 14) << name << ": " << log;
        EXPECT_EQ(Count(log, "Begin Time"), 1u) << name << ": " << log;
        EXPECT_EQ(Count(log, "Line:112,Fun:CKordaneApp::InitInstance\r\n"), 1u) << name << ": " << log;
        EXPECT_EQ(log.find('\0'), std::string::npos) << name;
    }
}

TEST(Startup, WithTheSkinBitmapInstallsTheSkinWithoutALogLine)
{
    TempFolder folder("kd-skin");
    const fs::path skin = folder.path() / "skin" / "Solvane";
    fs::create_directories(skin);
    fs::copy_file(fs::path(KD_SOURCE_DIR) / "skin" / "Solvane" / "MainWindow.bmp", skin / "MainWindow.bmp");
    ASSERT_NO_FATAL_FAILURE(RunOnce(folder.path()));
    EXPECT_EQ(LogOf(folder.path()).find("Line:"), std::string::npos) << LogOf(folder.path());
}

TEST(Startup, PathsThatDoNotFitTheBuffersFailTheirStepAndCreateNothingOutside)
{
    TempFolder root("kd-long");
    // A base directory whose log and skin paths exceed 255 characters, while
    // "Tmp" and "Scrivet" still fit: lines 105 and 112 go to an unopened log.
    auto deepFolder = [&](size_t length) {
        fs::path dir = root.path();
        while (dir.string().size() + 1 < length) {
            const size_t room = length - dir.string().size() - 1;
            dir /= std::string(std::min<size_t>(room, 60), 'd');
        }
        fs::create_directories(dir);
        return dir;
    };
    const fs::path mid = deepFolder(240);
    ASSERT_EQ(mid.string().size(), 240u);
    ASSERT_NO_FATAL_FAILURE(RunOnce(mid));
    EXPECT_TRUE(fs::is_directory(mid / "Tmp"));
    EXPECT_TRUE(fs::is_directory(mid / "Scrivet"));
    EXPECT_TRUE(fs::is_empty(mid / "Scrivet")) << "the log path does not fit: no log file, and none cut short";

    // Longer still: "Scrivet" itself no longer fits, so it is not created.
    fs::path longer = mid / std::string(250 - mid.string().size() - 1, 'e');
    fs::create_directories(longer);
    ASSERT_NO_FATAL_FAILURE(RunOnce(longer));
    EXPECT_TRUE(fs::is_directory(longer / "Tmp"));
    EXPECT_FALSE(fs::exists(longer / "Scrivet"));
    // Nothing was created beside the base directories by a cut path.
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(longer)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST(Startup, WithoutABaseDirectoryItEndsAtOnceWithoutAMessage)
{
    // A current directory too long for the 256-byte base-directory buffer.
    TempFolder root("kd-nobase");
    fs::path dir = root.path();
    while (dir.string().size() < 257) dir /= std::string(std::min<size_t>(60, 257 - dir.string().size()), 'f');
    fs::create_directories(dir);
    ASSERT_GE(dir.string().size(), 257u);
    Program program(dir);
    ASSERT_TRUE(program.started());
    EXPECT_EQ(program.WaitExit(), kExitStartFailed);
    EXPECT_EQ(program.WaitWindow("Kordane", 0), nullptr);
    EXPECT_TRUE(fs::is_empty(dir));
}
