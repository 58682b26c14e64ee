// The scan benchmark on Linux: scans one file with the program's scanner,
// reading it with read(2), times GNU grep on the same file in turn with it,
// and prints one line of key=value fields: the scan's figures (see
// PrintScanFields), grep_seconds and grep_matches of the fastest grep run,
// grep_digest of grep's match list, ratio (the scan's time over grep's) and
// identical (whether both lists are the same).
// Usage: scan_bench PATH [REPETITIONS]

#include "grep_reference.h"
#include "posix_platform.h"
#include "scan_run.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: scan_bench PATH [REPETITIONS]\n");
        return 2;
    }
    const char* path = argv[1];
    const int repetitions = argc == 3 ? std::atoi(argv[2]) : 3;
    std::optional<GrepCount> fastestGrep;
    bool grepFailed = false;
    const auto timeGrep = [&] {
        const std::optional<GrepCount> count = TimeGrepCount(path);
        grepFailed = grepFailed || !count;
        if (count && (!fastestGrep || count->seconds < fastestGrep->seconds)) {
            fastestGrep = count;
        }
    };
    PosixPlatform platform;
    const ScanFigures figures = RepeatScan(platform, WidenPath(path).c_str(), repetitions, timeGrep);
    const std::optional<MatchDigest> grepMatches = GrepMatches(path);
    if (grepFailed || !fastestGrep || !grepMatches) {
        std::fprintf(stderr, "scan_bench: grep failed on %s\n", path);
        return 1;
    }
    PrintScanFields(figures);
    const bool identical = *grepMatches == figures.fastest.matches && fastestGrep->lines == grepMatches->Count();
    std::printf(" grep_seconds=%.4f grep_matches=%" PRIu64 " grep_digest=%016" PRIx64 " ratio=%.3f identical=%s\n",
                fastestGrep->seconds,
                grepMatches->Count(),
                grepMatches->Value(),
                figures.fastest.seconds / fastestGrep->seconds,
                identical ? "yes" : "no");
    return identical && figures.consistent && figures.fastest.bytes > 0 ? 0 : 1;
}
