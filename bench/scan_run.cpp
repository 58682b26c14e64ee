#include "scan_run.h"

#include "monotonic_clock.h"
#include "observed_platform.h"
#include "logic/build_signature.h"
#include "logic/check_state.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace {

ScanRun TimeScan(PlatformServices& platform, const wchar_t* path)
{
    ObservedPlatform observed(platform);
    wchar_t line[LineCapacity] = L"";
    ScanRun run;
    const double start = MonotonicSeconds();
    ScanBuildSignatures(observed, path, line, run.version, ScanRule::LatestFile);
    run.seconds = MonotonicSeconds() - start;
    run.bytes = observed.bytesRead;
    run.matches = observed.conversions;
    return run;
}

bool SameFindings(const ScanRun& a, const ScanRun& b)
{
    return a.bytes == b.bytes && a.matches == b.matches && a.version == b.version;
}

} // namespace

ScanFigures RepeatScan(PlatformServices& platform,
                       const wchar_t* path,
                       int repetitions,
                       const std::function<void()>& afterEach)
{
    ScanFigures figures;
    figures.before = ReadMemoryCounters();
    for (int repetition = 0; repetition < std::max(repetitions, 1); ++repetition) {
        const ScanRun run = TimeScan(platform, path);
        figures.after = ReadMemoryCounters();
        if (repetition > 0) {
            figures.consistent = figures.consistent && SameFindings(run, figures.fastest);
        }
        if (repetition == 0 || run.seconds < figures.fastest.seconds) {
            figures.fastest = run;
        }
        if (afterEach) {
            afterEach();
        }
    }
    return figures;
}

void PrintScanFields(const ScanFigures& figures)
{
    const ScanRun& run = figures.fastest;
    const uint64_t peakAbove = figures.after.peakResidentBytes > figures.before.residentBytes
                                   ? figures.after.peakResidentBytes - figures.before.residentBytes
                                   : 0;
    std::printf("bytes=%" PRIu64 " seconds=%.4f mb_per_s=%.1f matches=%" PRIu64 " digest=%016" PRIx64
                " version=%" PRId32 " baseline_kib=%" PRIu64 " peak_kib=%" PRIu64 " consistent=%s",
                run.bytes,
                run.seconds,
                run.seconds > 0 ? static_cast<double>(run.bytes) / run.seconds / 1e6 : 0.0,
                run.matches.Count(),
                run.matches.Value(),
                run.version,
                figures.before.residentBytes / 1024,
                peakAbove / 1024,
                figures.consistent ? "yes" : "no");
}
