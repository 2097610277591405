#include "CLoginDlg.h"

#include <utility>

#include "CKordaneApp.h"
#include "CKordaneDlg.h"
#include "CMessageBox.h"
#include "resource.h"

CLoginDlg::CLoginDlg() noexcept : kd::CDialog(IDD_LOGIN_DIALOG)
{
    MapCommand(IDOK, &CLoginDlg::OnBnClickedOk);
}

void CLoginDlg::DoDataExchange(kd::CDataExchange& dx)
{
    dx.Text(IDC_EDIT_ACCOUNT, m_strAccount, CKordaneDlg::kMaxFieldChars);
    dx.Text(IDC_EDIT_PASSWORD, m_strPassword, CKordaneDlg::kMaxFieldChars);
}

void CLoginDlg::OnBnClickedOk()
{
    if (!UpdateData(true)) return;
    if (!CMessageBox::Require(m_hWnd, m_strAccount, "Please input the account.", IDC_EDIT_ACCOUNT) ||
        !CMessageBox::Require(m_hWnd, m_strPassword, "Please input the password.", IDC_EDIT_PASSWORD))
        return;
    CKordaneDlg* main = CKordaneDlg::FromApp();
    if (!main) return;
    CAccountFile& store = main->m_accountFile;
    if (!store.Exists(m_strAccount.c_str())) {
        CMessageBox::Show(m_hWnd, "Login Failed:Account error.");
        return;
    }
    // Another Kordane working on this administrator would overwrite, at its
    // exit, whatever this one saves (or the other way round). The lock is
    // released again on every path that does not end the dialog with OK.
    CAccountLock lock;
    if (lock.Acquire(m_strAccount) == CAccountLock::Result::InUse) {
        WriteTraceLine(__LINE__, "CLoginDlg::OnBnClickedOk");
        CMessageBox::Show(m_hWnd, CAccountLock::kInUseText);
        return;
    }
    if (!store.Open(m_strAccount.c_str())) {
        WriteTraceLine(83, "CLoginDlg::OnBnClickedOk");
        return;
    }
    const AccountFileHeader& header = store.m_header;
    if (kd::TextEquals(header.adminAccount, m_strAccount) && kd::TextEquals(header.adminPassword, m_strPassword)) {
        main->m_accountLock = std::move(lock);
        OnOK();
        return;
    }
    CMessageBox::Show(m_hWnd, "Login Failed:Password error.");
}
