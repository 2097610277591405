// Windows-side tests that reach outside their process: the build's binaries
// and the real regsvr32.
#pragma once

#include "unique_any.h"
#include "win32_text.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kdtest {

// The folder of the running test program, where every binary of the build lands.
inline std::filesystem::path BinDirectory()
{
    return std::filesystem::path(kd::ModuleFileName(nullptr)).parent_path();
}

// The real regsvr32 on a DLL of the build, silently. It runs at this program's
// bitness: a 32-bit program naming System32 lands in SysWOW64. Its exit code
// (0: success), or -1 when it could not run or did not end within 30 s.
inline DWORD Regsvr32(const std::string& dll, bool unregister = false)
{
    std::string commandLine =
        std::string("regsvr32.exe /s ") + (unregister ? "/u " : "") + "\"" + (BinDirectory() / dll).string() + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return static_cast<DWORD>(-1);
    kd::unique_handle process(pi.hProcess), thread(pi.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0 || !::GetExitCodeProcess(process.get(), &code)) {
        ::TerminateProcess(process.get(), 1);
        return static_cast<DWORD>(-1);
    }
    return code;
}

// Runs a command line and answers its exit code (-1: it did not run or end
// within `timeoutMs`) and what it wrote to its standard output.
struct ProgramOutput {
    DWORD exitCode = static_cast<DWORD>(-1);
    std::string out;
};
inline ProgramOutput RunCapturing(std::string commandLine, DWORD timeoutMs = 30000)
{
    ProgramOutput result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    kd::unique_handle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) return result;
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd.get();
    si.hStdError = writeEnd.get();
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                          &pi))
        return result;
    kd::unique_handle process(pi.hProcess), thread(pi.hThread);
    writeEnd.reset(); // the child holds the only writer: reading ends when it does
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(readEnd.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) result.out.append(buffer, got);
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.get(), &result.exitCode)) {
        ::TerminateProcess(process.get(), 1);
        result.exitCode = static_cast<DWORD>(-1);
    }
    // Text mode: the child's line ends are CR LF.
    std::string text;
    for (const char c : result.out)
        if (c != '\r') text.push_back(c);
    result.out = text;
    return result;
}

} // namespace kdtest
