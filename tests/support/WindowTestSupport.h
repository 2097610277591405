// What the Windows-side tests share: message pumping, pixel captures and the
// process's GDI and heap counts.
#pragma once

#include "unique_any.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kdtest {

// What a program's message loop does before dispatching (an application's
// pre-translation): true when it handled the message.
using PreTranslate = bool (*)(MSG&);

// The test program's pre-translation for Pump, set once by a program that
// runs an application object; none by default.
inline PreTranslate& PumpPreTranslate() noexcept
{
    static PreTranslate preTranslate = nullptr;
    return preTranslate;
}

// Handles pending messages for ms milliseconds, as the program's loop does;
// Wine paints and delivers posted input asynchronously, so its own user32
// tests do the same before they look at a window. True when WM_QUIT came by.
inline bool Pump(DWORD ms = 150)
{
    bool quit = false;
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                continue;
            }
            if (const PreTranslate preTranslate = PumpPreTranslate(); preTranslate && preTranslate(msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) return quit;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

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

// Pixels read back as COLORREF (red in the low byte).
class Capture {
public:
    Capture() = default;
    // Through the window's own device context (whole window or client area).
    explicit Capture(HWND wnd, bool wholeWindow = true)
    {
        RECT r{};
        if (wholeWindow)
            ::GetWindowRect(wnd, &r);
        else
            ::GetClientRect(wnd, &r);
        kd::unique_window_dc source(wnd, wholeWindow);
        Read(source.get(), r.right - r.left, r.bottom - r.top, 0, 0);
    }
    // What the screen shows in a rectangle: includes the holes of window regions.
    static Capture Screen(const RECT& screen)
    {
        Capture c;
        kd::unique_window_dc desktop(nullptr);
        c.Read(desktop.get(), screen.right - screen.left, screen.bottom - screen.top, screen.left, screen.top);
        return c;
    }
    // What the screen shows of a window's rectangle.
    static Capture Of(HWND wnd)
    {
        RECT r{};
        ::GetWindowRect(wnd, &r);
        return Screen(r);
    }

    [[nodiscard]] int Width() const noexcept { return m_width; }
    [[nodiscard]] int Height() const noexcept { return m_height; }
    // CLR_INVALID outside the captured rectangle.
    [[nodiscard]] COLORREF At(int x, int y) const noexcept
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_pixels.empty()) return CLR_INVALID;
        const std::uint32_t p =
            m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Pixels of one colour inside a rectangle, and optionally the leftmost column holding one (-1: none).
    [[nodiscard]] int Count(const RECT& area, COLORREF colour, int* leftmost = nullptr) const noexcept
    {
        int n = 0;
        int left = INT_MAX;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (At(x, y) == colour) {
                    ++n;
                    left = std::min(left, x);
                }
        if (leftmost) *leftmost = n ? left : -1;
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
    void Read(HDC source, int width, int height, int x, int y)
    {
        m_width = width;
        m_height = height;
        if (!source || width <= 0 || height <= 0) return;
        kd::unique_hdc memory(::CreateCompatibleDC(source));
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        kd::unique_hbitmap dib(::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!memory || !dib || !bits) return;
        {
            kd::select_scope selected(memory.get(), dib.get());
            ::BitBlt(memory.get(), 0, 0, width, height, source, x, y, SRCCOPY);
            ::GdiFlush();
        }
        const auto* first = static_cast<const std::uint32_t*>(bits);
        m_pixels.assign(first, first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    }

    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};

} // namespace kdtest
