#include "CHelper.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "CardDeck.h"
#include "TimeStamp.h"
#include "unique_any.h"

namespace kd {

void __stdcall CHelper::WriteLine(const char* text)
{
    // A null text is an empty line rather than a fault in the stream.
    std::fputs(text ? text : "", stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void __stdcall CHelper::WaitForKey()
{
    std::fputs("Press any key to terminate the process.\n", stdout);
    std::fflush(stdout);
    // A previous end of input must not make every later wait return at once.
    std::clearerr(stdin);
    // One character that is not white space, or the end of input.
    int key;
    do key = std::getchar();
    while (key != EOF && std::isspace(key));
}

bool __stdcall CHelper::WriteLastError()
{
    const DWORD code = ::GetLastError();
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    const unique_hlocal owner(text);
    if (length == 0 || !text) return false;
    std::fputc('\n', stdout);
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return true;
}

bool __stdcall CHelper::GetTimeStamp(char* buffer, std::int32_t size, HelperFlag withSeconds)
{
    if (!buffer || size < 32) return false;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const std::string stamp = FormatTimeStamp(now, withSeconds != 0);
    // At most 17 characters (five-digit year), so it always fits 32 bytes.
    std::memcpy(buffer, stamp.c_str(), stamp.size() + 1);
    return true;
}

bool __stdcall CHelper::GetModuleDirectory(HMODULE module, char* buffer, std::int32_t size)
{
    if (!buffer || size < 128) return false;
    char path[128] = {};
    const DWORD length = ::GetModuleFileNameA(module, path, sizeof path);
    // A path that filled the whole work buffer was cut: no directory to give.
    if (length == 0 || length >= sizeof path) return false;
    const char* slash = std::strrchr(path, '\\');
    if (!slash) return false;
    const size_t keep = static_cast<size_t>(slash - path) + 1;
    std::memcpy(buffer, path, keep);
    buffer[keep] = '\0';
    return true;
}

bool __stdcall CHelper::GetWorkingDirectory(char* buffer, std::int32_t size)
{
    if (!buffer || size < 128) return false;
    const DWORD length = ::GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
    // 0 is a failure; a length not below the size is the size the system would need.
    return length != 0 && length < static_cast<DWORD>(size);
}

bool __stdcall CHelper::GetWorkingLeafPath(char* buffer, std::int32_t size)
{
    if (!buffer || size < 128) return false;
    try {
        // The directory goes to a copy, so that a result that does not fit
        // leaves the caller's buffer as it was.
        std::vector<char> directory(static_cast<size_t>(size), '\0');
        if (!static_cast<IHelper*>(this)->GetWorkingDirectory(directory.data(), size)) return false;
        const std::string path(directory.data());
        const size_t slash = path.rfind('\\');
        if (slash == std::string::npos) return false;
        const std::string result = path + '\\' + path.substr(slash + 1);
        if (result.size() >= static_cast<size_t>(size)) return false;
        std::memcpy(buffer, result.c_str(), result.size() + 1);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool __stdcall CHelper::IsIPv4Address(const char* text, std::int32_t length)
{
    if (!text || length < 7 || length > 15) return false;
    // Four parts of one to three digits, each at most 255, joined by three dots.
    int parts = 0;
    int digits = 0;
    int value = 0;
    for (const char* p = text;; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            if (++digits > 3) return false;
            value = value * 10 + (c - '0');
            if (value > 255) return false;
        } else if (c == '.' || c == '\0') {
            if (digits == 0) return false;
            ++parts;
            if (c == '\0') break;
            if (parts == 4) return false;
            digits = 0;
            value = 0;
        } else {
            return false;
        }
    }
    return parts == 4;
}

bool __stdcall CHelper::IsDigits(const char* text, std::int32_t /*length*/)
{
    if (!text) return false;
    for (const char* p = text; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

bool __stdcall CHelper::IsLetters(const char* text, std::int32_t /*length*/)
{
    if (!text) return false;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    }
    return true;
}

bool __stdcall CHelper::ShuffleDeck(HelperDeck* deck)
{
    if (!deck || deck->size() != kDeckSize) return false;
    // In place: the caller's own storage, nothing allocated across the boundary.
    const auto ordered = OrderedDeck();
    std::copy(ordered.begin(), ordered.end(), deck->begin());
    HelperDeck& d = *deck;
    for (size_t i = 1; i < d.size(); ++i) {
        const auto r = static_cast<size_t>(ThreadRandom::Next());
        std::swap(d[i], d[r % (i + 1)]);
    }
    return true;
}

std::int32_t __stdcall CHelper::SetProcessThreadsSuspended(std::uint32_t processId, std::int32_t suspend)
{
    // Suspending our own threads would suspend this one too and never return.
    if (processId == ::GetCurrentProcessId()) return 0;
    unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return 0;

    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    static_assert(sizeof(THREADENTRY32) == 28);
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        const unique_handle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
        if (!thread) continue;
        if (suspend)
            ::SuspendThread(thread.get());
        else
            ::ResumeThread(thread.get());
    }
    return ::CloseHandle(snapshot.release());
}

} // namespace kd
