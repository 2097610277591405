// The create-administrator dialog (template 130): sets up a new administrator
// in the session it is given; the account file is created at once and filled
// when the program ends.
#pragma once

#include <string>

#include "CAdminSession.h"
#include "CDialog.h"

class CCreateAdminDlg : public kd::CDialog, private CAdminSession::Prompt {
public:
    explicit CCreateAdminDlg(CAdminSession& session) noexcept;

    std::string m_strAccount;
    std::string m_strPassword;
    std::string m_strConfirm;

protected:
    void DoDataExchange(kd::CDataExchange& dx) override;

private:
    void OnBnClickedOk();
    void Refused(CAdminSession::Refusal reason) override;
    void CopiesKept(std::size_t count) override;

    CAdminSession& m_session;
};
