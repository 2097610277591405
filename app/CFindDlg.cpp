#include "CFindDlg.h"

#include <utility>

#include "CAdminSession.h"
#include "resource.h"

CFindDlg::CFindDlg(HWND owner, Finder finder, std::string text)
    : kd::CDialog(IDD_FIND, owner), m_finder(std::move(finder)), m_strText(std::move(text))
{
    MapCommand(IDC_EDIT_FIND, &CFindDlg::OnEditChanged, EN_CHANGE);
}

void CFindDlg::DoDataExchange(kd::CDataExchange& dx)
{
    dx.Text(IDC_EDIT_FIND, m_strText, CAdminSession::kMaxFieldChars);
}

bool CFindDlg::OnInitDialog()
{
    m_bShowingText = true;
    (void)kd::CDialog::OnInitDialog(); // the focus is set below, whatever the default
    m_bShowingText = false;
    Present();
    return false; // the focus is set
}

std::string CFindDlg::StatusText(Outcome outcome, const std::string& text)
{
    switch (outcome) {
    case Outcome::FoundFromTop:
        return "Passed the last entry: found from the top.";
    case Outcome::NotFound:
        return "Not found: no entry contains \"" + text + "\".";
    case Outcome::Found:
    case Outcome::NothingTyped:
        break;
    }
    return {};
}

void CFindDlg::Tell(Outcome outcome)
{
    const std::string status = StatusText(outcome, m_strText);
    HWND line = GetDlgItem(IDC_STATIC_FIND_STATUS);
    // Set while hidden: a static paints new text at once, in its own font,
    // where the skin paints it in the skin's on the next WM_PAINT.
    ::ShowWindow(line, SW_HIDE);
    ::SetWindowTextA(line, status.c_str());
    if (!status.empty()) ::ShowWindow(line, SW_SHOW);
    if (outcome == Outcome::NotFound) ::MessageBeep(MB_ICONINFORMATION);
}

void CFindDlg::OnEditChanged()
{
    if (m_bShowingText || !UpdateData(true)) return;
    Tell(m_finder(m_strText, false));
}

void CFindDlg::FindNext()
{
    if (!UpdateData(true)) return;
    Tell(m_finder(m_strText, true));
}

void CFindDlg::OnOK()
{
    FindNext();
}

void CFindDlg::OnCancel()
{
    (void)DestroyWindow(); // a window already gone needs nothing more
}

void CFindDlg::Present() const noexcept
{
    if (!m_hWnd) return;
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::SetActiveWindow(m_hWnd);
    GotoDlgCtrl(IDC_EDIT_FIND); // selects the field's text too
}

bool CFindDlg::PreTranslateMessage(MSG& msg)
{
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F3) {
        FindNext();
        return true;
    }
    return kd::CDialog::PreTranslateMessage(msg);
}
