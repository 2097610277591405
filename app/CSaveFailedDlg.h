// Shown when the account file cannot be written as the program is about to
// end (template 134): the file, the system's reason, and the choice to retry,
// to leave without saving, or to go on working with every entry kept.
#pragma once

#include <windows.h>

#include <string>

#include "CDialog.h"
#include "resource.h"

class CSaveFailedDlg : public kd::CDialog {
public:
    enum Choice : INT_PTR {
        Retry = IDRETRY,
        ExitWithoutSaving = IDC_BUTTON_EXIT_UNSAVED,
        Cancel = IDCANCEL, // also Escape and the close box
    };

    CSaveFailedDlg(const std::string& fileName, DWORD error, HWND owner);

    // Runs the dialog; Cancel when it could not be shown, so nothing is lost.
    [[nodiscard]] Choice Ask();

    // 'The entries could not be saved to "<file>":'
    [[nodiscard]] static std::string FileLine(const std::string& fileName);
    // The system's text for `error`, on one line.
    [[nodiscard]] static std::string ReasonLine(DWORD error);

protected:
    [[nodiscard]] bool OnInitDialog() override;
    void DoDataExchange(kd::CDataExchange& dx) override;

private:
    void OnBnClickedRetry();
    void OnBnClickedExitWithoutSaving();

    std::string m_strFile;
    std::string m_strReason;
    kd::CControl m_staticFile;
    kd::CControl m_staticReason;
};
