#include "CLoginDlg.h"

#include "CMessageBox.h"
#include "RecoveryTexts.h"
#include "Trace.h"
#include "resource.h"

CLoginDlg::CLoginDlg(CAdminSession& session) noexcept : kd::CDialog(IDD_LOGIN_DIALOG), m_session(session)
{
    MapCommand(IDOK, &CLoginDlg::OnBnClickedOk);
}

void CLoginDlg::DoDataExchange(kd::CDataExchange& dx)
{
    dx.Text(IDC_EDIT_ACCOUNT, m_strAccount, CAdminSession::kMaxFieldChars);
    dx.Text(IDC_EDIT_PASSWORD, m_strPassword, CAdminSession::kMaxFieldChars);
}

void CLoginDlg::OnBnClickedOk()
{
    if (!UpdateData(true)) return;
    if (!CMessageBox::Require(m_hWnd, m_strAccount, "Please input the account.", IDC_EDIT_ACCOUNT) ||
        !CMessageBox::Require(m_hWnd, m_strPassword, "Please input the password.", IDC_EDIT_PASSWORD))
        return;
    // The lock the session takes is released again on every path that does
    // not end the dialog with OK.
    if (m_session.LogIn(m_strAccount, m_strPassword, *this)) OnOK();
}

CAdminSession::CopyChoice CLoginDlg::OfferCopy(const CAccountCopies::Copy& copy, const std::string& difference)
{
    m_strDifference = difference;
    switch (recoverytext::Ask(recoverytext::Offer(m_session.FileName(), copy, difference), m_hWnd)) {
    case recoverytext::kTake:
        return CAdminSession::CopyChoice::Take;
    case recoverytext::kDiscard:
        return CAdminSession::CopyChoice::Discard;
    default:
        return CAdminSession::CopyChoice::Keep;
    }
}

bool CLoginDlg::ConfirmDiscard(const CAccountCopies::Copy& copy)
{
    return recoverytext::Ask(recoverytext::ConfirmDiscard(copy, m_strDifference), m_hWnd) == 0;
}

void CLoginDlg::CopyNotHandled(const CAccountCopies::Copy& copy, CAdminSession::CopyChoice choice)
{
    WriteTraceLine(tracepoint::kCopyNotHandled);
    (void)recoverytext::Ask(recoverytext::NotHandled(copy, choice == CAdminSession::CopyChoice::Take), m_hWnd);
}

void CLoginDlg::FileDamaged(const CAccountFile::LoadReport& report, const std::string& kept)
{
    WriteTraceLine(tracepoint::kFileDamaged);
    (void)recoverytext::Ask(recoverytext::Damaged(m_session.FileName(), report, kept), m_hWnd);
}

void CLoginDlg::Refused(CAdminSession::Refusal reason)
{
    switch (reason) {
    case CAdminSession::Refusal::AccountError:
        CMessageBox::Show(m_hWnd, "Login Failed:Account error.");
        break;
    case CAdminSession::Refusal::InUse:
        WriteTraceLine(tracepoint::kLoginInUse);
        CMessageBox::Show(m_hWnd, CAccountLock::kInUseText);
        break;
    case CAdminSession::Refusal::LockFailed:
        WriteTraceLine(tracepoint::kLoginLockFailed);
        CMessageBox::Show(m_hWnd, CAccountLock::kFailedText);
        break;
    case CAdminSession::Refusal::OpenFailed:
        WriteTraceLine(tracepoint::kLoginOpenFailed);
        break;
    case CAdminSession::Refusal::PasswordError:
        CMessageBox::Show(m_hWnd, "Login Failed:Password error.");
        break;
    case CAdminSession::Refusal::Exists:
    case CAdminSession::Refusal::CreateFailed:
        break; // creation only
    }
}
