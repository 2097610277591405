// Window helpers for the skin tests: message pumping, in-memory dialog
// templates, screen capture and a process-wide GDI object count.
#pragma once

#include "unique_any.h"

#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace skintest {

// Lets pending messages (and Wine's asynchronous painting) run, as Wine's own
// user32 tests do before they look at a window.
inline void Pump(DWORD milliseconds = 150)
{
    const DWORD end = ::GetTickCount() + milliseconds;
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        const DWORD now = ::GetTickCount();
        if (static_cast<LONG>(end - now) <= 0) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    }
}

// A dialog template built in memory (DLGTEMPLATE + items, WORD aligned).
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short cx, short cy, const char* caption, DWORD exStyle = 0)
    {
        Align(4);
        Put32(style | DS_SETFONT);
        Put32(exStyle);
        m_countAt = m_data.size();
        Put16(0); // item count
        Put16(0); Put16(0); Put16(static_cast<WORD>(cx)); Put16(static_cast<WORD>(cy));
        Put16(0); // no menu
        Put16(0); // standard class
        PutText(caption);
        Put16(8);
        PutText("MS Shell Dlg");
    }

    // classAtom: 0x0080 button, 0x0081 edit, 0x0082 static.
    DialogTemplate& Add(WORD classAtom, DWORD style, short x, short y, short cx, short cy, WORD id, const char* text)
    {
        Align(4);
        Put32(style | WS_CHILD | WS_VISIBLE);
        Put32(0);
        Put16(static_cast<WORD>(x)); Put16(static_cast<WORD>(y)); Put16(static_cast<WORD>(cx)); Put16(static_cast<WORD>(cy));
        Put16(id);
        Put16(0xFFFF); Put16(classAtom);
        PutText(text);
        Put16(0); // no creation data
        auto* count = reinterpret_cast<WORD*>(m_data.data() + m_countAt);
        ++*count;
        return *this;
    }

    [[nodiscard]] const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_data.data()); }

private:
    void Align(std::size_t n) { while (m_data.size() % n) m_data.push_back(0); }
    void Put16(WORD v) { m_data.push_back(static_cast<unsigned char>(v & 0xFF)); m_data.push_back(static_cast<unsigned char>(v >> 8)); }
    void Put32(DWORD v) { Put16(LOWORD(v)); Put16(HIWORD(v)); }
    void PutText(const char* s) { for (; *s; ++s) Put16(static_cast<unsigned char>(*s)); Put16(0); }
    std::vector<unsigned char> m_data;
    std::size_t m_countAt = 0;
};

// Pixels of a screen rectangle, read back as COLORREF.
class Capture {
public:
    Capture() = default;
    explicit Capture(const RECT& screen) : m_origin{screen.left, screen.top}
    {
        m_width = screen.right - screen.left;
        m_height = screen.bottom - screen.top;
        if (m_width <= 0 || m_height <= 0) return;
        kd::unique_window_dc desktop(nullptr);
        kd::unique_hdc mem(::CreateCompatibleDC(desktop.get()));
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
        bmi.bmiHeader.biWidth = m_width;
        bmi.bmiHeader.biHeight = -m_height;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        kd::unique_hbitmap dib(::CreateDIBSection(desktop.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
        {
            kd::select_scope sel(mem.get(), dib.get());
            ::BitBlt(mem.get(), 0, 0, m_width, m_height, desktop.get(), screen.left, screen.top, SRCCOPY);
            ::GdiFlush();
        }
        const auto* px = static_cast<const std::uint32_t*>(bits);
        m_pixels.assign(px, px + static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height));
    }

    // Whole window (screen coordinates of its window rectangle).
    static Capture Of(HWND wnd)
    {
        RECT r{};
        ::GetWindowRect(wnd, &r);
        return Capture(r);
    }

    // x, y relative to the captured rectangle.
    [[nodiscard]] COLORREF At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height) return CLR_INVALID;
        const std::uint32_t v = m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    // Count and leftmost column of pixels of one colour inside a rectangle.
    [[nodiscard]] int Count(COLORREF c, const RECT& r, int* leftmost = nullptr) const
    {
        int n = 0;
        int left = INT32_MAX;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) == c) {
                    ++n;
                    if (x < left) left = x;
                }
        if (leftmost) *leftmost = n ? left : -1;
        return n;
    }

private:
    POINT m_origin{};
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};

// GDI objects the process holds. GetGuiResources where it is implemented;
// otherwise the live entries of the handle table (handles whose high word is
// zero are looked up by index alone).
inline int GdiObjectCount()
{
    const DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (n) return static_cast<int>(n);
    int count = 0;
    for (std::uintptr_t i = 1; i < 0x10000; ++i)
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++count;
    return count;
}

inline std::string ClassNameOf(HWND wnd)
{
    char name[260] = {};
    ::GetClassNameA(wnd, name, sizeof name);
    return name;
}

} // namespace skintest
