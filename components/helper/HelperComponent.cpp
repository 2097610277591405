// Helper's identity for the shared component frame.
#include <new>

#include "CHelper.h"
#include "ComponentIdentity.h"
#include "IHelper.h"

namespace kd {
namespace {

IUnknown* CreateHelper() noexcept
{
    return static_cast<IHelper*>(new (std::nothrow) CHelper());
}

constexpr ComponentIdentity kHelperIdentity{
    CLSID_Helper, IID_IHelper, "Halvrin.Helper", "Halvrin.Helper", "Halvrin.Helper.1", &CreateHelper,
};

} // namespace

const ComponentIdentity& ThisComponent() noexcept
{
    return kHelperIdentity;
}

} // namespace kd
