#include "COleControlWnd.h"

#include <array>
#include <memory>
#include <new>

namespace kd {

namespace {

// The state hangs on a window property rather than the window procedure's
// extra bytes, so it is found even when something subclasses the window.
constexpr char kStateProperty[] = "KdOleControlWnd";

} // namespace

struct COleControlWnd::State {
    bool oleInitialized = false;
    HRESULT created = E_PENDING;
    com_ptr<COleControlSite> site;
};

std::string COleControlWnd::ClassName(REFCLSID clsid)
{
    std::array<wchar_t, 40> wide{};
    const int n = ::StringFromGUID2(clsid, wide.data(), static_cast<int>(wide.size()));
    std::string name;
    for (int i = 0; i + 1 < n; ++i)
        name += static_cast<char>(wide[static_cast<size_t>(i)]); // hex digits, braces, dashes
    return name;
}

bool COleControlWnd::Register(HINSTANCE instance, REFCLSID clsid) noexcept
{
    try {
        const std::string name = ClassName(clsid);
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        if (::GetClassInfoExA(instance, name.c_str(), &wc)) return true;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = name.c_str();
        return ::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    } catch (...) {
        return false;
    }
}

void COleControlWnd::CloseControl(State& state) noexcept
{
    if (com_ptr<COleControlSite> site = std::move(state.site)) site->Close();
}

COleControlWnd::State* COleControlWnd::StateOf(HWND wnd) noexcept
{
    return wnd ? static_cast<State*>(::GetPropA(wnd, kStateProperty)) : nullptr;
}

HRESULT COleControlWnd::CreateResult(HWND wnd) noexcept
{
    const State* state = StateOf(wnd);
    return state ? state->created : E_INVALIDARG;
}

com_ptr<COleControlSite> COleControlWnd::Site(HWND wnd) noexcept
{
    const State* state = StateOf(wnd);
    return state ? state->site : com_ptr<COleControlSite>();
}

HRESULT COleControlWnd::QueryControl(HWND wnd, REFIID iid, void** out) noexcept
{
    if (!out) return E_POINTER;
    *out = nullptr;
    const com_ptr<COleControlSite> site = Site(wnd);
    return site ? site->QueryControl(iid, out) : E_NOINTERFACE;
}

LRESULT CALLBACK COleControlWnd::WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: {
        auto state = std::unique_ptr<State>(new (std::nothrow) State);
        if (!state || !::SetPropA(wnd, kStateProperty, state.get())) return FALSE;
        (void)state.release(); // owned by the window until WM_NCDESTROY
        break;
    }
    case WM_CREATE: {
        State* state = StateOf(wnd);
        if (!state) return -1;
        // Hosting in place needs OLE proper on this thread; counted, undone at WM_NCDESTROY.
        const HRESULT init = ::OleInitialize(nullptr);
        state->oleInitialized = SUCCEEDED(init);
        if (!state->oleInitialized) {
            state->created = init;
            return 0;
        }
        std::array<wchar_t, 64> name{};
        if (!::GetClassNameW(wnd, name.data(), static_cast<int>(name.size()))) {
            state->created = HRESULT_FROM_WIN32(::GetLastError());
            return 0;
        }
        CLSID clsid{};
        state->created = ::CLSIDFromString(name.data(), &clsid);
        if (FAILED(state->created)) return 0;
        RECT area{};
        ::GetClientRect(wnd, &area);
        state->created = COleControlSite::CreateControl(wnd, area, clsid, state->site);
        return 0; // the window stays, with an empty area when the control failed
    }
    case WM_SIZE:
        if (State* state = StateOf(wnd); state && state->site) {
            const RECT area{0, 0, LOWORD(lParam), HIWORD(lParam)};
            state->site->SetArea(area);
        }
        break;
    case WM_SETFOCUS:
        // Tabbing to the window hands the focus on to the control's own window.
        if (HWND child = ::GetWindow(wnd, GW_CHILD)) {
            ::SetFocus(child);
            return 0;
        }
        break;
    case WM_DESTROY:
        // The control's window is a child of this one: close it while both still exist.
        if (State* state = StateOf(wnd)) CloseControl(*state);
        break;
    case WM_NCDESTROY:
        if (State* state = static_cast<State*>(::RemovePropA(wnd, kStateProperty))) {
            CloseControl(*state);
            const bool uninitialize = state->oleInitialized;
            delete state;
            if (uninitialize) ::OleUninitialize();
        }
        break;
    default:
        break;
    }
    return ::DefWindowProcA(wnd, message, wParam, lParam);
}

} // namespace kd
