// A stand-in for the platform's browser: the in-place control of
// FakeInPlaceControl.h plus what the help dialog's browser wrapper calls on
// it, a dispatch interface that records every Invoke and, when eventsIid is
// set, one event connection point.
#pragma once

#include <olectl.h>

#include <string>
#include <vector>

#include "FakeInPlaceControl.h"
#include "unique_any.h"

class FakeOleControl final : public FakeInPlaceControl, public IDispatch, public IConnectionPointContainer {
public:
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

    // IUnknown, one object for every interface.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        return FakeInPlaceControl::QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return FakeInPlaceControl::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return FakeInPlaceControl::Release(); }

    // IDispatch
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
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override
    {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (iid != eventsIid) return CONNECT_E_NOCONNECTION;
        *point = &m_point;
        AddRef();
        return S_OK;
    }

    // Not called by the wrapper.
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }

protected:
    void* Find(REFIID iid) noexcept override
    {
        if (iid == IID_IDispatch) return static_cast<IDispatch*>(this);
        if (iid == IID_IConnectionPointContainer && eventsIid != IID_NULL)
            return static_cast<IConnectionPointContainer*>(this);
        return FakeInPlaceControl::Find(iid);
    }

private:
    // The one connection point; part of the control's object.
    class Point final : public IConnectionPoint {
    public:
        explicit Point(FakeOleControl& owner) : m_owner(owner) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override
        {
            return QueryOnly<IConnectionPoint>(this, IID_IConnectionPoint, iid, out);
        }
        STDMETHODIMP_(ULONG) AddRef() override { return m_owner.AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_owner.Release(); }
        STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override
        {
            if (!sink || !cookie) return E_POINTER;
            kd::com_ptr<IDispatch> dispatch;
            if (FAILED(sink->QueryInterface(m_owner.eventsIid, dispatch.put_void()))) return CONNECT_E_CANNOTCONNECT;
            m_owner.sinks.push_back(dispatch);
            *cookie = static_cast<DWORD>(m_owner.sinks.size());
            return S_OK;
        }

        // Not called by the wrapper.
        STDMETHODIMP GetConnectionInterface(IID*) override { return E_NOTIMPL; }
        STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
        STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
        STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    private:
        FakeOleControl& m_owner;
    };

    ~FakeOleControl() override = default;

    Point m_point{*this};
};
