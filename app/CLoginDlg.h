// The login dialog (template 129): checks an administrator's account and
// password against that administrator's account file, in the session it is given.
#pragma once

#include <string>

#include "CAdminSession.h"
#include "CDialog.h"

class CLoginDlg : public kd::CDialog, private CAdminSession::Prompt {
public:
    // Asked when the account file is missing or empty and a whole copy of it is found.
    static constexpr const char* kRestoreText =
        "The account file is missing or empty, but a whole copy of it was found. Restore the copy?";

    explicit CLoginDlg(CAdminSession& session) noexcept;

    std::string m_strAccount;
    std::string m_strPassword;

protected:
    void DoDataExchange(kd::CDataExchange& dx) override;

private:
    void OnBnClickedOk();
    bool ShouldRestore() override;
    void RestoreFailed() override;
    void Refused(CAdminSession::Refusal reason) override;

    CAdminSession& m_session;
};
