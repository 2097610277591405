// The help dialog's embedded web browser: a wrapper around the window of the
// platform's WebBrowser control. The window class is the control's class
// identifier, so the help dialog template (control 1030) and Create() make it
// by class name; making the window creates the control in it (COleControlWnd).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "CControl.h"
#include "COleControlSite.h"

class CExplorer1 : public kd::CControl {
public:
    // The WebBrowser control, as the help dialog's template names it (KD_WEBBROWSER_CLASS).
    static const CLSID kClsid;
    // Navigate in the control's dispatch interface.
    static constexpr DISPID kDispidNavigate = 104;
    // Notification code of the WM_COMMAND the window posts to its parent when
    // the control reports a page it cannot show (its NavigateError event).
    static constexpr WORD kNavigateErrorNotification = 0x0401;

    // Registers the window class (a registrar for CApp::AddControlClass).
    [[nodiscard]] static bool RegisterWindowClass(HINSTANCE instance) noexcept;
    // The window class name, the class identifier in braces.
    [[nodiscard]] static std::string WindowClassName();

    // Creates the window (and with it the control) at run time and binds to it.
    [[nodiscard]] bool Create(HWND parent, const RECT& area, int id);

    // True when the control exists in the bound window.
    [[nodiscard]] bool HasControl() const noexcept;
    // The control's dispatch interface, empty without a control.
    [[nodiscard]] kd::com_ptr<IDispatch> GetControlDispatch() const noexcept;

    // Loads `url` in the control (asynchronously; the page shows when loaded).
    // Null variant arguments count as empty. Without a control, or when the
    // control refuses, a diagnostic line is logged and the failure returned;
    // a page the control reports it cannot show (its NavigateError event) is
    // logged too, and notified to the parent (kNavigateErrorNotification).
    [[nodiscard]] HRESULT Navigate(const char* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                                   VARIANT* headers);

    // The call itself, on any dispatch interface: Navigate (104) as a method
    // without result, with a text and four variants by reference.
    [[nodiscard]] static HRESULT InvokeNavigate(IDispatch* dispatch, const char* url, VARIANT* flags,
                                                VARIANT* targetFrameName, VARIANT* postData, VARIANT* headers) noexcept;

private:
    HWND m_watched = nullptr; // the window whose control reports its navigation errors to us
};
