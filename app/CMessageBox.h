// Kordane's one-line message dialog (template 133): beeps the question sound
// and shows its text centred. Every user message of the program goes through it.
#pragma once

#include <string>

#include "CDialog.h"

class CMessageBox : public kd::CDialog {
public:
    CMessageBox(std::string text, HWND owner) noexcept;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(kd::CDataExchange& dx) override;

private:
    void OnBnClickedOk();
    LRESULT OnPaint(WPARAM, LPARAM);

    std::string m_strText;
    kd::CControl m_staticText;
};
