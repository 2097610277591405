// The login dialog (template 129): checks an administrator's account and
// password against that administrator's account file, in the session it is given.
#pragma once

#include <string>

#include "CAdminSession.h"
#include "CDialog.h"

class CLoginDlg : public kd::CDialog, private CAdminSession::Prompt {
public:
    explicit CLoginDlg(CAdminSession& session) noexcept;

    std::string m_strAccount;
    std::string m_strPassword;

protected:
    void DoDataExchange(kd::CDataExchange& dx) override;

private:
    void OnBnClickedOk();
    void Refused(CAdminSession::Refusal reason) override;
    CAdminSession::CopyChoice OfferCopy(const CAccountCopies::Copy& copy, const std::string& difference) override;
    [[nodiscard]] bool ConfirmDiscard(const CAccountCopies::Copy& copy) override;
    void CopyNotHandled(const CAccountCopies::Copy& copy, CAdminSession::CopyChoice choice) override;
    void FileDamaged(const CAccountFile::LoadReport& report, const std::string& kept) override;

    // How the copy being offered differs from the file, for the confirmation.
    std::string m_strDifference;

    CAdminSession& m_session;
};
