// Replaces the global allocation functions of the store tests so that a test
// can make every allocation after the first n fail, as when memory runs out.
#include "StoreTestSupport.h"

#include <cstdlib>
#include <new>

namespace {

long g_allowed = -1; // allocations still allowed; -1: no limit

void* Allocate(std::size_t size)
{
    if (g_allowed == 0) throw std::bad_alloc();
    if (g_allowed > 0) --g_allowed;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

} // namespace

namespace storetest {

void FailAllocationsAfter(long count) noexcept
{
    g_allowed = count;
}
void StopFailingAllocations() noexcept
{
    g_allowed = -1;
}

} // namespace storetest

void* operator new(std::size_t size)
{
    return Allocate(size);
}
void* operator new[](std::size_t size)
{
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
