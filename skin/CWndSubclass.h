// Base of every skin object. A skin object attaches to a window by replacing
// its window procedure with SharedSubclassProc; several objects may attach to
// one window, the one attached last seeing each message first and passing it
// on to the one attached before it (next), the first-attached one to the
// window's own procedure.
//
// Deriving a skin class:
//   - override WindowProc, handle what you need, and call
//     CWndSubclass::WindowProc (or Default()) to pass a message on;
//   - override Subclass/Unsubclass to add set-up and tear-down, calling the
//     base versions to attach/detach; the base Subclass sends WM_NCPAINT and
//     invalidates the window, and records the style at attach;
//   - a derived destructor that needs its own tear-down must call its own
//     Unsubclass while IsAttached(), since the base destructor only detaches.
#pragma once

#include <windows.h>

class CWndSubclass {
public:
    CWndSubclass() noexcept = default;
    virtual ~CWndSubclass();
    CWndSubclass(const CWndSubclass&) = delete;
    CWndSubclass& operator=(const CWndSubclass&) = delete;

    // Attaches to wnd; returns 1, or 0 when already attached or wnd is null.
    [[nodiscard]] virtual int Subclass(HWND wnd);
    // Detaches; returns 1, or 0 when not attached.
    [[nodiscard]] virtual int Unsubclass();
    // Handles one message of the attached window. The base passes it on.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Passes the thread's current message on, exactly as the base WindowProc
    // would, with the wParam and lParam it arrived with.
    LRESULT Default();

    [[nodiscard]] HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    [[nodiscard]] bool IsAttached() const noexcept { return m_hWnd != nullptr; }
    [[nodiscard]] CWndSubclass* Next() const noexcept { return m_next; }
    [[nodiscard]] WNDPROC PreviousProc() const noexcept { return m_prevProc; }
    [[nodiscard]] DWORD StyleAtAttach() const noexcept { return m_styleAtAttach; }
    [[nodiscard]] WORD StyleType() const noexcept { return m_styleType; }

    // The one procedure installed on every subclassed window.
    static LRESULT CALLBACK SharedSubclassProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The message SharedSubclassProc is handling on this thread (window,
    // message, wParam, lParam; time and point as they were).
    [[nodiscard]] static const MSG& CurrentMessage() noexcept;

protected:
    HWND m_hWnd = nullptr;          // null while detached
    WNDPROC m_prevProc = nullptr;   // where messages go when no next object
    CWndSubclass* m_next = nullptr; // attached to the same window before this one
    DWORD m_styleAtAttach = 0;
    WORD m_styleType = 0; // low 16 bits of m_styleAtAttach
};
