// A window class named after an OLE control's class identifier ("{8856F961-...}"),
// so that dialog templates and CreateWindow can name the control by class: each
// window of the class creates that control in process and activates it in place
// over its client area, and closes it again when the window is destroyed.
//
// When the control cannot be created the window still exists and shows an empty
// area; CreateResult() tells why. No prompt or message box comes from here.
#pragma once

#include <windows.h>

#include <string>

#include "COleControlSite.h"

namespace kd {

class COleControlWnd {
public:
    // The window class name for a control class: its identifier in braces, upper case.
    [[nodiscard]] static std::string ClassName(REFCLSID clsid);
    // Registers the window class for `clsid` with `instance` (true when it is, or
    // already was, registered).
    [[nodiscard]] static bool Register(HINSTANCE instance, REFCLSID clsid) noexcept;

    // For a window of a registered class: S_OK when its control was created and
    // activated, otherwise the failure code (E_INVALIDARG for other windows).
    [[nodiscard]] static HRESULT CreateResult(HWND wnd) noexcept;
    // The site of the window's control; empty when there is no control.
    [[nodiscard]] static com_ptr<COleControlSite> Site(HWND wnd) noexcept;
    // An interface of the window's control.
    [[nodiscard]] static HRESULT QueryControl(HWND wnd, REFIID iid, void** out) noexcept;

private:
    struct State;
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] static State* StateOf(HWND wnd) noexcept;
    static void CloseControl(State& state) noexcept;
};

} // namespace kd
