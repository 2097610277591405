// Library-wide state: the module handle, the live-object count and the
// LockServer count. Counts change only through interlocked operations.
#pragma once

#include <windows.h>

namespace kd::module {

void SetHandle(HMODULE module) noexcept;
[[nodiscard]] HMODULE Handle() noexcept;

LONG ObjectCreated() noexcept;
LONG ObjectDestroyed() noexcept;
LONG Lock() noexcept;
LONG Unlock() noexcept;

[[nodiscard]] LONG ObjectCount() noexcept;
[[nodiscard]] LONG LockCount() noexcept;

} // namespace kd::module
