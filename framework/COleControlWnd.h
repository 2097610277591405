// A window class named after an OLE control's class identifier ("{8856F961-...}"),
// so that dialog templates and CreateWindow can name the control by class: each
// window of the class creates that control in process and activates it in place
// over its client area, and closes it again when the window is destroyed.
//
// When the control cannot be created the window still exists and shows an empty
// area; CreateResult() tells why. No prompt or message box comes from here.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "COleControlSite.h"

namespace kd {

class COleControlWnd {
public:
    // The window class name for a control class: its identifier in braces, upper case.
    [[nodiscard]] static std::string ClassName(REFCLSID clsid);
    // The class identifier a class name such as a dialog template's "{...}"
    // names, at compile time; GUID_NULL for anything else. The template's
    // text is then the one place that writes the identifier.
    [[nodiscard]] static constexpr CLSID ClassId(std::string_view name) noexcept
    {
        constexpr std::string_view shape = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
        auto digit = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        if (name.size() != shape.size()) return CLSID{};
        for (std::size_t i = 0; i < shape.size(); ++i)
            if (shape[i] == 'X' ? digit(name[i]) < 0 : name[i] != shape[i]) return CLSID{};
        auto number = [&](std::size_t at, std::size_t digits) {
            unsigned long long value = 0;
            for (std::size_t i = 0; i < digits; ++i) value = value * 16 + static_cast<unsigned>(digit(name[at + i]));
            return value;
        };
        CLSID id{};
        id.Data1 = static_cast<decltype(id.Data1)>(number(1, 8));
        id.Data2 = static_cast<unsigned short>(number(10, 4));
        id.Data3 = static_cast<unsigned short>(number(15, 4));
        constexpr std::size_t bytes[] = {20, 22, 25, 27, 29, 31, 33, 35};
        for (std::size_t i = 0; i < 8; ++i) id.Data4[i] = static_cast<unsigned char>(number(bytes[i], 2));
        return id;
    }
    // Registers the window class for `clsid` with `instance` (true when it is, or
    // already was, registered).
    [[nodiscard]] static bool Register(HINSTANCE instance, REFCLSID clsid) noexcept;

    // For a window of a registered class: S_OK when its control was created and
    // activated, otherwise the failure code (E_INVALIDARG for other windows).
    [[nodiscard]] static HRESULT CreateResult(HWND wnd) noexcept;
    // The site of the window's control; empty when there is no control.
    [[nodiscard]] static com_ptr<COleControlSite> Site(HWND wnd) noexcept;
    // An interface of the window's control.
    [[nodiscard]] static HRESULT QueryControl(HWND wnd, REFIID iid, void** out) noexcept;

private:
    struct State;
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] static State* StateOf(HWND wnd) noexcept;
    static void CloseControl(State& state) noexcept;
};

} // namespace kd
