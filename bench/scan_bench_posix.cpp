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

namespace {

// Times grep on one file each time it runs and keeps the fastest run.
class GrepTimer {
public:
    explicit GrepTimer(const char* path) : path_(path) {}

    void Run()
    {
        const std::optional<GrepCount> count = TimeGrepCount(path_);
        failed_ = failed_ || !count;
        if (count && (!fastest_ || count->seconds < fastest_->seconds)) {
            fastest_ = count;
        }
    }

    // nullopt when a run failed.
    [[nodiscard]] std::optional<GrepCount> Fastest() const { return failed_ ? std::nullopt : fastest_; }

private:
    const char* path_;
    std::optional<GrepCount> fastest_;
    bool failed_ = false;
};

// Prints grep's fields and the comparison; returns whether grep's match list,
// as digested and as counted by wc, is the scan's.
bool PrintComparison(const ScanFigures& figures, const GrepCount& fastest, const MatchDigest& grepMatches)
{
    const bool identical = grepMatches == figures.fastest.matches && fastest.lines == grepMatches.Count();
    std::printf(" grep_seconds=%.4f grep_matches=%" PRIu64 " grep_digest=%016" PRIx64 " ratio=%.3f identical=%s\n",
                fastest.seconds,
                grepMatches.Count(),
                grepMatches.Value(),
                figures.fastest.seconds / fastest.seconds,
                identical ? "yes" : "no");
    return identical;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: scan_bench PATH [REPETITIONS]\n");
        return 2;
    }
    const char* path = argv[1];
    const int repetitions = argc == 3 ? std::atoi(argv[2]) : 3;
    GrepTimer grep(path);
    PosixPlatform platform;
    const ScanFigures figures = RepeatScan(platform, WidenPath(path).c_str(), repetitions, [&] { grep.Run(); });
    const std::optional<GrepCount> fastestGrep = grep.Fastest();
    const std::optional<MatchDigest> grepMatches = GrepMatches(path);
    if (!fastestGrep || !grepMatches) {
        std::fprintf(stderr, "scan_bench: grep failed on %s\n", path);
        return 1;
    }
    PrintScanFields(figures);
    const bool identical = PrintComparison(figures, *fastestGrep, *grepMatches);
    return identical && figures.consistent && figures.fastest.bytes > 0 ? 0 : 1;
}
