// Start-up when a component cannot be created: the components are
// unregistered for the test (which therefore runs alone) and registered
// again afterwards with the real regsvr32.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "StartupSupport.h"

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

} // namespace

TEST(Startup, ComponentThatCannotLoadEndsWithTheMessageAndNothingElse)
{
    // The log object created before a helper failure is released at exit: the
    // program still ends cleanly with exit code 0.
    for (const char* dll : {"Helper.dll", "Scrivet.dll"}) {
        Unregistered missing(dll);
        ASSERT_TRUE(missing.ok()) << dll;
        TempFolder folder("kd-nocom");
        Program program(folder.path());
        ASSERT_TRUE(program.started());
        HWND box = program.WaitWindow("Kordane");
        ASSERT_NE(box, nullptr) << dll;
        char cls[32] = {};
        ::GetClassNameA(box, cls, sizeof cls);
        EXPECT_STREQ(cls, "#32770") << "a platform message box, not the main dialog";
        EXPECT_NE(::GetDlgItem(box, IDOK), nullptr);
        EXPECT_EQ(::GetDlgItem(box, 1000), nullptr);
        bool text = false;
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            text = text || WindowText(child) == "Create COM Component Failed.";
        EXPECT_TRUE(text) << dll;
        program.Press(IDOK, box);
        EXPECT_EQ(program.WaitExit(), 0) << dll;
        EXPECT_FALSE(fs::exists(folder.path() / "Tmp")) << dll;
        EXPECT_FALSE(fs::exists(folder.path() / "Scrivet")) << dll;
    }
}
