#pragma once

#include <cstdint>

// The resident memory of this process now and the most it has held since it
// started, as the system counts them: VmRSS and VmHWM on Linux, the working
// set and its peak on Windows (which Wine takes from the same Linux counters).
struct MemoryCounters {
    uint64_t residentBytes = 0;
    uint64_t peakResidentBytes = 0;
};

// Zero counters when the system does not tell.
MemoryCounters ReadMemoryCounters();
