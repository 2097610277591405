// The one class factory of both component libraries; what it makes comes from
// the component's identity.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "ComponentIdentity.h"

namespace kd {

class CClassFactory final : public IClassFactory {
public:
    // Starts with one reference, held by the creator.
    explicit CClassFactory(const ComponentIdentity& identity) noexcept : m_identity(identity) {}
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    HRESULT __stdcall QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG __stdcall AddRef() noexcept override;
    ULONG __stdcall Release() noexcept override;
    HRESULT __stdcall CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override;
    HRESULT __stdcall LockServer(BOOL lock) noexcept override;

private:
    ~CClassFactory() = default;

    const ComponentIdentity& m_identity;
    volatile LONG m_refs = 1;
};

} // namespace kd
