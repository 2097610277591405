#include "CApp.h"

#include "CDialog.h"
#include "win32_text.h"

namespace kd {

namespace {
CApp* g_app = nullptr;
}

CApp::CApp() noexcept
{
    g_app = this;
}

CApp::~CApp()
{
    if (g_app == this) {
        g_app = nullptr;
        CDialog::SetMainWindow(nullptr);
    }
}

CApp* CApp::Current() noexcept
{
    return g_app;
}

CDialog* CApp::MainWindow() const noexcept
{
    return CDialog::MainWindow();
}

void CApp::SetMainWindow(CDialog* dialog) noexcept
{
    CDialog::SetMainWindow(dialog);
}

HINSTANCE CApp::Instance() const noexcept
{
    return ::GetModuleHandleA(nullptr);
}

const std::string& CApp::AppName()
{
    if (m_appName.empty()) {
        std::string path = ModuleFileName(nullptr);
        path.erase(0, ModuleFolder(nullptr).size());
        const size_t dot = path.rfind('.');
        if (dot != std::string::npos && dot > 0) path.erase(dot);
        m_appName = path;
    }
    return m_appName;
}

bool CApp::InitInstance()
{
    (void)AppName();
    return true;
}

int CApp::ExitInstance()
{
    return m_exitCode;
}

int CApp::Run()
{
    if (!InitInstance()) {
        if (CDialog* main = MainWindow()) (void)main->DestroyWindow(); // the start failed either way
        return ExitInstance();
    }
    MSG msg{};
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            m_exitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1) {
            m_exitCode = -1;
            break;
        }
        if (!PreTranslateMessage(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return ExitInstance();
}

bool CApp::PreTranslateMessage(MSG& msg)
{
    for (HWND wnd = msg.hwnd; wnd; wnd = ::GetParent(wnd)) {
        if (CDialog* dialog = CDialog::FromHandle(wnd); dialog && dialog->PreTranslateMessage(msg)) return true;
        if (!(::GetWindowLongPtrA(wnd, GWL_STYLE) & WS_CHILD)) break; // stop at the top-level window
    }
    return false;
}

void CApp::EnableControlContainer()
{
    m_controlContainer = true;
    for (ControlClassRegistrar registrar : m_controlClasses) registrar(Instance());
}

void CApp::AddControlClass(ControlClassRegistrar registrar)
{
    if (!registrar) return;
    m_controlClasses.push_back(registrar);
    if (m_controlContainer) registrar(Instance());
}

} // namespace kd
