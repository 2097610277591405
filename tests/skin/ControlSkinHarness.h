// Harness of the control-skin tests: the skinned test dialog, message
// pumping, posted mouse input, window captures and resource counts.
#pragma once

#include "ControlSkinResource.h"
#include "TestArtwork.h"
#include "Vellaris.h"
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

// Handles pending messages for ms milliseconds (Wine's own user32 tests do
// the same before looking at what a window shows).
inline void Pump(DWORD ms = 150)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

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

// What a window shows: its whole window rectangle, read through its window
// device context (so the frame of the window is included).
class Capture {
public:
    explicit Capture(HWND wnd) : Capture(wnd, true) {}
    Capture(HWND wnd, bool wholeWindow)
    {
        RECT r{};
        if (wholeWindow) ::GetWindowRect(wnd, &r);
        else ::GetClientRect(wnd, &r);
        m_width = r.right - r.left;
        m_height = r.bottom - r.top;
        if (m_width <= 0 || m_height <= 0) return;
        kd::unique_window_dc source(wnd, wholeWindow);
        kd::unique_hdc memory(::CreateCompatibleDC(source.get()));
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = m_width;
        info.bmiHeader.biHeight = -m_height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        kd::unique_hbitmap dib(::CreateDIBSection(source.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!source || !memory || !dib || !bits) return;
        kd::select_scope selected(memory.get(), dib.get());
        ::BitBlt(memory.get(), 0, 0, m_width, m_height, source.get(), 0, 0, SRCCOPY);
        ::GdiFlush();
        const auto* first = static_cast<const std::uint32_t*>(bits);
        m_pixels.assign(first, first + static_cast<std::size_t>(m_width) * m_height);
    }

    [[nodiscard]] int Width() const noexcept { return m_width; }
    [[nodiscard]] int Height() const noexcept { return m_height; }
    // COLORREF (red in the low byte) of a pixel; CLR_INVALID outside.
    [[nodiscard]] COLORREF At(int x, int y) const noexcept
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_pixels.empty()) return CLR_INVALID;
        const std::uint32_t p = m_pixels[static_cast<std::size_t>(y) * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    [[nodiscard]] int Count(const RECT& area, COLORREF colour) const noexcept
    {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) n += At(x, y) == colour;
        return n;
    }
    // Smallest rectangle holding every pixel of a colour other than 'except'.
    [[nodiscard]] RECT Bounds(COLORREF except) const noexcept
    {
        RECT b{m_width, m_height, -1, -1};
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (At(x, y) != except) {
                    b.left = std::min<LONG>(b.left, x);
                    b.top = std::min<LONG>(b.top, y);
                    b.right = std::max<LONG>(b.right, x);
                    b.bottom = std::max<LONG>(b.bottom, y);
                }
        return b;
    }
    [[nodiscard]] bool SameAs(const Capture& other) const noexcept
    {
        return m_width == other.m_width && m_height == other.m_height && m_pixels == other.m_pixels;
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};

// Live GDI objects of this process. Wine answers GetGuiResources with 0 (not
// implemented); there every live object is found by its handle-table index,
// which GetObjectType accepts without the handle's upper (generation) bits.
inline std::size_t GdiObjectCount()
{
    if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    std::size_t count = 0;
    for (std::uintptr_t index = 1; index < 0x10000; ++index)
        count += ::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return count;
}

// Bytes in use in every heap of the process.
inline std::uint64_t HeapBytesInUse()
{
    std::vector<HANDLE> heaps(64);
    DWORD n = ::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (n > heaps.size()) {
        heaps.resize(n);
        n = ::GetProcessHeaps(n, heaps.data());
    }
    std::uint64_t total = 0;
    for (DWORD i = 0; i < n && i < heaps.size(); ++i) {
        if (!::HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        ::HeapUnlock(heaps[i]);
    }
    return total;
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

inline constexpr std::uint32_t kMaskAllControls = 0x02 | 0x04 | 0x20 | 0x40;
inline constexpr std::uint32_t kMaskHost = 66;

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
