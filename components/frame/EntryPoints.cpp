// The library entry point and the four exported component entry points,
// shared by both component libraries.
#include <windows.h>
#include <new>

#include "CClassFactory.h"
#include "ComponentIdentity.h"
#include "ModuleCounts.h"
#include "Registration.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) kd::module::SetHandle(instance);
    return TRUE;
}

HRESULT __stdcall DllCanUnloadNow()
{
    return kd::module::ObjectCount() == 0 && kd::module::LockCount() == 0 ? S_OK : S_FALSE;
}

HRESULT __stdcall DllGetClassObject(REFCLSID classId, REFIID iid, void** out)
{
    const kd::ComponentIdentity& identity = kd::ThisComponent();
    if (out) *out = nullptr;
    if (!::IsEqualCLSID(classId, identity.classId)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) kd::CClassFactory(identity);
    if (!factory) return E_OUTOFMEMORY;
    // Whoever does not take a reference here leaves the factory to die.
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

HRESULT __stdcall DllRegisterServer()
{
    const kd::ComponentIdentity& identity = kd::ThisComponent();
    return kd::RegisterComponent(kd::module::Handle(), identity.classId, identity.description,
                                 identity.versionIndependentProgId, identity.progId);
}

HRESULT __stdcall DllUnregisterServer()
{
    const kd::ComponentIdentity& identity = kd::ThisComponent();
    return kd::UnregisterComponent(identity.classId, identity.versionIndependentProgId, identity.progId);
}

} // extern "C"
