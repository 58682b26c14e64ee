#pragma once

#include <windows.h>

namespace win32 {

// Milliseconds since `tick`, a GetTickCount value; right across the counter's
// wrap after 49.7 days.
[[nodiscard]] inline DWORD MillisecondsSince(DWORD tick)
{
    return GetTickCount() - tick;
}

// What is left of `limitMs` counted from `startTick`, a GetTickCount value;
// 0 once it has passed.
[[nodiscard]] inline DWORD RemainingMs(DWORD startTick, DWORD limitMs)
{
    const DWORD elapsed = MillisecondsSince(startTick);
    return elapsed < limitMs ? limitMs - elapsed : 0;
}

} // namespace win32
