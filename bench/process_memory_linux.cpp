#include "process_memory.h"

#include <cstdio>
#include <cstring>

MemoryCounters ReadMemoryCounters()
{
    MemoryCounters counters;
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return counters;
    }
    char line[256];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmRSS: %llu kB", &kib) == 1) {
            counters.residentBytes = kib * 1024;
        } else if (std::sscanf(line, "VmHWM: %llu kB", &kib) == 1) {
            counters.peakResidentBytes = kib * 1024;
        }
    }
    std::fclose(status);
    return counters;
}
