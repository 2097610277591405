#include "CMessageBox.h"

#include "resource.h"
#include "unique_any.h"

CMessageBox::CMessageBox(std::string text, HWND owner) noexcept
    : kd::CDialog(IDD_MESSAGE_BOX, owner), m_strText(std::move(text))
{
    MapCommand(IDC_BUTTON_MESSAGE_OK, &CMessageBox::OnBnClickedOk);
    MapMessage(WM_PAINT, &CMessageBox::OnPaint);
}

void CMessageBox::DoDataExchange(kd::CDataExchange& dx)
{
    dx.Control(IDC_STATIC_MESSAGE, m_staticText);
}

bool CMessageBox::OnInitDialog()
{
    const bool defaultFocus = kd::CDialog::OnInitDialog();
    ::MessageBeep(MB_ICONQUESTION);
    m_staticText.SetWindowText(m_strText);
    return defaultFocus;
}

void CMessageBox::Show(HWND owner, const char* text, int focusId)
{
    CMessageBox box(text, owner);
    box.DoModal();
    if (focusId != 0) {
        if (HWND field = ::GetDlgItem(owner, focusId)) ::SetFocus(field);
    }
}

bool CMessageBox::Require(HWND owner, const std::string& value, const char* text, int focusId)
{
    if (!value.empty()) return true;
    Show(owner, text, focusId);
    return false;
}

void CMessageBox::OnBnClickedOk()
{
    OnOK();
}

LRESULT CMessageBox::OnPaint(WPARAM, LPARAM)
{
    kd::paint_scope paint(m_hWnd);
    return 0;
}
