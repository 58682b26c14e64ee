// Differential fuzzing of the signature scanner: every input is scanned by the
// program's scanner and by the plain line-by-line regular-expression
// definition, and any difference ends the run. The first byte also chooses how
// many bytes each read returns, so the scanner's chunk boundaries move around.

#include "scan_reference.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Report(const char* what, const std::wstring& ours, const std::wstring& reference)
{
    std::fprintf(stderr, "%s differs:\n  scanner:   %ls\n  reference: %ls\n", what, ours.c_str(), reference.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string content(reinterpret_cast<const char*>(data), size);
    const size_t readSize = size == 0 ? 1 : 1 + data[0] % 64;
    const ScanFindings ours = ProgramScan(content, readSize);
    const ScanFindings reference = ReferenceScan(content);
    if (ours == reference) {
        return 0;
    }
    Report("line", ours.line, reference.line);
    Report("installed version", std::to_wstring(ours.installedVersion), std::to_wstring(reference.installedVersion));
    Report("latest version", std::to_wstring(ours.latestVersion), std::to_wstring(reference.latestVersion));
    std::abort();
}
