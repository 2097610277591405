#include "Trace.h"

#include <array>
#include <cstdio>

#include "Components.h"

void WriteTraceLine(const TracePoint& point) noexcept
{
    if (!g_pLog) return;
    std::array<char, 128> text{};
    std::snprintf(text.data(), text.size(), "Line:%d,Fun:%s", point.number, point.function ? point.function : "");
    (void)g_pLog->WriteLog(text.data());
}
