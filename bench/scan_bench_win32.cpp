// The scan benchmark on Windows (run under Wine): scans one file with the
// program's scanner through the program's own Win32 platform layer and prints
// one line of key=value fields (see PrintScanFields).
// Usage: scan_bench.exe PATH [REPETITIONS]

#include "scan_run.h"
#include "platform/win32_platform.h"

#include <cstdio>
#include <cstdlib>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: scan_bench.exe PATH [REPETITIONS]\n");
        return 2;
    }
    const int repetitions = argc == 3 ? _wtoi(argv[2]) : 3;
    Win32Platform platform;
    const ScanFigures figures = RepeatScan(platform, argv[1], repetitions, {});
    PrintScanFields(figures);
    std::printf("\n");
    return figures.consistent && figures.fastest.bytes > 0 ? 0 : 1;
}
