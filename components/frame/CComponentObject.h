// The IUnknown part every component object starts with: reference count
// starting at 1, interlocked changes, and the library's object count kept in
// step with construction and destruction.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "ModuleCounts.h"

namespace kd {

template <class Interface>
class CComponentObject : public Interface {
public:
    CComponentObject(const CComponentObject&) = delete;
    CComponentObject& operator=(const CComponentObject&) = delete;

    HRESULT __stdcall QueryInterface(REFIID iid, void** out) noexcept override
    {
        if (!out) return E_POINTER;
        if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, __uuidof(Interface))) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    ULONG __stdcall AddRef() noexcept override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }

    ULONG __stdcall Release() noexcept override
    {
        const LONG left = ::InterlockedDecrement(&m_refs);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

protected:
    CComponentObject() noexcept { module::ObjectCreated(); }
    // Virtual so that Release destroys the whole object; its slots come after
    // the interface's, so the binding table is unchanged.
    virtual ~CComponentObject() { module::ObjectDestroyed(); }

private:
    volatile LONG m_refs = 1;
};

} // namespace kd
