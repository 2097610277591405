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
    // From here on the file, its lock and every save of the session keep the
    // folder that is current now.
    if (!store.Bind(m_strAccount.c_str())) {
        CMessageBox::Show(m_hWnd, "Login Failed:Account error.");
        return;
    }
    // Another Kordane working on this administrator would overwrite, at its
    // exit, whatever this one saves (or the other way round). The lock is
    // released again on every path that does not end the dialog with OK.
    CAccountLock lock;
    switch (lock.Acquire(store.GetPath())) {
    case CAccountLock::Result::InUse:
        WriteTraceLine(__LINE__, "CLoginDlg::OnBnClickedOk");
        CMessageBox::Show(m_hWnd, CAccountLock::kInUseText);
        return;
    case CAccountLock::Result::Failed:
        WriteTraceLine(__LINE__, "CLoginDlg::OnBnClickedOk");
        CMessageBox::Show(m_hWnd, CAccountLock::kFailedText);
        return;
    case CAccountLock::Result::Held:
        RecoverLeftovers(store);
        break;
    case CAccountLock::Result::Unavailable:
        break;
    }
    if (!store.Exists()) {
        CMessageBox::Show(m_hWnd, "Login Failed:Account error.");
        return;
    }
    if (!store.Open()) {
        WriteTraceLine(83, "CLoginDlg::OnBnClickedOk");
        return;
    }
    if (store.IsAdministrator(m_strAccount, m_strPassword)) {
        main->m_accountLock = std::move(lock);
        OnOK();
        return;
    }
    CMessageBox::Show(m_hWnd, "Login Failed:Password error.");
}

// A save killed before its rename leaves the whole list in "<file>.<n>.tmp";
// a session that ended unsaved leaves "<file>.recovery". With the lock held no
// save of this file is under way: a file that is missing or empty gets the
// newest whole copy back if the user wants it, and the temporaries go.
void CLoginDlg::RecoverLeftovers(CAccountFile& store)
{
    if (store.IsMissingOrEmpty()) {
        if (const auto copy = store.FindRestorableCopy()) {
            if (::MessageBoxA(m_hWnd, kRestoreText, "Kordane", MB_YESNO | MB_ICONQUESTION) == IDYES &&
                !store.RestoreCopy(*copy))
                WriteTraceLine(__LINE__, "CLoginDlg::RecoverLeftovers");
        }
    }
    store.RemoveTemporaries();
}
