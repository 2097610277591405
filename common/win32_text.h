// The Win32 idioms every deliverable needs, written once: single-byte text as
// wide text and back, a window's text, and a module's whole path and folder.
#pragma once

#include <windows.h>

#include <climits>
#include <cstddef>
#include <string>
#include <string_view>

namespace kd {

// `text` in `codePage` as UTF-16. Empty for empty text, text longer than the
// system takes, or text the system cannot convert (with MB_ERR_INVALID_CHARS in
// `flags`: any byte that is no character of the code page). Throws std::bad_alloc.
[[nodiscard]] inline std::wstring Widen(std::string_view text, UINT codePage = CP_ACP, DWORD flags = 0)
{
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int count = ::MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (count <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    if (::MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), count) != count) return {};
    return wide;
}

// `text` from UTF-16 into `codePage`, characters it lacks as the system's
// default character. Empty for empty text or text the system cannot convert.
// Throws std::bad_alloc.
[[nodiscard]] inline std::string Narrow(std::wstring_view text, UINT codePage = CP_ACP)
{
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int count = ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return {};
    std::string narrow(static_cast<std::size_t>(count), '\0');
    if (::WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), count, nullptr, nullptr) != count)
        return {};
    return narrow;
}

// A window's whole text, however long (empty for no window or no text).
// Throws std::bad_alloc.
[[nodiscard]] inline std::string WindowText(HWND wnd)
{
    if (!wnd) return {};
    const int length = ::GetWindowTextLengthA(wnd);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = ::GetWindowTextA(wnd, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

// The whole path of `module` (null: the program). The buffer grows rather
// than cutting the path; empty when the system fails. Throws std::bad_alloc.
[[nodiscard]] inline std::string ModuleFileName(HMODULE module)
{
    constexpr std::size_t kLongestPath = 32768; // what the system's wide paths allow
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= kLongestPath) return {};
        path.resize(path.size() * 2);
    }
}

// The folder of `module` (null: the program) with its trailing backslash;
// empty when the system fails. Throws std::bad_alloc.
[[nodiscard]] inline std::string ModuleFolder(HMODULE module)
{
    std::string path = ModuleFileName(module);
    const std::size_t slash = path.find_last_of("\\/");
    path.erase(slash == std::string::npos ? 0 : slash + 1);
    return path;
}

} // namespace kd
