#include "COleControlSite.h"

#include <olectl.h>

#include <new>

namespace kd {

namespace {

// Ambient properties a hosted browser asks its site for. What a program embeds
// is its own content: no dialogs of the control's own (script errors, security
// prompts), and no attempt to dial a connection when offline.
constexpr DISPID kAmbientUserMode = DISPID_AMBIENT_USERMODE;
constexpr DISPID kAmbientSilent = -5502;                // DISPID_AMBIENT_SILENT
constexpr DISPID kAmbientOfflineIfNotConnected = -5501; // DISPID_AMBIENT_OFFLINEIFNOTCONNECTED

template <typename T>
void ClearOut(T** out) noexcept
{
    if (out) *out = nullptr;
}

} // namespace

HRESULT COleControlSite::CreateControl(HWND host, const RECT& area, REFCLSID clsid,
                                       com_ptr<COleControlSite>& site) noexcept
{
    site.reset();
    com_ptr<IUnknown> control;
    const HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.put_void());
    if (FAILED(hr)) return hr;
    return Embed(host, area, control.get(), site);
}

HRESULT COleControlSite::Embed(HWND host, const RECT& area, IUnknown* control, com_ptr<COleControlSite>& site) noexcept
{
    site.reset();
    if (!control || !::IsWindow(host)) return E_INVALIDARG;
    auto created = com_ptr<COleControlSite>::attach(new (std::nothrow) COleControlSite(host, area));
    if (!created) return E_OUTOFMEMORY;
    const HRESULT hr = created->Activate(control);
    if (FAILED(hr)) {
        created->Close();
        return hr;
    }
    site = std::move(created);
    return S_OK;
}

HRESULT COleControlSite::Activate(IUnknown* control) noexcept
{
    HRESULT hr = control->QueryInterface(IID_IOleObject, m_object.put_void());
    if (FAILED(hr)) return hr;

    DWORD misc = 0;
    if (FAILED(m_object->GetMiscStatus(DVASPECT_CONTENT, &misc))) misc = 0;
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;

    if (siteFirst) {
        hr = m_object->SetClientSite(this);
        if (FAILED(hr)) return hr;
    }
    // Controls that persist through a stream want a fresh state before use.
    com_ptr<IPersistStreamInit> persist;
    if (SUCCEEDED(control->QueryInterface(IID_IPersistStreamInit, persist.put_void()))) {
        hr = persist->InitNew();
        if (FAILED(hr) && hr != E_NOTIMPL) return hr;
    }
    if (!siteFirst) {
        hr = m_object->SetClientSite(this);
        if (FAILED(hr)) return hr;
    }

    RECT pos = m_area;
    hr = m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_host, &pos);
    if (FAILED(hr)) return hr;
    return S_OK;
}

void COleControlSite::Close() noexcept
{
    if (m_closing || !m_object) return;
    m_closing = true;
    // Callbacks during the teardown may release the last outside reference.
    AddRef();
    if (m_inPlace) m_inPlace->InPlaceDeactivate();
    m_inPlace.reset();
    m_active.reset();
    com_ptr<IOleObject> object = std::move(m_object);
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    object.reset();
    m_closing = false;
    Release();
}

void COleControlSite::SetArea(const RECT& area) noexcept
{
    m_area = area;
    if (m_inPlace) m_inPlace->SetObjectRects(&m_area, &m_area);
}

HRESULT COleControlSite::QueryControl(REFIID iid, void** out) const noexcept
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!m_object) return E_UNEXPECTED;
    return m_object->QueryInterface(iid, out);
}

// IUnknown

STDMETHODIMP COleControlSite::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *out = static_cast<IOleInPlaceFrame*>(&m_frame);
    else if (iid == IID_IDispatch)
        *out = static_cast<IDispatch*>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) COleControlSite::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_refs));
}

STDMETHODIMP_(ULONG) COleControlSite::Release()
{
    const LONG refs = ::InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

// IOleClientSite

STDMETHODIMP COleControlSite::SaveObject()
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    ClearOut(moniker);
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::GetContainer(IOleContainer** container)
{
    ClearOut(container);
    return E_NOINTERFACE;
}

STDMETHODIMP COleControlSite::ShowObject()
{
    return S_OK;
}
STDMETHODIMP COleControlSite::OnShowWindow(BOOL)
{
    return S_OK;
}
STDMETHODIMP COleControlSite::RequestNewObjectLayout()
{
    return E_NOTIMPL;
}

// IOleWindow

STDMETHODIMP COleControlSite::GetWindow(HWND* wnd)
{
    if (!wnd) return E_POINTER;
    *wnd = m_host;
    return m_host ? S_OK : E_FAIL;
}

STDMETHODIMP COleControlSite::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

// IOleInPlaceSite

STDMETHODIMP COleControlSite::CanInPlaceActivate()
{
    return m_closing ? S_FALSE : S_OK;
}

STDMETHODIMP COleControlSite::OnInPlaceActivate()
{
    if (m_object) m_object->QueryInterface(IID_IOleInPlaceObject, m_inPlace.put_void());
    return S_OK;
}

STDMETHODIMP COleControlSite::OnUIActivate()
{
    return S_OK;
}

STDMETHODIMP COleControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    ClearOut(frame);
    ClearOut(doc);
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    *frame = &m_frame;
    AddRef();
    // No separate document window: the frame plays that part.
    *pos = m_area;
    *clip = m_area;
    info->cb = sizeof(OLEINPLACEFRAMEINFO);
    info->fMDIApp = FALSE;
    m_frame.GetWindow(&info->hwndFrame);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP COleControlSite::Scroll(SIZE)
{
    return E_NOTIMPL;
}
STDMETHODIMP COleControlSite::OnUIDeactivate(BOOL)
{
    return S_OK;
}

STDMETHODIMP COleControlSite::OnInPlaceDeactivate()
{
    m_inPlace.reset();
    m_active.reset();
    return S_OK;
}

STDMETHODIMP COleControlSite::DiscardUndoState()
{
    return S_OK;
}
STDMETHODIMP COleControlSite::DeactivateAndUndo()
{
    return m_inPlace ? m_inPlace->UIDeactivate() : S_OK;
}

STDMETHODIMP COleControlSite::OnPosRectChange(LPCRECT pos)
{
    if (!pos) return E_POINTER;
    // The host decides where the control lives; the control may size itself within it.
    if (m_inPlace) m_inPlace->SetObjectRects(pos, &m_area);
    return S_OK;
}

// The frame

STDMETHODIMP COleControlSite::Frame::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
        *out = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        return S_OK;
    }
    return m_site.QueryInterface(iid, out);
}

STDMETHODIMP COleControlSite::Frame::GetWindow(HWND* wnd)
{
    if (!wnd) return E_POINTER;
    HWND top = ::GetAncestor(m_site.m_host, GA_ROOT);
    *wnd = top ? top : m_site.m_host;
    return *wnd ? S_OK : E_FAIL;
}

STDMETHODIMP COleControlSite::Frame::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}
STDMETHODIMP COleControlSite::Frame::GetBorder(LPRECT)
{
    return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP COleControlSite::Frame::RequestBorderSpace(LPCBORDERWIDTHS)
{
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP COleControlSite::Frame::SetBorderSpace(LPCBORDERWIDTHS widths)
{
    return widths ? OLE_E_INVALIDRECT : S_OK;
}

STDMETHODIMP COleControlSite::Frame::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR)
{
    m_site.m_active.reset();
    if (object) {
        object->AddRef();
        m_site.m_active = com_ptr<IOleInPlaceActiveObject>::attach(object);
    }
    return S_OK;
}

STDMETHODIMP COleControlSite::Frame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths)
{
    // No menus of ours to share: the container groups stay empty.
    if (widths) {
        widths->width[0] = 0;
        widths->width[2] = 0;
        widths->width[4] = 0;
    }
    return S_OK;
}

STDMETHODIMP COleControlSite::Frame::SetMenu(HMENU, HOLEMENU, HWND)
{
    return S_OK;
}
STDMETHODIMP COleControlSite::Frame::RemoveMenus(HMENU)
{
    return S_OK;
}
STDMETHODIMP COleControlSite::Frame::SetStatusText(LPCOLESTR)
{
    return S_OK;
}
STDMETHODIMP COleControlSite::Frame::EnableModeless(BOOL)
{
    return S_OK;
}
STDMETHODIMP COleControlSite::Frame::TranslateAccelerator(LPMSG, WORD)
{
    return S_FALSE;
}

// IDispatch

STDMETHODIMP COleControlSite::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP COleControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    ClearOut(info);
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids)
{
    if (ids)
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP COleControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*)
{
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    switch (id) {
    case kAmbientUserMode:
    case kAmbientSilent:
    case kAmbientOfflineIfNotConnected:
        if (!result) return E_POINTER;
        ::VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace kd
