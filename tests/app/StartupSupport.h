// Kordane.exe started as a process of its own in a given folder, for the
// end-to-end start-up tests.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "ProcessTestSupport.h"

namespace kdtest {

namespace fs = std::filesystem;

// The exit code of a start that failed, as ReadMe.txt and the help page give it.
inline constexpr long kExitStartFailed = 1;

// Kordane.exe running in `folder` (its working folder), ended (Exit pressed, or killed) at scope end.
class Program {
public:
    // `program`: the build's Kordane.exe, or a copy of it elsewhere.
    explicit Program(const fs::path& folder, const fs::path& program = BinDirectory() / "Kordane.exe")
    {
        const std::string exe = program.string();
        std::string commandLine = "\"" + exe + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        m_ok = ::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                folder.string().c_str(), &si, &m_pi);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program()
    {
        if (!m_ok) return;
        if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            Press(IDOK);
            if (::WaitForSingleObject(m_pi.hProcess, 10000) == WAIT_TIMEOUT) ::TerminateProcess(m_pi.hProcess, 99);
        }
        ::CloseHandle(m_pi.hThread);
        ::CloseHandle(m_pi.hProcess);
    }

    [[nodiscard]] bool started() const noexcept { return m_ok; }

    // A visible top-level window of the program; null after `ms` or once it has ended.
    HWND WaitWindow(const std::string& caption, DWORD ms = 20000) const
    {
        return WaitTopWindow(Windows(caption), ms, m_pi.hProcess);
    }

    // Presses a button of the main dialog (or of the dialog given).
    void Press(int id, HWND wnd = nullptr) const
    {
        if (!wnd) wnd = WaitWindow("Kordane", 2000);
        if (wnd) PostClick(wnd, id);
    }

    // Waits until no visible window of the program has this caption.
    [[nodiscard]] bool WaitGone(const std::string& caption, DWORD ms = 10000) const
    {
        return kdtest::WaitGone(Windows(caption), ms);
    }

    // Ends the process at once, as the system does with a program that crashed
    // or that is still running when the desktop session ends.
    void Kill() const
    {
        ::TerminateProcess(m_pi.hProcess, 1);
        ::WaitForSingleObject(m_pi.hProcess, 10000);
    }

    // Waits for the end; answers the exit code, or -1 on a timeout.
    long WaitExit(DWORD ms = 15000) const
    {
        if (::WaitForSingleObject(m_pi.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(m_pi.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    [[nodiscard]] WindowQuery Windows(const std::string& caption) const
    {
        return WindowQuery().Titled(caption).OfProcess(m_pi.dwProcessId);
    }

    PROCESS_INFORMATION m_pi{};
    bool m_ok = false;
};

inline std::string LogOf(const fs::path& folder)
{
    return ReadText(folder / "Scrivet" / "Kordane.txt");
}

inline size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Runs the program in `folder` until its main dialog shows, then presses Exit.
inline void RunOnce(const fs::path& folder)
{
    Program program(folder);
    ASSERT_TRUE(program.started());
    ASSERT_NE(program.WaitWindow("Kordane"), nullptr) << "main dialog did not show";
    program.Press(IDOK);
    EXPECT_EQ(program.WaitExit(), 0);
}

} // namespace kdtest
