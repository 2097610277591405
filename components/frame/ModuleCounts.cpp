#include "ModuleCounts.h"

namespace kd::module {
namespace {
HMODULE g_module = nullptr;
volatile LONG g_objects = 0;
volatile LONG g_locks = 0;
} // namespace

void SetHandle(HMODULE module) noexcept
{
    g_module = module;
}
HMODULE Handle() noexcept
{
    return g_module;
}

LONG ObjectCreated() noexcept
{
    return ::InterlockedIncrement(&g_objects);
}
LONG ObjectDestroyed() noexcept
{
    return ::InterlockedDecrement(&g_objects);
}
LONG Lock() noexcept
{
    return ::InterlockedIncrement(&g_locks);
}
LONG Unlock() noexcept
{
    return ::InterlockedDecrement(&g_locks);
}

// An interlocked no-op add reads the current value with a full barrier.
LONG ObjectCount() noexcept
{
    return ::InterlockedCompareExchange(&g_objects, 0, 0);
}
LONG LockCount() noexcept
{
    return ::InterlockedCompareExchange(&g_locks, 0, 0);
}

} // namespace kd::module
