#include "CCreateAdminDlg.h"

#include "CMessageBox.h"
#include "RecoveryTexts.h"
#include "Trace.h"
#include "resource.h"

CCreateAdminDlg::CCreateAdminDlg(CAdminSession& session) noexcept
    : kd::CDialog(IDD_CREATEADMIN_DIALOG), m_session(session)
{
    MapCommand(IDOK, &CCreateAdminDlg::OnBnClickedOk);
}

void CCreateAdminDlg::DoDataExchange(kd::CDataExchange& dx)
{
    dx.Text(IDC_EDIT_ACCOUNT, m_strAccount, CAdminSession::kMaxFieldChars);
    dx.Text(IDC_EDIT_PASSWORD, m_strPassword, CAdminSession::kMaxFieldChars);
    dx.Text(IDC_EDIT_CONFIRM, m_strConfirm, CAdminSession::kMaxFieldChars);
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
    if (m_session.Create(m_strAccount, m_strPassword, *this)) OnOK();
}

void CCreateAdminDlg::Refused(CAdminSession::Refusal reason)
{
    switch (reason) {
    case CAdminSession::Refusal::Exists:
        CMessageBox::Show(m_hWnd, "Error:The Account is existend.", IDC_EDIT_ACCOUNT);
        break;
    case CAdminSession::Refusal::InUse:
        WriteTraceLine(tracepoint::kCreateInUse);
        CMessageBox::Show(m_hWnd, CAccountLock::kInUseText, IDC_EDIT_ACCOUNT);
        break;
    case CAdminSession::Refusal::LockFailed:
        WriteTraceLine(tracepoint::kCreateLockFailed);
        CMessageBox::Show(m_hWnd, CAccountLock::kFailedText, IDC_EDIT_ACCOUNT);
        break;
    case CAdminSession::Refusal::CreateFailed:
        WriteTraceLine(tracepoint::kCreateFailed);
        break;
    case CAdminSession::Refusal::AccountError:
    case CAdminSession::Refusal::PasswordError:
    case CAdminSession::Refusal::OpenFailed:
        break; // login only
    }
}

void CCreateAdminDlg::CopiesKept(std::size_t count)
{
    (void)recoverytext::Ask(recoverytext::CopiesKept(m_session.FileName(), count), m_hWnd);
}
