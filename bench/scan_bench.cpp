// The scan benchmark, native and under Wine: scans FILE REPETITIONS times with
// the program's scanner, reading it with std::fread, and prints one line:
//   MATCHES VERSION MB/S RATIO PEAK_MIB SAME GREP_SECONDS GREP_MATCHES GREP_DIGEST
// of the fastest scan (VERSION: the last signature's number, as the program
// takes it from a download; RATIO: the time over grep's; PEAK_MIB: the peak
// resident memory above that before the first scan; SAME: yes when every scan
// found grep's match list). Natively it times `grep -oE ... | wc -l` after each
// scan; under Wine it takes grep's figures from the native run.
// Usage: scan_bench FILE REPETITIONS [GREP_SECONDS GREP_MATCHES GREP_DIGEST]

#include "clock.h"
#include "logic/build_signature.h"
#include "logic/input_file.h"
#include "logic/signature_finder.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

// A match list as `grep -o` prints it, each match followed by a line feed,
// reduced to its count and a 64-bit FNV-1a digest of those bytes.
struct MatchDigest {
    uint64_t count = 0;
    uint64_t value = 0xcbf29ce484222325u;

    void Add(const char* bytes, size_t size)
    {
        for (size_t i = 0; i < size; ++i) {
            value = (value ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3u;
            count += bytes[i] == '\n';
        }
    }
    bool operator==(const MatchDigest&) const = default;
};

// Unbuffered, so that each read goes straight to the system: read(2), or
// ReadFile through msvcrt on Windows.
class StdioFile final : public InputFile {
public:
    explicit StdioFile(std::FILE* file) : file_(file) { std::setvbuf(file_, nullptr, _IONBF, 0); }
    ~StdioFile() override { std::fclose(file_); }

    [[nodiscard]] size_t Read(char* buffer, size_t size) override
    {
        const size_t read = std::fread(buffer, 1, size, file_);
        bytes += read;
        return read;
    }

    uint64_t bytes = 0;

private:
    std::FILE* file_;
};

struct Scan final : SignatureSink {
    void OnSignature(const char* signature) override
    {
        matches.Add(signature, SignatureLength);
        matches.Add("\n", 1);
        version = VersionNumber(signature);
    }

    double seconds = 0;
    uint64_t bytes = 0;
    MatchDigest matches;
    int32_t version = 0;
};

// The time includes opening the file, as the program's scan opens it.
std::optional<Scan> TimeScan(const char* path)
{
    Scan scan;
    const double start = Seconds();
    std::FILE* opened = std::fopen(path, "rb");
    if (opened == nullptr) {
        return std::nullopt;
    }
    StdioFile file(opened);
    ForEachSignature(file, scan);
    scan.seconds = Seconds() - start;
    scan.bytes = file.bytes;
    return scan;
}

// Resident memory now and at its peak, in bytes: VmRSS and VmHWM on Linux, the
// working set and its peak on Windows (which Wine takes from the same counters).
struct Memory {
    uint64_t resident = 0;
    uint64_t peak = 0;
};

#ifdef _WIN32
Memory ReadMemory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
}
#else
Memory ReadMemory()
{
    Memory memory;
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    for (unsigned long long kib = 0; status != nullptr && std::fgets(line, sizeof line, status) != nullptr;) {
        if (std::sscanf(line, "VmRSS: %llu kB", &kib) == 1) {
            memory.resident = kib * 1024;
        } else if (std::sscanf(line, "VmHWM: %llu kB", &kib) == 1) {
            memory.peak = kib * 1024;
        }
    }
    if (status != nullptr) {
        std::fclose(status);
    }
    return memory;
}

// The file reaches the shell as QMCU_SCAN_FILE, which needs no quoting.
constexpr char Grep[] = "LC_ALL=C grep -oE 'QM Build [0-9]{2}-[0-9]{2}-[0-9]{4}' \"$QMCU_SCAN_FILE\"";

// The seconds from starting the shell until it ended; nullopt when it failed.
// grep's output goes to a pipe on purpose: on /dev/null grep would stop at the
// first match.
std::optional<double> TimeGrepCount()
{
    const double start = Seconds();
    const int status = std::system((std::string(Grep) + " | wc -l >/dev/null").c_str());
    const double seconds = Seconds() - start;
    return status == 0 ? std::optional<double>(seconds) : std::nullopt;
}

// nullopt when grep failed; finding nothing is no failure (exit status 1).
std::optional<MatchDigest> GrepMatches()
{
    std::FILE* pipe = popen(Grep, "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    MatchDigest digest;
    char buffer[65536];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) != 0;) {
        digest.Add(buffer, read);
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) <= 1 ? std::optional<MatchDigest>(digest) : std::nullopt;
}
#endif

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 6) {
        std::fprintf(stderr, "usage: scan_bench FILE REPETITIONS [GREP_SECONDS GREP_MATCHES GREP_DIGEST]\n");
        return 2;
    }
    const char* path = argv[1];
    const bool runGrep = argc == 3;
    double grepSeconds = runGrep ? 0 : std::strtod(argv[3], nullptr);
    std::optional<MatchDigest> grep;
    if (!runGrep) {
        grep = MatchDigest{std::strtoull(argv[4], nullptr, 10), std::strtoull(argv[5], nullptr, 16)};
    }
    bool same = true;
#ifndef _WIN32
    setenv("QMCU_SCAN_FILE", path, 1);
    // An untimed run first: what starting the shell touches in this process
    // belongs to the baseline, not to the scan's peak.
    same = !runGrep || TimeGrepCount();
#endif
    const Memory before = ReadMemory();
    std::optional<Scan> fastest;
    for (int repetition = 0; repetition < std::max(std::atoi(argv[2]), 1); ++repetition) {
        const std::optional<Scan> scan = TimeScan(path);
        if (!scan) {
            std::perror(path);
            return 1;
        }
        same = same && (!fastest || (scan->matches == fastest->matches && scan->bytes == fastest->bytes));
        if (!fastest || scan->seconds < fastest->seconds) {
            fastest = scan;
        }
#ifndef _WIN32
        const std::optional<double> grepRun = runGrep ? TimeGrepCount() : std::nullopt;
        grepSeconds = grepRun && (repetition == 0 || *grepRun < grepSeconds) ? *grepRun : grepSeconds;
        same = same && (grepRun || !runGrep);
#endif
    }
    const Memory after = ReadMemory();
#ifndef _WIN32
    grep = runGrep ? GrepMatches() : grep;
#endif
    if (!grep || grepSeconds <= 0) {
        std::fprintf(stderr, "scan_bench: no figures of grep for %s\n", path);
        return 1;
    }
    same = same && fastest->bytes > 0 && fastest->matches == *grep;
    const uint64_t peakAbove = after.peak > before.resident ? after.peak - before.resident : 0;
    std::printf("%" PRIu64 " %" PRId32 " %.1f %.3f %.2f %s %.4f %" PRIu64 " %016" PRIx64 "\n",
                fastest->matches.count,
                fastest->version,
                static_cast<double>(fastest->bytes) / fastest->seconds / 1e6,
                fastest->seconds / grepSeconds,
                static_cast<double>(peakAbove) / (1024 * 1024),
                same ? "yes" : "no",
                grepSeconds,
                grep->count,
                grep->value);
    return same ? 0 : 1;
}
