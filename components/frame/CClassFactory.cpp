#include "CClassFactory.h"

#include "ModuleCounts.h"

namespace kd {

HRESULT __stdcall CClassFactory::QueryInterface(REFIID iid, void** out) noexcept
{
    if (!out) return E_POINTER;
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG __stdcall CClassFactory::AddRef() noexcept
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_refs));
}

ULONG __stdcall CClassFactory::Release() noexcept
{
    const LONG left = ::InterlockedDecrement(&m_refs);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT __stdcall CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;

    IUnknown* object = m_identity.createObject();
    if (!object) return E_OUTOFMEMORY;
    // The object's own reference goes here: a refused interface destroys it.
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

HRESULT __stdcall CClassFactory::LockServer(BOOL lock) noexcept
{
    if (lock)
        module::Lock();
    else
        module::Unlock();
    return S_OK;
}

} // namespace kd
