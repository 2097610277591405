// Start-up and the components: Kordane's manifest lets it find Scrivet.dll and
// Helper.dll beside it with nothing registered, and a component that cannot be
// loaded ends start-up with the message. The components are unregistered for
// a while (so the program runs alone) and registered again afterwards with the
// real regsvr32.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "StartupSupport.h"
#include "resource.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

// Keeps one component unregistered for the scope.
class Unregistered {
public:
    explicit Unregistered(std::string dll) : m_dll(std::move(dll)) { m_ok = Regsvr32(m_dll, true) == 0; }
    Unregistered(const Unregistered&) = delete;
    Unregistered& operator=(const Unregistered&) = delete;
    ~Unregistered() { EXPECT_EQ(0u, Regsvr32(m_dll)) << "could not register " << m_dll << " again"; }
    [[nodiscard]] bool ok() const noexcept { return m_ok; }

private:
    std::string m_dll;
    bool m_ok = false;
};

// A copy of the program's folder without one of its files, removed at scope end.
class ProgramCopy {
public:
    explicit ProgramCopy(const std::string& without) : m_folder("kd-copy")
    {
        for (const char* file : {"Kordane.exe", "Vellaris.dll", "Scrivet.dll", "Helper.dll"})
            if (without != file) fs::copy_file(BinDirectory() / file, m_folder.path() / file);
    }
    [[nodiscard]] fs::path exe() const { return m_folder.path() / "Kordane.exe"; }

private:
    TempDirectory m_folder;
};

} // namespace

TEST(Startup, FindsBothComponentsBesideItWithNothingRegistered)
{
    Unregistered scrivet("Scrivet.dll"), helper("Helper.dll");
    ASSERT_TRUE(scrivet.ok() && helper.ok());
    TempFolder folder("kd-regfree");
    Program program(folder.path());
    ASSERT_TRUE(program.started());
    ASSERT_NE(program.WaitWindow("Kordane"), nullptr) << "main dialog did not show";
    program.Press(IDOK);
    EXPECT_EQ(program.WaitExit(), 0);
    // The log opened (no line 105), and its lines carry the time stamps of the
    // Helper that Scrivet created for itself.
    const std::string log = LogOf(folder.path());
    EXPECT_NE(log.find("Begin Time:20"), std::string::npos) << log;
    EXPECT_EQ(log.find("Line:105"), std::string::npos) << log;
}

TEST(Startup, ComponentThatCannotLoadEndsWithTheMessageAndNothingElse)
{
    // The log object created before a helper failure is released at exit, and
    // the program ends with the exit code of a failed start, not 0, so that a
    // script or shortcut checker sees the failure. The component is neither
    // beside the program nor registered.
    for (const char* dll : {"Helper.dll", "Scrivet.dll"}) {
        Unregistered missing(dll);
        ASSERT_TRUE(missing.ok()) << dll;
        ProgramCopy copy(dll);
        TempFolder folder("kd-nocom");
        Program program(folder.path(), copy.exe());
        ASSERT_TRUE(program.started());
        HWND box = program.WaitWindow("Kordane");
        ASSERT_NE(box, nullptr) << dll;
        EXPECT_EQ(ClassName(box), "#32770") << "a platform message box, not the main dialog";
        EXPECT_NE(::GetDlgItem(box, IDOK), nullptr);
        EXPECT_EQ(::GetDlgItem(box, IDC_BUTTON_LOGIN), nullptr);
        bool text = false;
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            text = text || WindowText(child) == "Create COM Component Failed.";
        EXPECT_TRUE(text) << dll;
        program.Press(IDOK, box);
        EXPECT_EQ(program.WaitExit(), kExitStartFailed) << dll;
        EXPECT_FALSE(fs::exists(folder.path() / "Tmp")) << dll;
        EXPECT_FALSE(fs::exists(folder.path() / "Scrivet")) << dll;
    }
}
