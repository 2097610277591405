// The help dialog's web browser: the Navigate call through the control's
// dispatch interface, the wrapper window made by class name, the help dialog
// with a stand-in control, and the help dialog with the platform's browser
// (no prompt, no error box, no hang, no reference left behind).
#include "CExplorer1.h"
#include "CHelpDlg.h"
#include "CKordaneApp.h"
#include "COleControlWnd.h"
#include "FakeOleControl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include "UiDriver.h"
#include "WindowTestSupport.h"
#include <shlwapi.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr VARTYPE kVariantRef = VT_VARIANT | VT_BYREF;
// DWebBrowserEvents2 and two of its events.
const IID kDiidWebBrowserEvents2 = {0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};
constexpr DISPID kDispidNavigateError = 271;
constexpr DISPID kDispidDocumentComplete = 259;

bool IsNavigateErrorLine(const std::string& line)
{
    return line.rfind("Line:", 0) == 0 && line.find(",Fun:CExplorer1::OnNavigateError") != std::string::npos;
}

bool RunningOnWine()
{
    return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// Catches the diagnostic lines WriteTraceLine hands to the log object.
class RecordingLog final : public IScrivet {
public:
    std::vector<std::string> lines;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IScrivet) {
            *out = static_cast<IScrivet*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; } // lives in the fixture
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    bool __stdcall OpenLog(const char*) override { return true; }
    bool __stdcall WriteLog(const char* text) override
    {
        lines.emplace_back(text ? text : "");
        return true;
    }
    bool __stdcall TestFlag(std::int32_t) override { return true; }
};

// Visible top-level windows of every process, so a prompt from a helper process shows too.
std::set<HWND> VisibleTopLevelWindows()
{
    const std::vector<HWND> found = kdtest::FindWindows(kdtest::WindowQuery());
    return {found.begin(), found.end()};
}

// A new window that matters: one of this process, or of a program of the system
// (an installer, an error or crash dialog). Other test programs may run beside us.
bool IsOursOrSystems(HWND wnd)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    if (pid == ::GetCurrentProcessId()) return true;
    kd::unique_handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return true; // cannot tell: count it
    std::string image(MAX_PATH * 4, '\0');
    DWORD size = static_cast<DWORD>(image.size());
    if (!::QueryFullProcessImageNameA(process.get(), 0, image.data(), &size)) return true;
    image.resize(size);
    std::string windows(MAX_PATH * 4, '\0');
    windows.resize(::GetWindowsDirectoryA(windows.data(), static_cast<UINT>(windows.size())));
    return !windows.empty() && ::StrCmpNIA(image.c_str(), windows.c_str(), static_cast<int>(windows.size())) == 0;
}

std::string Describe(HWND wnd)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    return kdtest::ClassName(wnd) + " \"" + kdtest::WindowText(wnd) + "\" of process " + std::to_string(pid);
}

using kdtest::Pump;

class Browser : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        // What Kordane's start-up does when it enables control hosting: template 132 names this class.
        ASSERT_TRUE(CExplorer1::RegisterWindowClass(::GetModuleHandleA(nullptr)));
        m_log.AddRef();
        g_pLog = kd::com_ptr<IScrivet>::attach(&m_log);
    }
    void TearDown() override
    {
        g_pLog.reset();
        ::OleUninitialize();
    }

    RecordingLog m_log;
};

TEST_F(Browser, NavigateIsMethod104WithTextAndFourVariantReferencesLastFirst)
{
    auto* fake = new FakeOleControl;
    VARIANT flags, target, post, headers;
    for (VARIANT* v : {&flags, &target, &post, &headers}) ::VariantInit(v);
    flags.vt = VT_I4;
    flags.lVal = 2;

    EXPECT_EQ(CExplorer1::InvokeNavigate(fake, "file:///C:/Kordane/help/faq.html", &flags, &target, &post, &headers),
              S_OK);
    ASSERT_EQ(fake->invocations.size(), 1u);
    const FakeOleControl::Invocation& call = fake->invocations[0];
    EXPECT_EQ(call.id, 104);
    EXPECT_EQ(call.flags, DISPATCH_METHOD);
    EXPECT_TRUE(call.iidNull);
    EXPECT_FALSE(call.wantsResult);
    EXPECT_EQ(call.namedArgs, 0u);
    EXPECT_EQ(call.kinds, (std::vector<VARTYPE>{kVariantRef, kVariantRef, kVariantRef, kVariantRef, VT_BSTR}));
    EXPECT_EQ(call.text, L"file:///C:/Kordane/help/faq.html");
    // Headers, post data, target frame name, flags: the caller's own variants.
    EXPECT_EQ(call.refs, (std::vector<VARIANT*>{&headers, &post, &target, &flags}));
    EXPECT_EQ(call.refKinds, (std::vector<VARTYPE>{VT_EMPTY, VT_EMPTY, VT_EMPTY, VT_I4}));

    // Missing variants are passed as empty ones, never as null references.
    EXPECT_EQ(CExplorer1::InvokeNavigate(fake, "", nullptr, nullptr, nullptr, nullptr), S_OK);
    ASSERT_EQ(fake->invocations.size(), 2u);
    EXPECT_EQ(fake->invocations[1].text, L"");
    ASSERT_EQ(fake->invocations[1].refs.size(), 4u);
    for (VARIANT* ref : fake->invocations[1].refs) EXPECT_NE(ref, nullptr);
    EXPECT_EQ(fake->invocations[1].refKinds, (std::vector<VARTYPE>(4, VT_EMPTY)));

    // The control's refusal comes back; no URL, no call.
    fake->invokeResult = DISP_E_MEMBERNOTFOUND;
    EXPECT_EQ(CExplorer1::InvokeNavigate(fake, "about:blank", nullptr, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(CExplorer1::InvokeNavigate(fake, nullptr, nullptr, nullptr, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(CExplorer1::InvokeNavigate(nullptr, "about:blank", nullptr, nullptr, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(fake->invocations.size(), 3u);
    EXPECT_EQ(fake->Release(), 0u);
    EXPECT_TRUE(m_log.lines.empty()); // the static call leaves logging to Navigate
}

TEST_F(Browser, WindowMadeByClassNameDrivesItsControlAndLogsWhatFails)
{
    auto* fake = new FakeOleControl;
    fake->eventsIid = kDiidWebBrowserEvents2;
    FakeClassFactory factory(static_cast<IOleObject*>(fake));
    ClassRegistration registration(CExplorer1::kClsid, &factory); // stands in for the platform's browser
    ASSERT_EQ(registration.Result(), S_OK);
    kd::unique_hwnd parent(
        ::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 500, 400, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(parent);

    CExplorer1 browser;
    ASSERT_TRUE(browser.Create(parent.get(), RECT{7, 6, 345, 193}, IDC_EXPLORER1));
    EXPECT_EQ(CExplorer1::WindowClassName(), KD_WEBBROWSER_CLASS);
    EXPECT_EQ(::GetDlgItem(parent.get(), IDC_EXPLORER1), browser.GetSafeHwnd());
    EXPECT_TRUE(browser.HasControl());
    EXPECT_EQ(factory.created, 1);

    // The event watch goes on before the first Navigate (the control may report at once), and only once.
    EXPECT_EQ(browser.Navigate("file:///C:/nowhere/faq.html", nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(browser.Navigate("about:blank", nullptr, nullptr, nullptr, nullptr), S_OK);
    ASSERT_EQ(fake->invocations.size(), 2u);
    EXPECT_EQ(fake->invocations[1].text, L"about:blank");
    EXPECT_EQ(fake->sinks.size(), 1u);
    fake->Fire(kDispidDocumentComplete);
    EXPECT_TRUE(m_log.lines.empty());
    MSG posted{};
    EXPECT_FALSE(::PeekMessageA(&posted, parent.get(), WM_COMMAND, WM_COMMAND, PM_NOREMOVE));

    // A page the control cannot show, and a control that refuses, each leave a diagnostic line.
    fake->Fire(kDispidNavigateError);
    ASSERT_EQ(m_log.lines.size(), 1u);
    EXPECT_TRUE(IsNavigateErrorLine(m_log.lines[0])) << m_log.lines[0];
    // The parent hears of the page it cannot show as a notification of the control, posted.
    ASSERT_TRUE(::PeekMessageA(&posted, parent.get(), WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(posted.wParam, MAKEWPARAM(IDC_EXPLORER1, CExplorer1::kNavigateErrorNotification));
    EXPECT_EQ(posted.lParam, reinterpret_cast<LPARAM>(browser.GetSafeHwnd()));
    fake->invokeResult = E_FAIL;
    EXPECT_EQ(browser.Navigate("about:blank", nullptr, nullptr, nullptr, nullptr), E_FAIL);
    ASSERT_EQ(m_log.lines.size(), 2u);
    EXPECT_EQ(m_log.lines[1].rfind("Line:", 0), 0u);
    EXPECT_NE(m_log.lines[1].find(",Fun:CExplorer1::Navigate"), std::string::npos);

    parent.reset(); // destroys the browser window with it
    EXPECT_FALSE(fake->HasSite());
    EXPECT_EQ(fake->Release(), 0u); // and with the control goes the watch
}

TEST_F(Browser, WithoutAControlTheAreaStaysEmptyAndNavigateIsLogged)
{
    FakeClassFactory refusing(nullptr); // the platform cannot make a browser
    ClassRegistration registration(CExplorer1::kClsid, &refusing);
    ASSERT_EQ(registration.Result(), S_OK);
    kd::unique_hwnd parent(
        ::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 500, 400, nullptr, nullptr, nullptr, nullptr));
    CExplorer1 browser;
    ASSERT_TRUE(browser.Create(parent.get(), RECT{0, 0, 300, 200}, IDC_EXPLORER1));
    EXPECT_FALSE(browser.HasControl());
    EXPECT_FALSE(browser.GetControlDispatch());
    EXPECT_EQ(::GetWindow(browser.GetSafeHwnd(), GW_CHILD), nullptr);

    EXPECT_TRUE(FAILED(browser.Navigate("about:blank", nullptr, nullptr, nullptr, nullptr)));
    ASSERT_EQ(m_log.lines.size(), 1u);
    EXPECT_NE(m_log.lines[0].find(",Fun:CExplorer1::Navigate"), std::string::npos);

    // Not bound to any window at all: the same.
    CExplorer1 unbound;
    EXPECT_TRUE(FAILED(unbound.Navigate("about:blank", nullptr, nullptr, nullptr, nullptr)));
    EXPECT_EQ(m_log.lines.size(), 2u);

    // No log object: nothing written, nothing broken.
    g_pLog.reset();
    EXPECT_TRUE(FAILED(unbound.Navigate("about:blank", nullptr, nullptr, nullptr, nullptr)));
    EXPECT_EQ(m_log.lines.size(), 2u);
}

TEST(HelpPage, UrlIsALocalFileUrlOfThePageBesideTheProgram)
{
    const std::string url = CHelpDlg::FaqPageUrl();
    EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
    ASSERT_GE(url.size(), 14u);
    EXPECT_EQ(url.substr(url.size() - 14), "/help/faq.html") << url;

    std::string path(MAX_PATH * 2, '\0');
    DWORD length = static_cast<DWORD>(path.size());
    ASSERT_EQ(::PathCreateFromUrlA(url.c_str(), path.data(), &length, 0), S_OK) << url;
    path.resize(length);
    EXPECT_NE(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path << " is not built beside the tests";
}

TEST(HelpPage, VisitSiteOpensTheAddressTheBuildNamesElseTheBundledPage)
{
    EXPECT_EQ(CHelpDlg::VisitSiteTarget("https://www.example.com/kordane/"), "https://www.example.com/kordane/");
    // No address: the page that ships beside the program, which the shell opens in the user's browser.
    for (const char* none : {"", static_cast<const char*>(nullptr)}) {
        const std::string page = CHelpDlg::VisitSiteTarget(none);
        EXPECT_EQ(page, CHelpDlg::FaqPagePath());
        EXPECT_NE(::GetFileAttributesA(page.c_str()), INVALID_FILE_ATTRIBUTES)
            << page << " is not built beside the tests";
    }
}

std::wstring WideWindowText(HWND wnd)
{
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(wnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The help dialog, run modally; a thread timer inspects it from inside its modal loop, then presses Close.
struct HelpDialogRun {
    DWORD openedAt = 0;
    DWORD lookAfterMs = 300;
    std::function<void()> onOpen; // called once the dialog is there
    HWND dialog = nullptr;
    HWND browser = nullptr;
    std::string browserClass;
    RECT browserRect{};
    bool browserVisible = false;
    HRESULT created = E_PENDING;
    kd::com_ptr<kd::COleControlSite> site;
    // The page's text in the browser's place, if it came up.
    HWND pageText = nullptr;
    bool pageTextVisible = false;
    RECT pageTextRect{};
    LONG pageTextStyle = 0;
    std::wstring pageTextText;
    int pageTextWindows = 0;
    HWND atCentre = nullptr; // the window on screen at the centre of the browser's area
    std::set<HWND> visibleWhileOpen;
    bool closed = false;

    static HelpDialogRun* current;

    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        HelpDialogRun& run = *current;
        if (!run.dialog) {
            run.dialog = kdtest::FindTopWindow(
                kdtest::WindowQuery().Titled("Help Dialog").OfThread(::GetCurrentThreadId()).IncludingHidden());
            if (run.dialog) {
                run.openedAt = ::GetTickCount();
                if (run.onOpen) run.onOpen();
            }
            return;
        }
        if (run.closed || ::GetTickCount() - run.openedAt < run.lookAfterMs) return;
        run.browser = ::GetDlgItem(run.dialog, IDC_EXPLORER1);
        run.browserClass = kdtest::ClassName(run.browser);
        ::GetWindowRect(run.browser, &run.browserRect);
        run.browserVisible = ::IsWindowVisible(run.browser);
        run.pageText = ::GetDlgItem(run.dialog, IDC_HELP_TEXT);
        if (run.pageText) {
            run.pageTextVisible = ::IsWindowVisible(run.pageText);
            ::GetWindowRect(run.pageText, &run.pageTextRect);
            run.pageTextStyle = ::GetWindowLongA(run.pageText, GWL_STYLE);
            run.pageTextText = WideWindowText(run.pageText);
        }
        for (HWND child = ::GetWindow(run.dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            run.pageTextWindows += ::GetDlgCtrlID(child) == IDC_HELP_TEXT;
        const POINT centre{(run.browserRect.left + run.browserRect.right) / 2,
                           (run.browserRect.top + run.browserRect.bottom) / 2};
        run.atCentre = ::WindowFromPoint(centre);
        run.created = kd::COleControlWnd::CreateResult(run.browser);
        run.site = kd::COleControlWnd::Site(run.browser);
        run.visibleWhileOpen = VisibleTopLevelWindows();
        run.closed = true;
        ::KillTimer(nullptr, id);
        ::PostMessageA(run.dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(run.dialog, IDOK)));
    }

    INT_PTR Run()
    {
        current = this;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, Tick);
        CHelpDlg dialog;
        const INT_PTR result = dialog.DoModal();
        if (!closed) ::KillTimer(nullptr, timer);
        current = nullptr;
        return result;
    }
};
HelpDialogRun* HelpDialogRun::current = nullptr;

// Where the browser cannot show the page: its text, on screen in the browser's place, readable and scrolling.
void ExpectPageTextInPlaceOfTheBrowser(const HelpDialogRun& run)
{
    ASSERT_NE(run.pageText, nullptr) << "nothing in place of the page";
    EXPECT_EQ(run.pageTextWindows, 1);
    EXPECT_TRUE(run.pageTextVisible);
    EXPECT_FALSE(run.browserVisible);
    EXPECT_TRUE(::EqualRect(&run.pageTextRect, &run.browserRect))
        << run.pageTextRect.left << "," << run.pageTextRect.top << "," << run.pageTextRect.right << ","
        << run.pageTextRect.bottom << " against the browser's " << run.browserRect.left << "," << run.browserRect.top
        << "," << run.browserRect.right << "," << run.browserRect.bottom;
    EXPECT_EQ(run.atCentre, run.pageText) << "not what is on screen there";
    constexpr LONG kStyle = ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP;
    EXPECT_EQ(run.pageTextStyle & kStyle, kStyle);
    EXPECT_EQ(run.pageTextText.rfind(L"Kordane help\r\n===", 0), 0u);
    EXPECT_NE(run.pageTextText.find(L"\r\nWhat is in the main window\r\n---"), std::wstring::npos);
    EXPECT_NE(
        run.pageTextText.find(L"Kordane keeps a list of accounts for an administrator: for each entry an account"),
        std::wstring::npos);
}

TEST_F(Browser, HelpDialogNavigatesItsControlToTheFaqPage)
{
    auto* fake = new FakeOleControl;
    FakeClassFactory factory(static_cast<IOleObject*>(fake));
    ClassRegistration registration(CExplorer1::kClsid, &factory);
    ASSERT_EQ(registration.Result(), S_OK);

    HelpDialogRun run;
    EXPECT_EQ(run.Run(), IDOK);
    EXPECT_EQ(run.browserClass, KD_WEBBROWSER_CLASS);
    EXPECT_EQ(run.created, S_OK);
    ASSERT_EQ(fake->invocations.size(), 1u);
    const FakeOleControl::Invocation& call = fake->invocations[0];
    EXPECT_EQ(call.id, 104);
    EXPECT_EQ(call.kinds, (std::vector<VARTYPE>{kVariantRef, kVariantRef, kVariantRef, kVariantRef, VT_BSTR}));
    EXPECT_EQ(call.refKinds, (std::vector<VARTYPE>(4, VT_EMPTY)));
    const std::string url = CHelpDlg::FaqPageUrl();
    EXPECT_EQ(call.text, std::wstring(url.begin(), url.end()));
    EXPECT_TRUE(m_log.lines.empty());
    // The page shows: nothing stands in for it.
    EXPECT_TRUE(run.browserVisible);
    EXPECT_EQ(run.pageText, nullptr);

    // Closing the dialog closed the control and let go of the site.
    EXPECT_FALSE(fake->HasSite());
    ASSERT_TRUE(run.site);
    kd::COleControlSite* site = run.site.detach();
    EXPECT_EQ(site->Release(), 0u);
    EXPECT_EQ(fake->Release(), 0u);
}

TEST_F(Browser, HelpDialogShowsThePageTextWhereTheBrowserCannot)
{
    // The control reports that it cannot show the page (twice: one text all the same), on a fresh
    // stand-in each open; after the first few opens (Wine fills caches of its own), the opens leave
    // no GDI object behind.
    std::size_t gdiAfterWarmUp = 0;
    constexpr int kOpens = 8;
    constexpr int kWarmUpOpens = 3;
    for (int open = 0; open < kOpens; ++open) {
        auto* fake = new FakeOleControl;
        fake->eventsIid = kDiidWebBrowserEvents2;
        FakeClassFactory factory(static_cast<IOleObject*>(fake));
        ClassRegistration registration(CExplorer1::kClsid, &factory);
        ASSERT_EQ(registration.Result(), S_OK);
        HelpDialogRun run;
        run.onOpen = [fake] {
            fake->Fire(kDispidNavigateError);
            fake->Fire(kDispidNavigateError);
        };
        EXPECT_EQ(run.Run(), IDOK);
        ExpectPageTextInPlaceOfTheBrowser(run);
        EXPECT_EQ(run.created, S_OK); // the control itself stays, hidden
        if (run.site) {
            EXPECT_EQ(run.site.detach()->Release(), 0u);
        }
        EXPECT_EQ(fake->Release(), 0u);
        if (HasFailure()) return;
        if (open + 1 == kWarmUpOpens) gdiAfterWarmUp = kdtest::GdiObjectCount();
    }
    EXPECT_LE(kdtest::GdiObjectCount(), gdiAfterWarmUp);
    EXPECT_EQ(m_log.lines.size(), 2u * kOpens);
    for (const std::string& line : m_log.lines) EXPECT_TRUE(IsNavigateErrorLine(line)) << line;

    // No control at all: the text from the start.
    m_log.lines.clear();
    FakeClassFactory refusing(nullptr);
    ClassRegistration registration(CExplorer1::kClsid, &refusing);
    ASSERT_EQ(registration.Result(), S_OK);
    HelpDialogRun run;
    EXPECT_EQ(run.Run(), IDOK);
    EXPECT_TRUE(FAILED(run.created));
    ExpectPageTextInPlaceOfTheBrowser(run);
    ASSERT_EQ(m_log.lines.size(), 1u);
    EXPECT_NE(m_log.lines[0].find(",Fun:CExplorer1::Navigate"), std::string::npos);
}

TEST_F(Browser, HelpDialogWithThePlatformBrowserShowsNoPromptAndClosesCleanly)
{
    const std::set<HWND> before = VisibleTopLevelWindows();
    HelpDialogRun run;
    run.lookAfterMs = 1500; // long enough for the page load to fail or succeed
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(run.Run(), IDOK);
    EXPECT_LT(::GetTickCount() - start, 30000u);
    ASSERT_NE(run.dialog, nullptr);
    EXPECT_EQ(run.browserClass, KD_WEBBROWSER_CLASS);
    EXPECT_GT(run.browserRect.right - run.browserRect.left, 300); // 338 dialog units wide

    if (SUCCEEDED(run.created)) {
        EXPECT_TRUE(run.site);
        // The page is there; only Wine without a rendering engine cannot show it, and says so.
        for (const std::string& line : m_log.lines) {
            EXPECT_TRUE(RunningOnWine()) << line;
            EXPECT_TRUE(IsNavigateErrorLine(line)) << line;
        }
    } else {
        // Only Wine without a working browser may leave the area empty, and then says so in the log.
        EXPECT_TRUE(RunningOnWine()) << "WebBrowser control not created: 0x" << std::hex << run.created;
        ASSERT_EQ(m_log.lines.size(), 1u);
        EXPECT_NE(m_log.lines[0].find(",Fun:CExplorer1::Navigate"), std::string::npos);
    }

    // This Wine has no engine to render pages: the page's text stands in, on screen. Where the page
    // renders, nothing stands in for it.
    bool reported = false;
    for (const std::string& line : m_log.lines) reported = reported || IsNavigateErrorLine(line);
    if (RunningOnWine() || reported || FAILED(run.created)) {
        ExpectPageTextInPlaceOfTheBrowser(run);
    } else {
        EXPECT_TRUE(run.browserVisible);
        EXPECT_EQ(run.pageText, nullptr);
    }

    // Nothing else came up while the dialog was open: no installer, no error box.
    for (HWND wnd : run.visibleWhileOpen)
        if (!before.count(wnd) && wnd != run.dialog && IsOursOrSystems(wnd))
            ADD_FAILURE() << "unexpected window: " << Describe(wnd);

    // The control let go of our site when the dialog closed.
    if (run.site) {
        kd::COleControlSite* site = run.site.detach();
        EXPECT_FALSE(site->IsOpen());
        EXPECT_EQ(site->Release(), 0u);
    }
    Pump(100);
}

} // namespace
