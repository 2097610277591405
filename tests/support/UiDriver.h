// The one way tests, benchmarks and uidriver.exe find and operate windows, in
// this process or in another, as a user would: by caption and control id.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "win32_text.h"

namespace kdtest {

using kd::WindowText;

inline std::string ClassName(HWND wnd)
{
    char name[256] = {};
    const int got = ::GetClassNameA(wnd, name, sizeof name);
    return std::string(name, got > 0 ? static_cast<size_t>(got) : 0);
}

inline std::string ItemText(HWND dialog, int id)
{
    return WindowText(::GetDlgItem(dialog, id));
}

// WM_SETTEXT reaches a control of another process too: the system marshals it.
inline void SetItemText(HWND dialog, int id, const std::string& text)
{
    ::SendMessageA(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The control id of the focused window of `thread` (0 when none).
inline int FocusedId(DWORD thread)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(thread, &info) || !info.hwndFocus) return 0;
    return ::GetDlgCtrlID(info.hwndFocus);
}

inline bool IsItemEnabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

// Presses a button and returns after its handler; only for a handler that
// opens no modal loop, or the caller waits until that loop ends.
inline void Click(HWND dialog, int id)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// Presses a button through the dialog's queue: never blocks on a modal loop
// that the press opens.
inline void PostClick(HWND dialog, int id)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// A key as the keyboard types it, with a modifier key held (0: none), into
// whatever has the focus: shortcuts read the keyboard state, which a posted
// message does not set. False when the system took not every event.
inline bool SendKey(WORD vk, WORD modifier = 0)
{
    std::vector<INPUT> inputs;
    auto add = [&inputs](WORD code, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = code;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(in);
    };
    if (modifier) add(modifier, false);
    add(vk, false);
    add(vk, true);
    if (modifier) add(modifier, true);
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// Round-trips a few sent messages, so that what was posted before is handled.
inline void Sync(HWND wnd)
{
    for (int i = 0; i < 3; ++i) {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    }
}

inline int ListRowCount(HWND list)
{
    return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

// Which top-level windows a search accepts: by default every visible one. A
// test names the thread or process it drives, since other test programs may
// share the display. Built in a chain: WindowQuery().Titled("Login Dialog").OfThread(id).
class WindowQuery {
public:
    WindowQuery& Titled(std::string caption)
    {
        m_caption = std::move(caption);
        return *this;
    }
    // "#32770": dialogs, "#32768": popup menus.
    WindowQuery& OfClass(std::string className)
    {
        m_className = std::move(className);
        return *this;
    }
    WindowQuery& OfProcess(DWORD process)
    {
        m_process = process;
        return *this;
    }
    WindowQuery& OfThread(DWORD thread)
    {
        m_thread = thread;
        return *this;
    }
    WindowQuery& IncludingHidden()
    {
        m_visibleOnly = false;
        return *this;
    }
    // Not disabled, as the owner of a modal loop is.
    WindowQuery& TakingInput()
    {
        m_enabledOnly = true;
        return *this;
    }

    [[nodiscard]] DWORD Thread() const noexcept { return m_thread; }

    [[nodiscard]] bool Matches(HWND wnd) const
    {
        if (m_visibleOnly && !::IsWindowVisible(wnd)) return false;
        if (m_enabledOnly && !::IsWindowEnabled(wnd)) return false;
        if (m_process) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(wnd, &pid);
            if (pid != m_process) return false;
        }
        if (!m_className.empty() && ClassName(wnd) != m_className) return false;
        return m_caption.empty() || WindowText(wnd) == m_caption;
    }

private:
    std::string m_caption;
    std::string m_className;
    DWORD m_process = 0;
    DWORD m_thread = 0;
    bool m_visibleOnly = true;
    bool m_enabledOnly = false;
};

namespace detail {

struct WindowSearch {
    const WindowQuery* query;
    std::vector<HWND> found;
};

inline BOOL CALLBACK CollectMatching(HWND wnd, LPARAM lp)
{
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    if (search->query->Matches(wnd)) search->found.push_back(wnd);
    return TRUE;
}

} // namespace detail

// Matching top-level windows, topmost first.
inline std::vector<HWND> FindWindows(const WindowQuery& query)
{
    detail::WindowSearch search{&query, {}};
    if (query.Thread())
        ::EnumThreadWindows(query.Thread(), detail::CollectMatching, reinterpret_cast<LPARAM>(&search));
    else
        ::EnumWindows(detail::CollectMatching, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline HWND FindTopWindow(const WindowQuery& query)
{
    const std::vector<HWND> found = FindWindows(query);
    return found.empty() ? nullptr : found.front();
}

// Polls until a matching window shows; null after `ms` or, when `process` is
// given, once that process has ended.
inline HWND WaitTopWindow(const WindowQuery& query, DWORD ms, HANDLE process = nullptr, DWORD pollMs = 30)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND wnd = FindTopWindow(query)) return wnd;
        if (::GetTickCount() - start >= ms) return nullptr;
        if (process && ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return nullptr;
        ::Sleep(pollMs);
    }
}

// Polls until no matching window is left: false after `ms`.
[[nodiscard]] inline bool WaitGone(const WindowQuery& query, DWORD ms)
{
    const DWORD start = ::GetTickCount();
    while (FindTopWindow(query)) {
        if (::GetTickCount() - start >= ms) return false;
        ::Sleep(30);
    }
    return true;
}

} // namespace kdtest
