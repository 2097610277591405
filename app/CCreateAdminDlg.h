// The create-administrator dialog (template 130): sets up a new administrator,
// whose account file is created at once and filled when the program ends.
#pragma once

#include <string>

#include "CDialog.h"

class CCreateAdminDlg : public kd::CDialog {
public:
    CCreateAdminDlg() noexcept;

    std::string m_strAccount;
    std::string m_strPassword;
    std::string m_strConfirm;

protected:
    void DoDataExchange(kd::CDataExchange& dx) override;

private:
    void OnBnClickedOk();
};
