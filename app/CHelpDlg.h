// The help dialog (template 132): the FAQ page in the embedded web browser
// (control 1030), Close, and "Visit out web site" in the user's browser.
// Where the browser cannot show the page (no control, or it reports a
// navigation error), the page's text appears in its place instead: a
// read-only edit field (control 1031) of the same size.
#pragma once

#include <string>

#include "CDialog.h"
#include "CExplorer1.h"

class CHelpDlg : public kd::CDialog {
public:
    // The web site that the build names (the CMake setting KD_WEB_SITE_URL);
    // empty when it names none.
    static const char* const kWebSiteUrl;

    // The FAQ page, beside the program so that help works offline.
    static constexpr const char* kFaqPage = "help\\faq.html";

    CHelpDlg() noexcept;

    // The FAQ page's file path and its local file URL ("file:///C:/.../help/faq.html").
    [[nodiscard]] static std::string FaqPagePath();
    [[nodiscard]] static std::string FaqPageUrl();

    // What "Visit out web site" opens in the user's browser: the web site given,
    // or without one the bundled FAQ page, which is there offline.
    [[nodiscard]] static std::string VisitSiteTarget(const char* webSiteUrl = kWebSiteUrl);

protected:
    [[nodiscard]] bool OnInitDialog() override;
    void DoDataExchange(kd::CDataExchange& dx) override;

    CExplorer1 m_browser;
    kd::CControl m_pageText; // the page's text, once the browser has failed

private:
    void OnBnClickedVisitSite();
    void OnNavigateError();
    LRESULT OnCtlColorStatic(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    // Puts the page's text in the browser's place (once).
    void ShowPageText();
};
