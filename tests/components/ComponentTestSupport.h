// Shared by the component tests: COM apartment scope, child processes with
// redirected standard streams, registration through the real regsvr32 and
// read-back with reg.
#pragma once

#include "ProcessTestSupport.h"
#include "TempFolder.h"

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "IHelper.h"
#include "IScrivet.h"
#include "unique_any.h"

namespace kdtest {

// Initialises COM (single-threaded apartment) for the scope's thread.
class ComScope {
public:
    ComScope() noexcept : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope()
    {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    [[nodiscard]] HRESULT result() const noexcept { return m_hr; }

private:
    HRESULT m_hr;
};

// 32 or 64, the bitness of the running program.
constexpr int kBits = sizeof(void*) * 8;

struct ProcessResult {
    DWORD exitCode = 0;
    std::string output; // standard output and standard error, as bytes
    bool timedOut = false;
};

// A started child process with pipes on its standard streams.
class ChildProcess {
public:
    // Starts commandLine; stdin comes from a pipe we write to.
    explicit ChildProcess(const std::string& commandLine);
    [[nodiscard]] bool started() const noexcept { return static_cast<bool>(m_process); }
    [[nodiscard]] DWORD id() const noexcept { return m_id; }
    [[nodiscard]] HANDLE handle() const noexcept { return m_process.get(); }
    void WriteInput(const std::string& bytes);
    void CloseInput() noexcept { m_input.reset(); }
    // Reads output until it holds marker (or the pipe ends); answers all read so far.
    std::string ReadUntil(const std::string& marker);
    // Waits for the end (closing stdin first if asked) and gathers all output.
    ProcessResult Finish(DWORD timeoutMs = 30000);
    ~ChildProcess();

private:
    kd::unique_handle m_process;
    kd::unique_handle m_thread;
    kd::unique_handle m_input;
    kd::unique_handle m_output;
    DWORD m_id = 0;
    std::string m_pending; // output read before Finish
};

// Runs a command to its end with no input.
ProcessResult Run(const std::string& commandLine, DWORD timeoutMs = 30000);

// "reg query <key> /s" in the view of the program's bitness; nullopt when reg fails.
std::optional<std::string> RegQuery(const std::string& key);

[[nodiscard]] std::string ClassKeyText(REFCLSID classId);

} // namespace kdtest
