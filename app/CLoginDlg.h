// The login dialog (template 129): checks an administrator's account and
// password against that administrator's account file in the main dialog's store.
#pragma once

#include <string>

#include "CDialog.h"

class CLoginDlg : public kd::CDialog {
public:
    CLoginDlg() noexcept;

    std::string m_strAccount;
    std::string m_strPassword;

protected:
    void DoDataExchange(kd::CDataExchange& dx) override;

private:
    void OnBnClickedOk();
};
