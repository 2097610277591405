#include "CCreateAdminDlg.h"

#include <utility>

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

void CCreateAdminDlg::OnBnClickedOk()
{
    if (!UpdateData(true)) return;
    if (!CMessageBox::Require(m_hWnd, m_strAccount, "Please input the account.", IDC_EDIT_ACCOUNT) ||
        !CMessageBox::Require(m_hWnd, m_strPassword, "Please input the password.", IDC_EDIT_PASSWORD) ||
        !CMessageBox::Require(m_hWnd, m_strConfirm, "Please input the confirm password.", IDC_EDIT_CONFIRM))
        return;
    if (m_strPassword != m_strConfirm) {
        CMessageBox::Show(m_hWnd, "Two passwords must be same.", IDC_EDIT_PASSWORD);
        return;
    }
    CKordaneDlg* main = CKordaneDlg::FromApp();
    if (!main) {
        WriteTraceLine(89, "CCreateAdminDlg::OnBnClickedOk");
        return;
    }
    CAccountFile& store = main->m_accountFile;
    if (!store.Bind(m_strAccount.c_str())) {
        WriteTraceLine(101, "CCreateAdminDlg::OnBnClickedOk");
        return;
    }
    if (!store.IsMissingOrEmpty() && store.Exists()) {
        CMessageBox::Show(m_hWnd, "Error:The Account is existend.", IDC_EDIT_ACCOUNT);
        return;
    }
    // Taken before the file is created, so that another Kordane can neither
    // create the same administrator nor log in to it meanwhile. What was
    // checked above is decided again under the lock.
    CAccountLock lock;
    switch (lock.Acquire(store.GetPath())) {
    case CAccountLock::Result::InUse:
        WriteTraceLine(__LINE__, "CCreateAdminDlg::OnBnClickedOk");
        CMessageBox::Show(m_hWnd, CAccountLock::kInUseText, IDC_EDIT_ACCOUNT);
        return;
    case CAccountLock::Result::Failed:
        WriteTraceLine(__LINE__, "CCreateAdminDlg::OnBnClickedOk");
        CMessageBox::Show(m_hWnd, CAccountLock::kFailedText, IDC_EDIT_ACCOUNT);
        return;
    case CAccountLock::Result::Held:
    case CAccountLock::Result::Unavailable:
        break;
    }
    switch (store.Create(m_strAccount, m_strPassword)) {
    case CAccountFile::CreateResult::Exists:
        CMessageBox::Show(m_hWnd, "Error:The Account is existend.", IDC_EDIT_ACCOUNT);
        return;
    case CAccountFile::CreateResult::Failed:
        WriteTraceLine(101, "CCreateAdminDlg::OnBnClickedOk");
        return;
    case CAccountFile::CreateResult::Created:
        break;
    }
    main->m_accountLock = std::move(lock);
    OnOK();
}
