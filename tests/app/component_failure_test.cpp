// Start-up and the components: Kordane's manifest lets it find Scrivet.dll and
// Helper.dll beside it with nothing registered, and a component that cannot be
// loaded ends start-up with the message. The components are unregistered for
// a while (so the program runs alone) and registered again afterwards with the
// real regsvr32.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

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

// Runs `exe` in `folder` under this process as its debugger, on a thread of its
// own (debug events go to the thread that started the process), and keeps what
// the program writes with OutputDebugString until it ends.
class DebuggedProgram {
public:
    DebuggedProgram(const fs::path& exe, const fs::path& folder) : m_thread([this, exe, folder] { Run(exe, folder); })
    {
    }
    DebuggedProgram(const DebuggedProgram&) = delete;
    DebuggedProgram& operator=(const DebuggedProgram&) = delete;
    ~DebuggedProgram()
    {
        if (m_thread.joinable()) m_thread.join();
    }

    // The process id once it runs, else 0 after `ms`.
    [[nodiscard]] DWORD WaitStarted(DWORD ms) const
    {
        for (DWORD waited = 0; m_pid == 0 && !m_failed && waited < ms; waited += 10) ::Sleep(10);
        return m_pid;
    }
    // What the program wrote to its debugger, once it has ended.
    std::string Output()
    {
        if (m_thread.joinable()) m_thread.join();
        return m_output;
    }

private:
    void Run(const fs::path& exe, const fs::path& folder)
    {
        std::string commandLine = "\"" + exe.string() + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessA(exe.string().c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              DEBUG_ONLY_THIS_PROCESS, nullptr, folder.string().c_str(), &si, &pi)) {
            m_failed = true;
            return;
        }
        m_pid = pi.dwProcessId;
        for (DEBUG_EVENT event{}; ::WaitForDebugEvent(&event, 30000);) {
            DWORD answer = DBG_CONTINUE;
            switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
                break;
            case OUTPUT_DEBUG_STRING_EVENT: {
                std::string text(event.u.DebugString.nDebugStringLength, '\0');
                SIZE_T got = 0;
                if (!event.u.DebugString.fUnicode &&
                    ::ReadProcessMemory(pi.hProcess, event.u.DebugString.lpDebugStringData, text.data(), text.size(),
                                        &got))
                    m_output.append(text.c_str());
                break;
            }
            case EXCEPTION_DEBUG_EVENT:
                // The loader's first breakpoint is the debugger's; any other
                // exception is the program's own to handle.
                if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                    answer = DBG_EXCEPTION_NOT_HANDLED;
                break;
            default:
                break;
            }
            const bool ended = event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT;
            ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
            if (ended) break;
        }
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }

    std::atomic<DWORD> m_pid{0};
    std::atomic<bool> m_failed{false};
    std::string m_output;
    std::thread m_thread;
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

// The message box cannot say why a component failed; the debugger's output
// keeps the component and the HRESULT.
TEST(Startup, AComponentThatCannotLoadIsNamedWithItsHresultToTheDebugger)
{
    Unregistered missing("Helper.dll");
    ASSERT_TRUE(missing.ok());
    ProgramCopy copy("Helper.dll");
    TempFolder folder("kd-nocom");
    DebuggedProgram program(copy.exe(), folder.path());
    const DWORD pid = program.WaitStarted(10000);
    ASSERT_NE(pid, 0u);
    HWND box = WaitTopWindow(WindowQuery().Titled("Kordane").OfProcess(pid), 20000);
    ASSERT_NE(box, nullptr);
    PostClick(box, IDOK);
    const std::string output = program.Output();
    EXPECT_NE(output.find("Kordane: Helper could not be created (HRESULT 0x8"), std::string::npos) << output;
    EXPECT_EQ(output.find("Scrivet could not"), std::string::npos) << output;
}
