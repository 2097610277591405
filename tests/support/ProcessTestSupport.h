// Windows-side tests that reach outside their process: the build's binaries
// and the real regsvr32.
#pragma once

#include "unique_any.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kdtest {

// The folder of the running test program, where every binary of the build lands.
inline std::filesystem::path BinDirectory()
{
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) return std::filesystem::path(std::string(path.data(), n)).parent_path();
        path.resize(path.size() * 2);
    }
}

// The real regsvr32 on a DLL of the build, silently. It runs at this program's
// bitness: a 32-bit program naming System32 lands in SysWOW64. Its exit code
// (0: success), or -1 when it could not run or did not end within 30 s.
inline DWORD Regsvr32(const std::string& dll, bool unregister = false)
{
    std::string commandLine = std::string("regsvr32.exe /s ") + (unregister ? "/u " : "") + "\"" +
                              (BinDirectory() / dll).string() + "\"";
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

} // namespace kdtest
