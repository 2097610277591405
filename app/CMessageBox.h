// Kordane's one-line message dialog (template 133): beeps the question sound
// and shows its text centred. Every user message of the program goes through it.
#pragma once

#include <string>

#include "CDialog.h"

class CMessageBox : public kd::CDialog {
public:
    CMessageBox(std::string text, HWND owner) noexcept;

    // Shows text modally over owner, then moves the focus to owner's control
    // focusId (0 leaves the focus where it is).
    static void Show(HWND owner, const char* text, int focusId = 0);
    // A required field left empty: shows text and focuses the field. True when
    // the field has a value.
    [[nodiscard]] static bool Require(HWND owner, const std::string& value, const char* text, int focusId);

protected:
    [[nodiscard]] bool OnInitDialog() override;
    void DoDataExchange(kd::CDataExchange& dx) override;

private:
    void OnBnClickedOk();
    LRESULT OnPaint(WPARAM, LPARAM);

    std::string m_strText;
    kd::CControl m_staticText;
};
