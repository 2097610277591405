#include "CHelpDlg.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstdio>

#include "CApp.h"
#include "HtmlText.h"
#include "Trace.h"
#include "unique_any.h"
#include "win32_text.h"

#include "resource.h"

namespace {

// The FAQ page as plain text, or a line saying where it should have been.
std::wstring FaqPageText()
{
    const std::string path = CHelpDlg::FaqPagePath();
    std::string bytes;
    if (const kd::unique_cfile file{std::fopen(path.c_str(), "rb")}) {
        char piece[4096];
        std::size_t got;
        while ((got = std::fread(piece, 1, sizeof piece, file.get())) > 0) bytes.append(piece, got);
        if (std::ferror(file.get())) bytes.clear();
    }
    std::wstring text = HtmlToText(DecodeHtmlBytes(bytes));
    if (text.empty()) text = L"The help page could not be read: " + kd::Widen(path);
    return text;
}

} // namespace

#ifndef KD_WEB_SITE_URL
#define KD_WEB_SITE_URL ""
#endif
const char* const CHelpDlg::kWebSiteUrl = KD_WEB_SITE_URL;

CHelpDlg::CHelpDlg() noexcept : kd::CDialog(IDD_HELP_DIALOG)
{
    MapCommand(IDC_BUTTON_VISIT_SITE, &CHelpDlg::OnBnClickedVisitSite);
    MapCommand(IDC_EXPLORER1, &CHelpDlg::OnNavigateError, CExplorer1::kNavigateErrorNotification);
    MapMessage(WM_CTLCOLORSTATIC, &CHelpDlg::OnCtlColorStatic);
    MapMessage(WM_DESTROY, &CHelpDlg::OnDestroy);
}

std::string CHelpDlg::FaqPagePath()
{
    return kd::ModuleFolder(nullptr) + kFaqPage;
}

std::string CHelpDlg::FaqPageUrl()
{
    const std::string path = FaqPagePath();
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

std::string CHelpDlg::VisitSiteTarget(const char* webSiteUrl)
{
    if (webSiteUrl && *webSiteUrl) return webSiteUrl;
    // A path rather than a file URL: the shell opens it with the user's browser
    // whatever characters the folder's name holds.
    return FaqPagePath();
}

void CHelpDlg::DoDataExchange(kd::CDataExchange& dx)
{
    kd::CDialog::DoDataExchange(dx);
    dx.Control(IDC_EXPLORER1, m_browser);
}

bool CHelpDlg::OnInitDialog()
{
    const bool defaultFocus = kd::CDialog::OnInitDialog();
    m_pageText.Attach(nullptr);
    // Loads asynchronously; a page the browser cannot show arrives as OnNavigateError.
    VARIANT flags, targetFrameName, postData, headers;
    for (VARIANT* v : {&flags, &targetFrameName, &postData, &headers}) ::VariantInit(v);
    if (FAILED(m_browser.Navigate(FaqPageUrl().c_str(), &flags, &targetFrameName, &postData, &headers))) ShowPageText();
    return defaultFocus;
}

void CHelpDlg::OnBnClickedVisitSite()
{
    // The outcome is not checked: the help dialog stays open either way.
    ::ShellExecuteA(nullptr, "open", VisitSiteTarget().c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void CHelpDlg::OnNavigateError()
{
    ShowPageText();
}

void CHelpDlg::ShowPageText()
{
    if (m_pageText || !m_hWnd) return;
    // The browser's rectangle; without its window, the template's.
    HWND browser = m_browser.GetSafeHwnd();
    RECT area{KD_HELP_PAGE_X, KD_HELP_PAGE_Y, KD_HELP_PAGE_X + KD_HELP_PAGE_WIDTH,
              KD_HELP_PAGE_Y + KD_HELP_PAGE_HEIGHT};
    if (browser && ::IsWindow(browser)) {
        ::GetWindowRect(browser, &area);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
    } else {
        browser = nullptr;
        ::MapDialogRect(m_hWnd, &area);
    }
    // Wide, so that the page's characters show whatever the platform's code page.
    HWND edit = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                  WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                  area.left, area.top, area.right - area.left, area.bottom - area.top, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_HELP_TEXT)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    if (!edit) {
        WriteTraceLine(tracepoint::kHelpPageFailed);
        return;
    }
    m_pageText.Attach(edit);
    ::SendMessageW(edit, WM_SETFONT, static_cast<WPARAM>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)), FALSE);
    ::SendMessageW(edit, EM_SETLIMITTEXT, 0, 0); // no limit below the page's length
    ::SetWindowTextW(edit, FaqPageText().c_str());
    // In the browser's place in the tab order too.
    ::SetWindowPos(edit, browser ? browser : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const HWND focus = ::GetFocus();
    const bool browserHadFocus = browser && focus && (focus == browser || ::IsChild(browser, focus));
    if (browser) ::ShowWindow(browser, SW_HIDE);
    ::ShowWindow(edit, SW_SHOW);
    if (browserHadFocus) GotoDlgCtrl(IDC_HELP_TEXT);
}

LRESULT CHelpDlg::OnCtlColorStatic(WPARAM wParam, LPARAM lParam)
{
    // The text stands where the page would be: on the page's white, not the grey of a read-only field.
    if (!m_pageText || reinterpret_cast<HWND>(lParam) != m_pageText.GetSafeHwnd()) {
        Default();
        return 0;
    }
    const auto dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
}

LRESULT CHelpDlg::OnDestroy(WPARAM, LPARAM)
{
    Default();
    // Wine's edit control frees the word-break table it built to wrap the text
    // when the text changes, not when the field is destroyed: emptied first,
    // the field leaves nothing behind (about a byte per character each open).
    if (m_pageText) ::SetWindowTextW(m_pageText.GetSafeHwnd(), L"");
    return 0;
}
