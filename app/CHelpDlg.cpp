#include "CHelpDlg.h"

#include <shellapi.h>

#include "resource.h"

CHelpDlg::CHelpDlg() noexcept : kd::CDialog(IDD_HELP_DIALOG)
{
    MapCommand(IDC_BUTTON_VISIT_SITE, &CHelpDlg::OnBnClickedVisitSite);
}

bool CHelpDlg::OnInitDialog()
{
    kd::CDialog::OnInitDialog();
    return true;
}

void CHelpDlg::OnBnClickedVisitSite()
{
    // The outcome is not checked: the help dialog stays open either way.
    ::ShellExecuteA(nullptr, "open", kWebSiteUrl, nullptr, nullptr, SW_SHOWMAXIMIZED);
}
