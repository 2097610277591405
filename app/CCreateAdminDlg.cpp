#include "CCreateAdminDlg.h"

#include "CKordaneApp.h"
#include "CKordaneDlg.h"
#include "CMessageBox.h"
#include "resource.h"

CCreateAdminDlg::CCreateAdminDlg() noexcept : kd::CDialog(IDD_CREATEADMIN_DIALOG)
{
    MapCommand(IDOK, &CCreateAdminDlg::OnBnClickedOk);
}

void CCreateAdminDlg::DoDataExchange(kd::CDataExchange& dx)
{
    dx.Text(IDC_EDIT_ACCOUNT, m_strAccount, CKordaneDlg::kMaxFieldChars);
    dx.Text(IDC_EDIT_PASSWORD, m_strPassword, CKordaneDlg::kMaxFieldChars);
    dx.Text(IDC_EDIT_CONFIRM, m_strConfirm, CKordaneDlg::kMaxFieldChars);
}

void CCreateAdminDlg::ShowMessage(const char* text)
{
    CMessageBox box(text, m_hWnd);
    box.DoModal();
}

void CCreateAdminDlg::OnBnClickedOk()
{
    if (!UpdateData(true)) return;
    if (m_strAccount.empty()) {
        ShowMessage("Please input the account.");
        ::SetFocus(GetDlgItem(IDC_EDIT_ACCOUNT));
        return;
    }
    if (m_strPassword.empty()) {
        ShowMessage("Please input the password.");
        ::SetFocus(GetDlgItem(IDC_EDIT_PASSWORD));
        return;
    }
    if (m_strConfirm.empty()) {
        ShowMessage("Please input the confirm password.");
        ::SetFocus(GetDlgItem(IDC_EDIT_CONFIRM));
        return;
    }
    if (m_strPassword != m_strConfirm) {
        ShowMessage("Two passwords must be same.");
        ::SetFocus(GetDlgItem(IDC_EDIT_PASSWORD));
        return;
    }
    CKordaneDlg* main = CKordaneDlg::FromApp();
    if (!main) {
        WriteTraceLine(89, "CCreateAdminDlg::OnBnClickedOk");
        return;
    }
    CAccountFile& store = main->m_accountFile;
    if (store.Exists(m_strAccount.c_str())) {
        ShowMessage("Error:The Account is existend.");
        ::SetFocus(GetDlgItem(IDC_EDIT_ACCOUNT));
        return;
    }
    if (!store.Open(m_strAccount.c_str())) {
        WriteTraceLine(101, "CCreateAdminDlg::OnBnClickedOk");
        return;
    }
    AccountFileHeader& header = store.m_header;
    kd::SetText(header.adminAccount, m_strAccount);
    kd::SetText(header.adminPassword, m_strPassword);
    OnOK();
}
