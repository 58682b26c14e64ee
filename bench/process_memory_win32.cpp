#include "process_memory.h"

#include <windows.h>
#include <psapi.h>

MemoryCounters ReadMemoryCounters()
{
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return {};
    }
    return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
}
