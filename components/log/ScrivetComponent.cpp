// Scrivet's identity for the shared component frame.
#include <new>

#include "CScrivet.h"
#include "ComponentIdentity.h"
#include "IScrivet.h"

namespace kd {
namespace {

IUnknown* CreateScrivet() noexcept
{
    return static_cast<IScrivet*>(new (std::nothrow) CScrivet());
}

constexpr ComponentIdentity kScrivetIdentity{
    CLSID_Scrivet, IID_IScrivet, "Halvrin.Scrivet", "Halvrin.Scrivet", "Halvrin.Scrivet.1", &CreateScrivet,
};

} // namespace

const ComponentIdentity& ThisComponent() noexcept
{
    return kScrivetIdentity;
}

} // namespace kd
