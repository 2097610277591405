// RAII ownership of Win32 handles, in the shape of WIL's unique_any:
// one alias per handle kind, each naming its close function and invalid value.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <cstdint>
#include <cstdio>
#include <type_traits>
#include <utility>

namespace kd {

template <typename T, auto Close, std::intptr_t InvalidValue = 0>
class unique_any {
    static T invalid() noexcept
    {
        if constexpr (std::is_pointer_v<T>)
            return reinterpret_cast<T>(InvalidValue);
        else
            return static_cast<T>(InvalidValue);
    }

public:
    using pointer = T;

    unique_any() noexcept = default;
    explicit unique_any(T value) noexcept : m_value(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : m_value(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    [[nodiscard]] T get() const noexcept { return m_value; }
    [[nodiscard]] bool is_valid() const noexcept { return m_value != invalid(); }
    explicit operator bool() const noexcept { return is_valid(); }

    void reset(T value = invalid()) noexcept
    {
        T old = std::exchange(m_value, value);
        if (old != invalid()) Close(old);
    }
    [[nodiscard]] T release() noexcept { return std::exchange(m_value, invalid()); }

    // For APIs that return the handle through an out parameter; drops the current one.
    T* put() noexcept
    {
        reset();
        return &m_value;
    }

private:
    T m_value = invalid();
};

namespace detail {
inline void close_handle(HANDLE h) noexcept
{
    ::CloseHandle(h);
}
inline void find_close(HANDLE h) noexcept
{
    ::FindClose(h);
}
inline void close_reg(HKEY h) noexcept
{
    ::RegCloseKey(h);
}
inline void delete_gdi(HGDIOBJ h) noexcept
{
    ::DeleteObject(h);
}
inline void delete_dc(HDC h) noexcept
{
    ::DeleteDC(h);
}
inline void destroy_icon(HICON h) noexcept
{
    ::DestroyIcon(h);
}
inline void destroy_menu(HMENU h) noexcept
{
    ::DestroyMenu(h);
}
inline void destroy_window(HWND h) noexcept
{
    ::DestroyWindow(h);
}
inline void unhook(HHOOK h) noexcept
{
    ::UnhookWindowsHookEx(h);
}
inline void free_library(HMODULE h) noexcept
{
    ::FreeLibrary(h);
}
inline void local_free(HLOCAL h) noexcept
{
    ::LocalFree(h);
}
inline void global_free(HGLOBAL h) noexcept
{
    ::GlobalFree(h);
}
inline void free_bstr(BSTR s) noexcept
{
    ::SysFreeString(s);
}
inline void close_cfile(std::FILE* f) noexcept
{
    std::fclose(f);
}
} // namespace detail

// A HANDLE's alias follows what its creating call returns on failure: null
// (events, threads, processes) or INVALID_HANDLE_VALUE, -1 (CreateFile,
// CreateToolhelp32Snapshot; FindFirstFile*, closed with FindClose).
using unique_handle = unique_any<HANDLE, detail::close_handle>;
using unique_hfile = unique_any<HANDLE, detail::close_handle, -1>;
using unique_hfind = unique_any<HANDLE, detail::find_close, -1>;
using unique_hkey = unique_any<HKEY, detail::close_reg>;
using unique_hbitmap = unique_any<HBITMAP, detail::delete_gdi>;
using unique_hbrush = unique_any<HBRUSH, detail::delete_gdi>;
using unique_hfont = unique_any<HFONT, detail::delete_gdi>;
using unique_hrgn = unique_any<HRGN, detail::delete_gdi>;
using unique_hdc = unique_any<HDC, detail::delete_dc>; // CreateCompatibleDC / CreateDC
using unique_hicon = unique_any<HICON, detail::destroy_icon>;
using unique_hmenu = unique_any<HMENU, detail::destroy_menu>;
using unique_hwnd = unique_any<HWND, detail::destroy_window>;
using unique_hhook = unique_any<HHOOK, detail::unhook>;
using unique_hmodule = unique_any<HMODULE, detail::free_library>;
using unique_hlocal = unique_any<HLOCAL, detail::local_free>;
using unique_hglobal = unique_any<HGLOBAL, detail::global_free>;  // until SetClipboardData takes it
using unique_bstr = unique_any<BSTR, detail::free_bstr>;          // SysAllocString*
using unique_cfile = unique_any<std::FILE*, detail::close_cfile>; // fopen

// A DC from GetDC/GetWindowDC must go back to its window.
class unique_window_dc {
public:
    explicit unique_window_dc(HWND wnd, bool whole_window = false) noexcept
        : m_wnd(wnd), m_dc(whole_window ? ::GetWindowDC(wnd) : ::GetDC(wnd))
    {
    }
    unique_window_dc(const unique_window_dc&) = delete;
    unique_window_dc& operator=(const unique_window_dc&) = delete;
    ~unique_window_dc()
    {
        if (m_dc) ::ReleaseDC(m_wnd, m_dc);
    }
    [[nodiscard]] HDC get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_wnd;
    HDC m_dc;
};

// BeginPaint/EndPaint pair.
class paint_scope {
public:
    explicit paint_scope(HWND wnd) noexcept : m_wnd(wnd) { m_dc = ::BeginPaint(wnd, &m_ps); }
    paint_scope(const paint_scope&) = delete;
    paint_scope& operator=(const paint_scope&) = delete;
    ~paint_scope() { ::EndPaint(m_wnd, &m_ps); }
    [[nodiscard]] HDC get() const noexcept { return m_dc; }
    [[nodiscard]] const PAINTSTRUCT& info() const noexcept { return m_ps; }

private:
    HWND m_wnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc = nullptr;
};

// SelectObject that puts the previous object back.
class select_scope {
public:
    select_scope(HDC dc, HGDIOBJ obj) noexcept : m_dc(dc), m_old(::SelectObject(dc, obj)) {}
    select_scope(const select_scope&) = delete;
    select_scope& operator=(const select_scope&) = delete;
    ~select_scope()
    {
        if (m_old && m_old != HGDI_ERROR) ::SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// COM interface pointer with Release on scope exit.
template <typename I>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(const com_ptr& o) noexcept : m_p(o.m_p)
    {
        if (m_p) m_p->AddRef();
    }
    com_ptr(com_ptr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    com_ptr& operator=(com_ptr o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~com_ptr() { reset(); }

    static com_ptr attach(I* p) noexcept
    {
        com_ptr c;
        c.m_p = p;
        return c;
    }
    void reset() noexcept
    {
        if (auto p = std::exchange(m_p, nullptr)) p->Release();
    }
    [[nodiscard]] I* get() const noexcept { return m_p; }
    [[nodiscard]] I* detach() noexcept { return std::exchange(m_p, nullptr); }
    I* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    // Out parameter for CoCreateInstance / QueryInterface.
    I** put() noexcept
    {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

private:
    I* m_p = nullptr;
};

} // namespace kd
