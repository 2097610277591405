#include "CExplorer1.h"

#include <ocidl.h>

#include <array>
#include <new>
#include <string>

#include "COleControlWnd.h"
#include "Trace.h"
#include "resource.h"
#include "unique_any.h"
#include "win32_text.h"

const CLSID CExplorer1::kClsid = kd::COleControlWnd::ClassId(KD_WEBBROWSER_CLASS);

namespace {

// Single-byte text to a BSTR (empty on failure of the conversion).
kd::unique_bstr ToBstr(const char* text) noexcept
{
    if (*text == '\0') return kd::unique_bstr(::SysAllocString(L""));
    try {
        const std::wstring wide = kd::Widen(text);
        if (wide.empty()) return {};
        return kd::unique_bstr(::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// An exception the control reports owns up to three strings.
void ClearException(EXCEPINFO& info) noexcept
{
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    kd::unique_bstr source(info.bstrSource), description(info.bstrDescription), helpFile(info.bstrHelpFile);
    info = EXCEPINFO{};
}

// The browser's event interface, DWebBrowserEvents2, and its NavigateError event.
const IID kDiidWebBrowserEvents2 = {0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};
constexpr DISPID kDispidNavigateError = 271;

// Listens to the browser for a page it cannot show (a missing file, or no
// rendering engine on the platform): leaves a diagnostic line and tells the
// parent window, which may show the page another way. Held by the control's
// connection point and released with the control.
class CNavigationWatch final : public IDispatch {
public:
    explicit CNavigationWatch(HWND window) noexcept : m_window(window) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kDiidWebBrowserEvents2) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        if (id != kDispidNavigateError) return S_OK; // every other event is of no interest
        WriteTraceLine(tracepoint::kNavigateError);
        // Posted: the parent may hide or replace the browser, which must not happen inside its own event.
        if (::IsWindow(m_window)) {
            const int control = ::GetDlgCtrlID(m_window);
            ::PostMessageA(::GetParent(m_window), WM_COMMAND,
                           MAKEWPARAM(control, CExplorer1::kNavigateErrorNotification),
                           reinterpret_cast<LPARAM>(m_window));
        }
        return S_OK;
    }

private:
    ~CNavigationWatch() = default;
    LONG m_refs = 1;
    HWND m_window;
};

// Puts a watch on the browser in `window`; false for a control without events.
bool WatchNavigation(IDispatch* control, HWND window) noexcept
{
    kd::com_ptr<IConnectionPointContainer> container;
    if (FAILED(control->QueryInterface(IID_IConnectionPointContainer, container.put_void()))) return false;
    kd::com_ptr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(kDiidWebBrowserEvents2, point.put()))) return false;
    auto watch = kd::com_ptr<CNavigationWatch>::attach(new (std::nothrow) CNavigationWatch(window));
    DWORD cookie = 0;
    return watch && SUCCEEDED(point->Advise(watch.get(), &cookie));
}

} // namespace

bool CExplorer1::RegisterWindowClass(HINSTANCE instance) noexcept
{
    return kd::COleControlWnd::Register(instance, kClsid);
}

std::string CExplorer1::WindowClassName()
{
    return kd::COleControlWnd::ClassName(kClsid);
}

bool CExplorer1::Create(HWND parent, const RECT& area, int id)
{
    Attach(nullptr);
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (!RegisterWindowClass(instance)) return false;
    HWND wnd = ::CreateWindowExA(0, WindowClassName().c_str(), "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, area.left,
                                 area.top, area.right - area.left, area.bottom - area.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    Attach(wnd);
    return wnd != nullptr;
}

bool CExplorer1::HasControl() const noexcept
{
    return m_hWnd && kd::COleControlWnd::CreateResult(m_hWnd) == S_OK;
}

kd::com_ptr<IDispatch> CExplorer1::GetControlDispatch() const noexcept
{
    kd::com_ptr<IDispatch> dispatch;
    if (m_hWnd) (void)kd::COleControlWnd::QueryControl(m_hWnd, IID_IDispatch, dispatch.put_void());
    return dispatch;
}

HRESULT CExplorer1::Navigate(const char* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                             VARIANT* headers)
{
    const kd::com_ptr<IDispatch> dispatch = GetControlDispatch();
    if (!dispatch) {
        // No browser here (the platform could not create it): the area stays empty.
        WriteTraceLine(tracepoint::kNavigateFailed);
        return E_NOINTERFACE;
    }
    if (m_watched != m_hWnd && WatchNavigation(dispatch.get(), m_hWnd)) m_watched = m_hWnd; // once per control
    const HRESULT hr = InvokeNavigate(dispatch.get(), url, flags, targetFrameName, postData, headers);
    if (FAILED(hr)) WriteTraceLine(tracepoint::kNavigateCallFailed);
    return hr;
}

HRESULT CExplorer1::InvokeNavigate(IDispatch* dispatch, const char* url, VARIANT* flags, VARIANT* targetFrameName,
                                   VARIANT* postData, VARIANT* headers) noexcept
{
    if (!dispatch || !url) return E_POINTER;
    kd::unique_bstr text = ToBstr(url);
    if (!text) return E_OUTOFMEMORY;

    // The control dereferences every by-reference argument: stand in empty ones for null.
    std::array<VARIANT, 4> empty{};
    for (VARIANT& v : empty) ::VariantInit(&v);
    VARIANT* const refs[4] = {flags ? flags : &empty[0], targetFrameName ? targetFrameName : &empty[1],
                              postData ? postData : &empty[2], headers ? headers : &empty[3]};

    // Arguments travel last first.
    std::array<VARIANTARG, 5> args{};
    args[4].vt = VT_BSTR;
    args[4].bstrVal = text.get();
    for (size_t i = 0; i < 4; ++i) {
        args[3 - i].vt = VT_VARIANT | VT_BYREF;
        args[3 - i].pvarVal = refs[i];
    }
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    EXCEPINFO exception{};
    UINT argError = 0;
    const HRESULT hr = dispatch->Invoke(kDispidNavigate, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                        nullptr, &exception, &argError);
    if (hr == DISP_E_EXCEPTION) ClearException(exception);
    return hr;
}
