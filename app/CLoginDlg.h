// The login dialog (template 129): checks an administrator's account and
// password against that administrator's account file in the main dialog's store.
#pragma once

#include <string>

#include "CDialog.h"

class CAccountFile;

class CLoginDlg : public kd::CDialog {
public:
    // Asked when the account file is missing or empty and a whole copy of it is found.
    static constexpr const char* kRestoreText =
        "The account file is missing or empty, but a whole copy of it was found. Restore the copy?";

    CLoginDlg() noexcept;

    std::string m_strAccount;
    std::string m_strPassword;

protected:
    void DoDataExchange(kd::CDataExchange& dx) override;

private:
    void OnBnClickedOk();
    void RecoverLeftovers(CAccountFile& store);
};
