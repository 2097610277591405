// How many rounds a soak or leak loop runs: a few in `make test`, so that it
// stays quick, and KD_SOAK_COUNT rounds when that is set (`make soak`).
#pragma once

#include <cstdlib>

namespace kdtest {

[[nodiscard]] inline int SoakCount(int quick) noexcept
{
    const char* text = std::getenv("KD_SOAK_COUNT");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : quick;
}

} // namespace kdtest
