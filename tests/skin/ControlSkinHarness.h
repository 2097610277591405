// Harness of the control-skin tests: the skinned test dialog, message
// pumping, posted mouse input, window captures and resource counts.
#pragma once

#include "ControlSkinResource.h"
#include "TestArtwork.h"
#include "Vellaris.h"
#include "WindowTestSupport.h"
#include "unique_any.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace skintest {

using kdtest::Capture;
using kdtest::GdiObjectCount;
using kdtest::HeapBytesInUse;
using kdtest::Pump;

// Pumps until done() holds or ms pass; answers done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    while (!done() && ::GetTickCount64() < end) Pump(20);
    return done();
}

// Mouse input as the system queue receives it, at screen coordinates.
// Under Wine, input sent with SendInput leaves the X pointer where it was, and
// a window mapped later (a drop-down) reports that stale position as a move:
// SetCursorPos moves the X pointer along.
inline void MouseTo(POINT screen)
{
    ::SetCursorPos(screen.x, screen.y);
    const int w = ::GetSystemMetrics(SM_CXSCREEN);
    const int h = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((screen.x * 65536LL + w - 1) / w);
    in.mi.dy = static_cast<LONG>((screen.y * 65536LL + h - 1) / h);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
}

inline void MouseButton(bool down)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &in, sizeof(in));
}

inline POINT CentreOf(HWND wnd)
{
    RECT r{};
    ::GetWindowRect(wnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The gradient the skinned menu bar paints, step 0 to 63.
inline COLORREF GradientColour(int step)
{
    return RGB(240 - step / 3, 240 - step / 3, 255 - step / 5);
}

inline constexpr COLORREF kFace = RGB(212, 208, 200);
inline constexpr COLORREF kBackground = RGB(231, 235, 247);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kDarkShadow = RGB(64, 64, 64);
inline constexpr COLORREF kShadow = RGB(128, 128, 128);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kAccent = RGB(255, 128, 0);
inline constexpr COLORREF kMenuHot = RGB(0, 255, 0);
inline constexpr COLORREF kMenuOpen = RGB(0, 255, 255);
inline constexpr COLORREF kMenuItem = RGB(200, 200, 255);
inline constexpr COLORREF kBitmapFill = RGB(200, 30, 40);

// A timer on which the test dialog destroys itself.
inline constexpr UINT_PTR kDestroyTimer = 77;

inline constexpr std::uint32_t kMaskAllControls = kSkinDialogBit | kSkinEditBit | kSkinButtonBit | kSkinStaticBit;
inline constexpr std::uint32_t kMaskHost = kSkinDialogBit | kSkinStaticBit;

// What the dialog's parent side saw.
struct DialogLog {
    struct Command {
        WORD id;
        WORD code;
        HWND control;
    };
    std::vector<Command> commands;
    // Texts and types of the File menu's items when the dialog's own
    // procedure saw WM_NCDESTROY (after every skin object had detached).
    std::vector<std::string> fileTextsAtDestroy;
    std::vector<UINT> fileTypesAtDestroy;
    // Commands chosen from a menu (no control, notification 0).
    std::vector<WORD> menuCommands() const
    {
        std::vector<WORD> ids;
        for (const auto& c : commands)
            if (!c.control && c.code == 0) ids.push_back(c.id);
        return ids;
    }
    int clicks(WORD id) const
    {
        int n = 0;
        for (const auto& c : commands) n += (c.id == id && c.code == BN_CLICKED);
        return n;
    }
};

// The test dialog, created skinned with a mask, shown at a fixed place.
class SkinnedDialog {
public:
    explicit SkinnedDialog(std::uint32_t mask, bool loadSkin = true);
    ~SkinnedDialog();
    SkinnedDialog(const SkinnedDialog&) = delete;
    SkinnedDialog& operator=(const SkinnedDialog&) = delete;

    [[nodiscard]] HWND Wnd() const noexcept { return m_dialog; }
    [[nodiscard]] HWND Item(int id) const noexcept { return ::GetDlgItem(m_dialog, id); }
    [[nodiscard]] DialogLog& Log() noexcept { return m_log; }
    [[nodiscard]] bool Loaded() const noexcept { return m_loaded; }
    void Destroy();

    // The native menu strip below the skin caption, window coordinates.
    [[nodiscard]] RECT MenuStrip() const;
    // A window-relative point in screen coordinates.
    [[nodiscard]] POINT ToScreen(POINT windowPoint) const;

    static constexpr int kLeft = 100;
    static constexpr int kTop = 80;

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::string m_skinFile;
    bool m_loaded = false;
    HWND m_dialog = nullptr;
    HBITMAP m_image = nullptr;
    DialogLog m_log;
};

} // namespace skintest
