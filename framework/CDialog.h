// Dialog base for modal and modeless dialogs made from resource templates.
//
// A static dialog procedure forwards every message to the instance (kept in
// DWLP_USER). Derived dialogs declare their handlers once, in the constructor:
//
//   MapCommand(IDC_LOGIN, &CMyDlg::OnBnClickedLogin);           // WM_COMMAND, BN_CLICKED
//   MapNotify(IDC_LIST, LVN_ITEMCHANGING, &CMyDlg::OnItemChanging); // WM_NOTIFY
//   MapMessage(WM_TIMER, &CMyDlg::OnTimer);                     // any message
//
// A message handler answers the message's result; calling Default() inside it
// lets the platform's dialog processing run as well. IDOK and IDCANCEL without
// a mapped handler go to OnOK and OnCancel.
//
// Modal: DoModal() runs the platform's modal loop and answers the EndDialog
// value (-1 when the dialog could not be created).
// Modeless: Create() on a heap object; from then on the object belongs to its
// window and deletes itself after the window is gone (PostNcDestroy).
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "CDataExchange.h"

namespace kd {

class CDialog {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr) noexcept;
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally. Without a parent window the application's main
    // window (if any) owns it and is disabled meanwhile.
    INT_PTR DoModal();
    [[nodiscard]] bool Create();

    [[nodiscard]] HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    [[nodiscard]] HWND GetDlgItem(int id) const noexcept { return ::GetDlgItem(m_hWnd, id); }

    // Runs DoDataExchange: true reads the controls into the members (false
    // when a field fails validation), false shows the members in the controls.
    [[nodiscard]] bool UpdateData(bool saveAndValidate = true);
    // Modal: ends the modal loop with `result`. Modeless: destroys the window.
    void EndDialog(INT_PTR result) noexcept;
    [[nodiscard]] bool DestroyWindow() noexcept;
    void GotoDlgCtrl(int id) const noexcept;

    // The dialog object of a window of this framework, or null.
    [[nodiscard]] static CDialog* FromHandle(HWND wnd) noexcept;

    // The application's main window (CApp::MainWindow), null once its window is gone.
    [[nodiscard]] static CDialog* MainWindow() noexcept;
    static void SetMainWindow(CDialog* dialog) noexcept;

    // Before dispatch, for messages of the framework's own loop (modeless
    // dialogs): the platform's dialog keyboard handling. True consumes the message.
    [[nodiscard]] virtual bool PreTranslateMessage(MSG& msg);

protected:
    // Platform initialisation: shows the members in the controls and puts
    // each field's label before it for screen readers. True lets the platform
    // set the initial focus.
    [[nodiscard]] virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    // OK processing: reads the fields, then ends the dialog with IDOK.
    virtual void OnOK();
    virtual void OnCancel();
    // After the last message of the window. Modeless dialogs delete themselves here.
    virtual void PostNcDestroy();

    // Inside a message handler: the platform's dialog processing runs as well.
    void Default() noexcept { m_default = true; }

    template <class D>
    void MapCommand(int id, void (D::*handler)(), UINT code = BN_CLICKED)
    {
        m_commands.push_back({id, code, [this, handler] { (static_cast<D*>(this)->*handler)(); }});
    }
    template <class D>
    void MapNotify(int id, UINT code, LRESULT (D::*handler)(NMHDR*))
    {
        m_notifies.push_back(
            {id, code, [this, handler](NMHDR* hdr) { return (static_cast<D*>(this)->*handler)(hdr); }});
    }
    template <class D>
    void MapMessage(UINT message, LRESULT (D::*handler)(WPARAM, LPARAM))
    {
        m_messages.push_back(
            {message, [this, handler](WPARAM w, LPARAM l) { return (static_cast<D*>(this)->*handler)(w, l); }});
    }

    HWND m_hWnd = nullptr;
    HWND m_parent;

private:
    struct Command {
        int id;
        UINT code;
        std::function<void()> handler;
    };
    struct Notify {
        int id;
        UINT code;
        std::function<LRESULT(NMHDR*)> handler;
    };
    struct Message {
        UINT message;
        std::function<LRESULT(WPARAM, LPARAM)> handler;
    };

    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] bool RouteCommand(WPARAM wParam);
    [[nodiscard]] bool RouteNotify(NMHDR* hdr, LRESULT& result);

    UINT m_templateId;
    bool m_modal = false;
    bool m_autoDelete = false;
    bool m_default = false;
    std::vector<Command> m_commands;
    std::vector<Notify> m_notifies;
    std::vector<Message> m_messages;
};

} // namespace kd
