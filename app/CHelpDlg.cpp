#include "CHelpDlg.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "CApp.h"

#include "resource.h"

CHelpDlg::CHelpDlg() noexcept : kd::CDialog(IDD_HELP_DIALOG)
{
    MapCommand(IDC_BUTTON_VISIT_SITE, &CHelpDlg::OnBnClickedVisitSite);
}

std::string CHelpDlg::FaqPageUrl()
{
    std::string path = kd::ModuleFileName(nullptr);
    const size_t slash = path.find_last_of("\\/");
    path.erase(slash == std::string::npos ? 0 : slash + 1);
    path += kFaqPage;
    // Escapes what a URL cannot carry (spaces, '#', non-ASCII) the platform's way;
    // room for "file:///" and every character escaped, grown if that is not enough.
    std::string url(path.size() * 3 + 16, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD length = static_cast<DWORD>(url.size());
        const HRESULT hr = ::UrlCreateFromPathA(path.c_str(), url.data(), &length, 0);
        if (SUCCEEDED(hr) && length < url.size()) {
            url.resize(length);
            return url;
        }
        if (hr != E_POINTER) break;
        url.assign(static_cast<size_t>(length) + 1, '\0');
    }
    return path; // the browser also takes a plain path
}

void CHelpDlg::DoDataExchange(kd::CDataExchange& dx)
{
    kd::CDialog::DoDataExchange(dx);
    dx.Control(IDC_EXPLORER1, m_browser);
}

bool CHelpDlg::OnInitDialog()
{
    kd::CDialog::OnInitDialog();
    // Loads asynchronously; without a browser the area stays empty and the log says so.
    VARIANT flags, targetFrameName, postData, headers;
    for (VARIANT* v : {&flags, &targetFrameName, &postData, &headers}) ::VariantInit(v);
    m_browser.Navigate(FaqPageUrl().c_str(), &flags, &targetFrameName, &postData, &headers);
    return true;
}

void CHelpDlg::OnBnClickedVisitSite()
{
    // The outcome is not checked: the help dialog stays open either way.
    ::ShellExecuteA(nullptr, "open", kWebSiteUrl, nullptr, nullptr, SW_SHOWMAXIMIZED);
}
