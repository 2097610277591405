// Kordane's application object: the ordered start-up that creates the two
// components, prepares the working folders, opens the log, installs the skin
// and creates the main dialog; and the shutdown that undoes it.
#pragma once

#include <cstdint>

#include "CAdminSession.h"
#include "CApp.h"
#include "Components.h"
#include "Vellaris.h"

class CKordaneApp : public kd::CApp {
public:
    // Skin dialog windows and static texts (66).
    static constexpr std::uint32_t kSkinMask = kSkinDialogBit | kSkinStaticBit;
    static_assert(kSkinMask == 66);
    static constexpr int kPathBufferSize = 256; // base directory and the paths built on it
    static constexpr int kAppNameBufferSize = 128;
    // The exit code of a start that failed (no components, no base directory,
    // no main window), so that a script or shortcut checker can tell it from a
    // normal end.
    static constexpr int kExitStartFailed = 1;
    // The exit code of a process that ends without saving entries it had.
    static constexpr int kExitEntriesNotSaved = CAdminSession::kExitEntriesNotSaved;

    // False, with the exit code kExitStartFailed, when the program cannot run.
    [[nodiscard]] bool InitInstance() override;
    [[nodiscard]] int ExitInstance() override;

    // Told by the main dialog when it goes without having saved its entries.
    void NoteEntriesNotSaved() noexcept { m_exitCode = kExitEntriesNotSaved; }

    // Start-up steps, in the order InitInstance runs them.
    [[nodiscard]] static bool CreateComponents() noexcept;
    static void ReleaseComponents() noexcept;
    // False without a helper, for a buffer under 256 bytes, or when the helper
    // cannot give the current directory within the buffer.
    [[nodiscard]] static bool GetBaseDirectory(char* buffer, int size) noexcept;
    // Creates base\name; a path that would not fit the path buffer is not created.
    static void CreateWorkingDirectory(const char* base, const char* name) noexcept;
    [[nodiscard]] bool OpenLogFile();
    [[nodiscard]] static bool InstallSkin();
    [[nodiscard]] bool CreateMainDialog();
};
