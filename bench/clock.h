#pragma once

// Seconds on a clock that only moves forward, from an arbitrary start. On
// Windows the performance counter: with MinGW's win32 thread model
// std::chrono::steady_clock reads the system time, which Windows advances in
// steps of about 15 ms.
#ifdef _WIN32
#include <windows.h>
inline double Seconds()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}
#else
#include <chrono>
inline double Seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
#endif
