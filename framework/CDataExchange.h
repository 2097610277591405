// Transfer between a dialog's members and its controls, declared once per
// dialog in DoDataExchange and run in either direction by UpdateData.
#pragma once

#include <windows.h>

#include <string>

#include "CControl.h"

namespace kd {

class CDataExchange {
public:
    CDataExchange(HWND dialog, bool saveAndValidate) noexcept : m_dialog(dialog), m_save(saveAndValidate) {}

    // False once a field failed validation; later exchanges are skipped.
    [[nodiscard]] bool Succeeded() const noexcept { return !m_failed; }

    // Binds a member wrapper to control `id` (both directions).
    void Control(int id, CControl& control) noexcept;
    // A string shown in control `id`. With maxChars > 0 the control is limited
    // to that many characters; reading a longer text (one the user could not
    // have typed, set from outside) fails validation rather than cut it: the
    // member keeps its value and the field gets the focus with its text selected.
    void Text(int id, std::string& value, int maxChars = 0);

private:
    void Fail(HWND control) noexcept;

    HWND m_dialog;
    bool m_save; // true: the controls are read into the members; false: the members are shown
    bool m_failed = false;
};

} // namespace kd
