// The help dialog (template 132): the FAQ page in the embedded web browser
// (control 1030), Close, and "Visit out web site" in the user's browser.
#pragma once

#include "CDialog.h"

class CHelpDlg : public kd::CDialog {
public:
    // The vendor web site opened by "Visit out web site".
    static constexpr const char* kWebSiteUrl = "https://kordane.example.org/";

    CHelpDlg() noexcept;

protected:
    bool OnInitDialog() override;

private:
    void OnBnClickedVisitSite();
};
