// The application object: one per process, constructed statically before the
// program's entry runs. Run() drives its whole life: InitInstance, the message
// loop with pre-translation, ExitInstance.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kd {

class CDialog;

class CApp {
public:
    CApp() noexcept;
    virtual ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    // The application object of this process (null before construction and after destruction).
    [[nodiscard]] static CApp* Current() noexcept;

    // Start-up: true runs the message loop, false ends at once (ExitInstance still runs).
    [[nodiscard]] virtual bool InitInstance();
    // Shutdown: answers the process exit code.
    [[nodiscard]] virtual int ExitInstance();
    // The whole life of the program; answers the exit code.
    int Run();

    // Offers a queued message to the dialogs it is meant for, innermost first,
    // up to its top-level window; true when one of them consumed it.
    [[nodiscard]] virtual bool PreTranslateMessage(MSG& msg);

    // The main window: the default owner of modal dialogs, forgotten when its
    // window goes. Kept by CDialog, which needs it without knowing the application.
    [[nodiscard]] CDialog* MainWindow() const noexcept;
    void SetMainWindow(CDialog* dialog) noexcept;

    [[nodiscard]] HINSTANCE Instance() const noexcept;
    // The executable's base name without directory and extension ("Kordane").
    [[nodiscard]] const std::string& AppName();

    // Lets dialog templates name the window classes of embedded controls:
    // runs every registrar added with AddControlClass, now and for later additions.
    void EnableControlContainer();
    using ControlClassRegistrar = bool (*)(HINSTANCE instance);
    void AddControlClass(ControlClassRegistrar registrar);

protected:
    int m_exitCode = 0;

private:
    std::string m_appName;
    bool m_controlContainer = false;
    std::vector<ControlClassRegistrar> m_controlClasses;
};

} // namespace kd
