// A stand-in OLE control that behaves like an in-place control towards its
// site (activates through the in-place site, makes a child window, keeps the
// references a real control keeps) and records what its container does to it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "unique_any.h"

class FakeOleControl final : public IOleObject,
                             public IOleInPlaceObject,
                             public IPersistStreamInit,
                             public IDispatch,
                             public IConnectionPointContainer {
public:
    // Created with one reference owned by the caller.
    FakeOleControl() = default;

    // What the container did, in order ("SetClientSite", "InitNew", "DoVerb -5", ...).
    std::vector<std::string> calls;
    DWORD miscStatus = OLEMISC_SETCLIENTSITEFIRST;
    HRESULT doVerbResult = S_OK;
    bool supportsPersist = true;

    // Seen during activation.
    HWND verbParent = nullptr;
    RECT verbRect{};
    HWND contextFrameWindow = nullptr;
    RECT contextPos{};
    RECT contextClip{};
    RECT objectRects{};
    HWND window = nullptr; // the control's own window while active in place

    // The last Invoke.
    struct Invocation {
        DISPID id = DISPID_UNKNOWN;
        WORD flags = 0;
        bool iidNull = false;
        bool wantsResult = false;
        UINT namedArgs = 0;
        std::vector<VARTYPE> kinds; // as passed: last argument first
        std::wstring text;          // the BSTR argument, if any
        std::vector<VARIANT*> refs; // the by-reference arguments, last first
        std::vector<VARTYPE> refKinds;
    };
    std::vector<Invocation> invocations;
    HRESULT invokeResult = S_OK;

    // Outgoing events: one connection point for `eventsIid` when set.
    IID eventsIid = IID_NULL;
    std::vector<kd::com_ptr<IDispatch>> sinks;
    // Calls every sink with event `id` and no arguments.
    void Fire(DISPID id)
    {
        DISPPARAMS none{};
        for (auto sink : sinks) sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
    }

    [[nodiscard]] bool HasSite() const noexcept { return static_cast<bool>(m_site); }
    [[nodiscard]] ULONG RefCount() const noexcept { return static_cast<ULONG>(m_refs); }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleObject) *out = static_cast<IOleObject*>(this);
        else if (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow) *out = static_cast<IOleInPlaceObject*>(this);
        else if ((iid == IID_IPersistStreamInit || iid == IID_IPersist) && supportsPersist)
            *out = static_cast<IPersistStreamInit*>(this);
        else if (iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
        else if (iid == IID_IConnectionPointContainer && eventsIid != IID_NULL)
            *out = static_cast<IConnectionPointContainer*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG refs = --m_refs;
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override
    {
        calls.push_back(site ? "SetClientSite" : "SetClientSite(null)");
        m_site.reset();
        if (site) {
            site->AddRef();
            m_site = kd::com_ptr<IOleClientSite>::attach(site);
        }
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override
    {
        if (!site) return E_POINTER;
        *site = m_site.get();
        if (*site) (*site)->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD option) override
    {
        calls.push_back(option == OLECLOSE_NOSAVE ? "Close(nosave)" : "Close");
        if (window) InPlaceDeactivate();
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) override
    {
        calls.push_back("DoVerb " + std::to_string(verb));
        verbParent = parent;
        if (rect) verbRect = *rect;
        if (FAILED(doVerbResult)) return doVerbResult;
        if (verb != OLEIVERB_INPLACEACTIVATE || !site) return E_NOTIMPL;
        // As an in-place control does: ask the site, then make its window in the given place.
        if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, m_inPlaceSite.put_void()))) return E_NOINTERFACE;
        if (m_inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
        m_inPlaceSite->OnInPlaceActivate();
        kd::com_ptr<IOleInPlaceFrame> frame;
        kd::com_ptr<IOleInPlaceUIWindow> doc;
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof info;
        if (FAILED(m_inPlaceSite->GetWindowContext(frame.put(), doc.put(), &contextPos, &contextClip, &info)))
            return E_FAIL;
        if (frame) frame->GetWindow(&contextFrameWindow);
        HWND host = nullptr;
        m_inPlaceSite->GetWindow(&host);
        window = ::CreateWindowExA(0, "STATIC", "fake control", WS_CHILD | WS_VISIBLE, contextPos.left,
                                   contextPos.top, contextPos.right - contextPos.left,
                                   contextPos.bottom - contextPos.top, host, nullptr, nullptr, nullptr);
        return window ? S_OK : E_FAIL;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override
    {
        if (!status) return E_POINTER;
        *status = miscStatus;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* wnd) override
    {
        if (!wnd) return E_POINTER;
        *wnd = window;
        return window ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override
    {
        calls.push_back("InPlaceDeactivate");
        if (window) {
            ::DestroyWindow(window);
            window = nullptr;
        }
        if (kd::com_ptr<IOleInPlaceSite> site = std::move(m_inPlaceSite)) site->OnInPlaceDeactivate();
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT) override
    {
        if (pos) objectRects = *pos;
        if (window && pos)
            ::MoveWindow(window, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM) override { return E_NOTIMPL; }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP InitNew() override
    {
        calls.push_back("InitNew");
        return S_OK;
    }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override
    {
        Invocation call;
        call.id = id;
        call.flags = flags;
        call.iidNull = iid == IID_NULL;
        call.wantsResult = result != nullptr;
        if (params) {
            call.namedArgs = params->cNamedArgs;
            for (UINT i = 0; i < params->cArgs; ++i) {
                const VARIANTARG& arg = params->rgvarg[i];
                call.kinds.push_back(arg.vt);
                if (arg.vt == VT_BSTR && arg.bstrVal) call.text.assign(arg.bstrVal, ::SysStringLen(arg.bstrVal));
                if (arg.vt == (VT_VARIANT | VT_BYREF)) {
                    call.refs.push_back(arg.pvarVal);
                    call.refKinds.push_back(arg.pvarVal ? arg.pvarVal->vt : VARTYPE(0xFFFF));
                }
            }
        }
        invocations.push_back(std::move(call));
        return invokeResult;
    }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override
    {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (iid != eventsIid) return CONNECT_E_NOCONNECTION;
        *point = &m_point;
        AddRef();
        return S_OK;
    }

private:
    // The one connection point; part of the control's object.
    class Point final : public IConnectionPoint {
    public:
        explicit Point(FakeOleControl& owner) : m_owner(owner) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override
        {
            if (!out) return E_POINTER;
            if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
                *out = static_cast<IConnectionPoint*>(this);
                AddRef();
                return S_OK;
            }
            *out = nullptr;
            return E_NOINTERFACE;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return m_owner.AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_owner.Release(); }
        STDMETHODIMP GetConnectionInterface(IID* iid) override
        {
            if (!iid) return E_POINTER;
            *iid = m_owner.eventsIid;
            return S_OK;
        }
        STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override
        {
            if (!container) return E_POINTER;
            *container = &m_owner;
            m_owner.AddRef();
            return S_OK;
        }
        STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override
        {
            if (!sink || !cookie) return E_POINTER;
            kd::com_ptr<IDispatch> dispatch;
            if (FAILED(sink->QueryInterface(m_owner.eventsIid, dispatch.put_void()))) return CONNECT_E_CANNOTCONNECT;
            m_owner.sinks.push_back(dispatch);
            *cookie = static_cast<DWORD>(m_owner.sinks.size());
            return S_OK;
        }
        STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
        STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    private:
        FakeOleControl& m_owner;
    };

    ~FakeOleControl() = default;

    Point m_point{*this};

    LONG m_refs = 1;
    kd::com_ptr<IOleClientSite> m_site;
    kd::com_ptr<IOleInPlaceSite> m_inPlaceSite;
};

// Hands out one given object for CoCreateInstance of a class registered with
// CoRegisterClassObject, so windows that create their control by class
// identifier get the fake.
class FakeClassFactory final : public IClassFactory {
public:
    explicit FakeClassFactory(IUnknown* object) : m_object(object) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; } // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (outer) return CLASS_E_NOAGGREGATION;
        ++created;
        return m_object ? m_object->QueryInterface(iid, out) : E_OUTOFMEMORY;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

    int created = 0;

private:
    IUnknown* m_object;
};

// Registers a factory for `clsid` in this process for the lifetime of the object.
class ClassRegistration {
public:
    ClassRegistration(REFCLSID clsid, IClassFactory* factory)
    {
        m_result = ::CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    }
    ~ClassRegistration()
    {
        if (SUCCEEDED(m_result)) ::CoRevokeClassObject(m_cookie);
    }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    [[nodiscard]] HRESULT Result() const noexcept { return m_result; }

private:
    DWORD m_cookie = 0;
    HRESULT m_result = E_FAIL;
};
