// The system's time stamp text: year unpadded, then two digits each for
// month, day, hour, minute and (optionally) second.
#pragma once

#include <windows.h>
#include <string>

namespace kd {

[[nodiscard]] inline std::string FormatTimeStamp(const SYSTEMTIME& t, bool withSeconds)
{
    char text[64];
    if (withSeconds)
        ::_snprintf_s(text, sizeof text, _TRUNCATE, "%d%02d%02d%02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                      t.wMinute, t.wSecond);
    else
        ::_snprintf_s(text, sizeof text, _TRUNCATE, "%d%02d%02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                      t.wMinute);
    return text;
}

} // namespace kd
