#include "CKordaneApp.h"

#include <commctrl.h>

#include <array>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "CExplorer1.h"
#include "CKordaneDlg.h"
#include "Trace.h"
#include "Vellaris.h"
#include "resource.h"

namespace {

bool g_comInitialized = false; // CoUninitialize only what CoInitialize opened

// The start-up message cannot say why a component failed: a debugger's
// output (DebugView, a debugger's output window) keeps the HRESULT.
bool Created(const char* component, HRESULT result) noexcept
{
    if (SUCCEEDED(result)) return true;
    char line[96];
    std::snprintf(line, sizeof line, "Kordane: %s could not be created (HRESULT 0x%08lX).\n", component,
                  static_cast<unsigned long>(result));
    ::OutputDebugStringA(line);
    return false;
}

} // namespace

bool CKordaneApp::CreateComponents() noexcept
{
    if (!g_comInitialized) g_comInitialized = SUCCEEDED(::CoInitialize(nullptr));
    return Created("Scrivet",
                   ::CoCreateInstance(CLSID_Scrivet, nullptr, CLSCTX_INPROC_SERVER, IID_IScrivet, g_pLog.put_void())) &&
           Created("Helper",
                   ::CoCreateInstance(CLSID_Helper, nullptr, CLSCTX_INPROC_SERVER, IID_IHelper, g_pHelper.put_void()));
}

void CKordaneApp::ReleaseComponents() noexcept
{
    g_pLog.reset();
    g_pHelper.reset();
    if (g_comInitialized) ::CoUninitialize();
    g_comInitialized = false;
}

bool CKordaneApp::GetBaseDirectory(char* buffer, int size) noexcept
{
    if (!g_pHelper || !buffer || size < kPathBufferSize) return false;
    return g_pHelper->GetWorkingDirectory(buffer, size);
}

namespace {

// base + suffix, or empty when the result would not fit the 256-byte path buffer.
std::string FittingPath(const char* base, const std::string& suffix)
{
    std::string path = base;
    path += suffix;
    if (path.size() >= static_cast<size_t>(CKordaneApp::kPathBufferSize)) return {};
    return path;
}

} // namespace

void CKordaneApp::CreateWorkingDirectory(const char* base, const char* name) noexcept
{
    try {
        const std::string path = FittingPath(base, std::string("\\") + name);
        if (!path.empty()) ::CreateDirectoryA(path.c_str(), nullptr);
    } catch (const std::bad_alloc&) {
    }
}

bool CKordaneApp::OpenLogFile()
{
    std::array<char, kPathBufferSize> base{};
    if (!GetBaseDirectory(base.data(), static_cast<int>(base.size()))) return false;
    const std::string& name = AppName();
    if (name.size() >= static_cast<size_t>(kAppNameBufferSize)) return false;
    const std::string path = FittingPath(base.data(), "\\Scrivet\\" + name + ".txt");
    if (path.empty() || !g_pLog) return false;
    return g_pLog->OpenLog(path.c_str());
}

bool CKordaneApp::InstallSkin()
{
    std::array<char, kPathBufferSize> base{};
    if (!GetBaseDirectory(base.data(), static_cast<int>(base.size()))) return false;
    const std::string path = FittingPath(base.data(), "\\skin\\Solvane\\MainWindow.bmp");
    if (path.empty() || !SkinLoad(path.c_str())) return false;
    SkinSetMask(kSkinMask);
    return true;
}

bool CKordaneApp::CreateMainDialog()
{
    try {
        SetMainWindow(new CKordaneDlg([this] { NoteEntriesNotSaved(); }));
        return true;
    } catch (...) {
        ::MessageBoxA(nullptr, "CKordaneDlg::New_()", "Kordane", MB_ICONERROR);
        return false;
    }
}

bool CKordaneApp::InitInstance()
{
    ::InitCommonControls();
    if (!kd::CApp::InitInstance()) return false;
    // Every way out before the main window exists is a failed start.
    m_exitCode = kExitStartFailed;
    AddControlClass(&CExplorer1::RegisterWindowClass); // the help dialog's web browser
    EnableControlContainer();

    if (!CreateComponents()) {
        ::MessageBoxA(nullptr, "Create COM Component Failed.", "Kordane", MB_OK);
        return false;
    }
    std::array<char, kPathBufferSize> base{};
    if (!GetBaseDirectory(base.data(), static_cast<int>(base.size()))) return false;
    CreateWorkingDirectory(base.data(), "Tmp");
    CreateWorkingDirectory(base.data(), "Scrivet");
    if (!OpenLogFile()) WriteTraceLine(tracepoint::kLogNotOpened);
    if (!InstallSkin()) WriteTraceLine(tracepoint::kSkinNotInstalled);

    if (!CreateMainDialog()) return false;
    kd::CDialog* main = MainWindow();
    if (!main->Create()) {
        delete main; // never got a window, so it cannot delete itself
        return false;
    }
    ::ShowWindow(main->GetSafeHwnd(), SW_HIDE);
    m_exitCode = 0;
    return true;
}

int CKordaneApp::ExitInstance()
{
    // Saves the list; the dialog deletes itself. At exit nothing is left to
    // tell of a window or skin that would not go.
    if (kd::CDialog* main = MainWindow()) (void)main->DestroyWindow();
    ReleaseComponents();
    (void)SkinUnload();
    return kd::CApp::ExitInstance();
}
