#include "CDialog.h"

#include "FieldLabels.h"

#include <utility>

namespace kd {

namespace {

// Messages whose dialog-procedure answer is the result itself, not a BOOL.
bool ReturnsResultDirectly(UINT message) noexcept
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

CDialog* g_mainWindow = nullptr;

// Dialog templates are the executable's resources.
HINSTANCE ResourceInstance() noexcept
{
    return ::GetModuleHandleA(nullptr);
}

} // namespace

CDialog::CDialog(UINT templateId, HWND parent) noexcept : m_parent(parent), m_templateId(templateId) {}

CDialog::~CDialog()
{
    if (m_hWnd) {
        // Destroyed while its window still exists (a stack dialog left in an
        // unusual way): detach first so no message reaches a dead object.
        ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        HWND wnd = std::exchange(m_hWnd, nullptr);
        ::DestroyWindow(wnd);
    }
    if (g_mainWindow == this) g_mainWindow = nullptr;
}

INT_PTR CDialog::DoModal()
{
    // Without a parent the application's main window owns the dialog, as with
    // the platform's dialog class: it stays disabled while the dialog runs.
    HWND owner = m_parent;
    if (!owner) {
        if (g_mainWindow && g_mainWindow != this) owner = g_mainWindow->GetSafeHwnd();
        while (owner && (::GetWindowLongPtrA(owner, GWL_STYLE) & WS_CHILD)) owner = ::GetParent(owner);
    }
    m_modal = true;
    const INT_PTR result = ::DialogBoxParamA(ResourceInstance(), MAKEINTRESOURCEA(m_templateId), owner, DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    m_modal = false;
    return result;
}

bool CDialog::Create()
{
    m_modal = false;
    HWND wnd = ::CreateDialogParamA(ResourceInstance(), MAKEINTRESOURCEA(m_templateId), m_parent, DialogProc,
                                    reinterpret_cast<LPARAM>(this));
    if (!wnd) return false;
    m_autoDelete = true;
    return true;
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    if (!m_hWnd) return false;
    CDataExchange dx(m_hWnd, saveAndValidate);
    DoDataExchange(dx);
    return dx.Succeeded();
}

void CDialog::EndDialog(INT_PTR result) noexcept
{
    if (!m_hWnd) return;
    if (m_modal)
        ::EndDialog(m_hWnd, result);
    else
        (void)DestroyWindow(); // a window already gone needs nothing more
}

bool CDialog::DestroyWindow() noexcept
{
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

void CDialog::GotoDlgCtrl(int id) const noexcept
{
    if (HWND control = GetDlgItem(id)) ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

CDialog* CDialog::MainWindow() noexcept
{
    return g_mainWindow;
}

void CDialog::SetMainWindow(CDialog* dialog) noexcept
{
    g_mainWindow = dialog;
}

CDialog* CDialog::FromHandle(HWND wnd) noexcept
{
    if (!wnd || ::GetWindowLongPtrA(wnd, DWLP_DLGPROC) == 0) return nullptr;
    // DWLP_USER belongs to whoever owns the dialog procedure: only trust ours.
    if (reinterpret_cast<DLGPROC>(::GetWindowLongPtrA(wnd, DWLP_DLGPROC)) != DialogProc) return nullptr;
    return reinterpret_cast<CDialog*>(::GetWindowLongPtrA(wnd, DWLP_USER));
}

bool CDialog::PreTranslateMessage(MSG& msg)
{
    return m_hWnd && ::IsDialogMessageA(m_hWnd, &msg);
}

bool CDialog::OnInitDialog()
{
    (void)UpdateData(false); // filling the controls validates nothing
    (void)PutLabelsBeforeFields(m_hWnd);
    return true;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK()
{
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::PostNcDestroy()
{
    if (m_autoDelete) delete this;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = wnd;
        ::SetWindowLongPtrA(wnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(wnd, DWLP_USER));
    }
    if (!self) return FALSE; // messages before WM_INITDIALOG (WM_SETFONT)
    return self->HandleMessage(message, wParam, lParam);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    bool handled = false;
    LRESULT result = 0;
    const bool outerDefault = std::exchange(m_default, false);

    for (const Message& entry : m_messages) {
        if (entry.message == message) {
            result = entry.handler(wParam, lParam);
            handled = !m_default;
            break;
        }
    }
    if (!handled && !m_default) {
        switch (message) {
        case WM_INITDIALOG:
            result = OnInitDialog() ? TRUE : FALSE;
            handled = true;
            break;
        case WM_COMMAND:
            handled = RouteCommand(wParam);
            break;
        case WM_NOTIFY:
            handled = RouteNotify(reinterpret_cast<NMHDR*>(lParam), result);
            break;
        default:
            break;
        }
    }
    m_default = outerDefault;

    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        m_hWnd = nullptr;
        if (g_mainWindow == this) g_mainWindow = nullptr;
        PostNcDestroy(); // may delete this
        return FALSE;
    }
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

bool CDialog::RouteCommand(WPARAM wParam)
{
    const int id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    for (const Command& entry : m_commands) {
        if (entry.id == id && entry.code == code) {
            entry.handler();
            return true;
        }
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

bool CDialog::RouteNotify(NMHDR* hdr, LRESULT& result)
{
    if (!hdr) return false;
    for (const Notify& entry : m_notifies) {
        if (entry.id == static_cast<int>(hdr->idFrom) && entry.code == hdr->code) {
            result = entry.handler(hdr);
            return true;
        }
    }
    return false;
}

} // namespace kd
