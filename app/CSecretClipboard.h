// Copies an entry's text to the clipboard without showing it, marked so that
// Windows keeps it out of clipboard history and the cloud clipboard, and
// takes it back later: after a delay, at Exit and at log-off; each time only
// while the clipboard still holds this copy, never what was copied since.
#pragma once

#include <windows.h>

#include <string_view>

class CSecretClipboard {
public:
    static constexpr UINT kClearDelayMs = 12000;

    // The timer runs on the owner window, whose WM_TIMER hands `timerId` to OnTimer.
    explicit CSecretClipboard(UINT_PTR timerId, UINT clearDelayMs = kClearDelayMs) noexcept
        : m_timerId(timerId), m_clearDelayMs(clearDelayMs)
    {
    }
    CSecretClipboard(const CSecretClipboard&) = delete;
    CSecretClipboard& operator=(const CSecretClipboard&) = delete;

    // `text` in the ANSI code page. False when the clipboard could not be
    // opened (it is left as it was) or did not take the copy (it is left empty).
    [[nodiscard]] bool Copy(HWND owner, std::string_view text);
    // True when the timer was this object's (and the clipboard is dealt with).
    [[nodiscard]] bool OnTimer(HWND owner, UINT_PTR timerId) noexcept;
    // Empties the clipboard if it still holds the copy; forgets the copy.
    void ClearIfStillOurs(HWND owner) noexcept;

private:
    UINT_PTR m_timerId;
    UINT m_clearDelayMs;
    DWORD m_sequence = 0; // the clipboard's sequence number right after the copy; 0: none
};
