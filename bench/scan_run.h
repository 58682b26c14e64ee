#pragma once

#include "match_digest.h"
#include "process_memory.h"

#include <cstdint>
#include <functional>

class PlatformServices;

// What one scan of a file found and how long it took. The scan is the
// program's own: ScanBuildSignatures with the rule of the downloaded edition,
// through the real file-reading path of `platform`.
struct ScanRun {
    double seconds = 0;
    uint64_t bytes = 0;
    MatchDigest matches;
    int32_t version = 0;
};

// The scans of one file repeated: the fastest, whether all found the same, and
// the process's memory before the first scan and after the last.
struct ScanFigures {
    ScanRun fastest;
    bool consistent = true;
    MemoryCounters before;
    MemoryCounters after;
};

// Scans the file at `path` `repetitions` times (at least once), calling
// `afterEach` after each scan.
ScanFigures RepeatScan(PlatformServices& platform,
                       const wchar_t* path,
                       int repetitions,
                       const std::function<void()>& afterEach);

// Prints the figures as key=value fields on the current line: bytes, seconds,
// mb_per_s (10^6 bytes per second), matches, digest, version, baseline_kib (the
// resident memory before the first scan), peak_kib (the peak afterwards less
// that baseline) and consistent (yes when every run found the same).
void PrintScanFields(const ScanFigures& figures);
