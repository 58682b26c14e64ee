#pragma once

// Seconds on a clock that only moves forward, from an arbitrary start: the
// monotonic clock on Linux, the performance counter on Windows. (With MinGW's
// win32 thread model std::chrono::steady_clock reads the system time, which
// Windows advances in steps of about 15 ms.)
double MonotonicSeconds();
