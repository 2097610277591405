// A stand-in OLE control that behaves like an in-place control towards its
// site (activates through the in-place site, makes a child window, keeps the
// references a real control keeps) and records what its container does to it.
// Only the calls COleControlSite makes do anything; the other methods of its
// interfaces answer E_NOTIMPL.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "unique_any.h"

// QueryInterface of an object that is one interface besides IUnknown.
template <class I>
HRESULT QueryOnly(I* self, REFIID own, REFIID iid, void** out) noexcept
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != own) return E_NOINTERFACE;
    *out = self;
    self->AddRef();
    return S_OK;
}

class FakeInPlaceControl : public IOleObject, public IOleInPlaceObject, public IPersistStreamInit {
public:
    // Created with one reference owned by the caller.
    FakeInPlaceControl() = default;
    FakeInPlaceControl(const FakeInPlaceControl&) = delete;
    FakeInPlaceControl& operator=(const FakeInPlaceControl&) = delete;

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

    [[nodiscard]] bool HasSite() const noexcept { return static_cast<bool>(m_site); }
    [[nodiscard]] ULONG RefCount() const noexcept { return static_cast<ULONG>(m_refs); }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = Find(iid);
        if (!*out) return E_NOINTERFACE;
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
    STDMETHODIMP Close(DWORD option) override
    {
        calls.push_back(option == OLECLOSE_NOSAVE ? "Close(nosave)" : "Close");
        if (window) InPlaceDeactivate();
        return S_OK;
    }
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
        window = ::CreateWindowExA(0, "STATIC", "fake control", WS_CHILD | WS_VISIBLE, contextPos.left, contextPos.top,
                                   contextPos.right - contextPos.left, contextPos.bottom - contextPos.top, host,
                                   nullptr, nullptr, nullptr);
        return window ? S_OK : E_FAIL;
    }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override
    {
        if (!status) return E_POINTER;
        *status = miscStatus;
        return S_OK;
    }

    // IOleInPlaceObject
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

    // IPersistStreamInit
    STDMETHODIMP InitNew() override
    {
        calls.push_back("InitNew");
        return S_OK;
    }

    // Not called by the site.
    STDMETHODIMP GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return E_NOTIMPL; }
    STDMETHODIMP IsUpToDate() override { return E_NOTIMPL; }
    STDMETHODIMP GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }
    STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP IsDirty() override { return E_NOTIMPL; }
    STDMETHODIMP Load(LPSTREAM) override { return E_NOTIMPL; }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }

protected:
    virtual ~FakeInPlaceControl() = default;

    // This object's interface for iid (no reference added), or null.
    virtual void* Find(REFIID iid) noexcept
    {
        if (iid == IID_IUnknown || iid == IID_IOleObject) return static_cast<IOleObject*>(this);
        if (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow) return static_cast<IOleInPlaceObject*>(this);
        if ((iid == IID_IPersistStreamInit || iid == IID_IPersist) && supportsPersist)
            return static_cast<IPersistStreamInit*>(this);
        return nullptr;
    }

private:
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
        return QueryOnly<IClassFactory>(this, IID_IClassFactory, iid, out);
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
