#include "ComponentTestSupport.h"

#include <thread>
#include <vector>

namespace kdtest {

ChildProcess::ChildProcess(const std::string& commandLine)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!::CreatePipe(&inRead, &inWrite, &inherit, 0)) return;
    kd::unique_handle childIn(inRead);
    m_input.reset(inWrite);
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0)) return;
    kd::unique_handle childOut(outWrite);
    m_output.reset(outRead);
    ::SetHandleInformation(m_input.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(m_output.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn.get();
    si.hStdOutput = childOut.get();
    si.hStdError = childOut.get();
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return;
    m_process.reset(pi.hProcess);
    m_thread.reset(pi.hThread);
    m_id = pi.dwProcessId;
}

void ChildProcess::WriteInput(const std::string& bytes)
{
    DWORD written = 0;
    if (m_input) ::WriteFile(m_input.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ChildProcess::ReadUntil(const std::string& marker)
{
    char chunk[256];
    DWORD got = 0;
    while (m_pending.find(marker) == std::string::npos) {
        if (!m_output || !::ReadFile(m_output.get(), chunk, sizeof chunk, &got, nullptr) || got == 0) break;
        m_pending.append(chunk, got);
    }
    return m_pending;
}

ProcessResult ChildProcess::Finish(DWORD timeoutMs)
{
    ProcessResult result;
    if (!m_process) {
        result.exitCode = static_cast<DWORD>(-1);
        return result;
    }
    // Read on another thread so that a full pipe never blocks the child.
    std::string output = std::move(m_pending);
    m_pending.clear();
    std::thread reader([&] {
        char chunk[4096];
        DWORD got = 0;
        while (::ReadFile(m_output.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
    });
    if (::WaitForSingleObject(m_process.get(), timeoutMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        ::TerminateProcess(m_process.get(), 1);
        ::WaitForSingleObject(m_process.get(), INFINITE);
    }
    reader.join();
    ::GetExitCodeProcess(m_process.get(), &result.exitCode);
    result.output = std::move(output);
    m_output.reset();
    return result;
}

ChildProcess::~ChildProcess()
{
    if (m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_process.get(), 1);
        ::WaitForSingleObject(m_process.get(), 5000);
    }
}

ProcessResult Run(const std::string& commandLine, DWORD timeoutMs)
{
    ChildProcess child(commandLine);
    child.CloseInput();
    return child.Finish(timeoutMs);
}

std::optional<std::string> RegQuery(const std::string& key)
{
    const ProcessResult r = Run("reg.exe query \"" + key + "\" /s /reg:" + std::to_string(kBits));
    if (r.timedOut || r.exitCode != 0) return std::nullopt;
    return r.output;
}

std::string ClassKeyText(REFCLSID classId)
{
    LPOLESTR wide = nullptr;
    if (FAILED(::StringFromCLSID(classId, &wide))) return {};
    std::string text;
    for (const wchar_t* p = wide; *p; ++p) text += static_cast<char>(*p);
    ::CoTaskMemFree(wide);
    return text;
}

} // namespace kdtest
