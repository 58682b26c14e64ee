// Writes a generated commands file of exactly SIZE bytes for the scan
// benchmark, a few lines at a time, so that its memory stays small whatever the
// size. The last line is cut where the size ends.
// Usage: generate_commands lines|single-line|dense|near-misses SIZE PATH [YEAR]
// YEAR dates every signature in that year; without it years vary.

#include "commands_lines.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr size_t FlushSize = 1 << 20;
constexpr uint32_t Seed = 20211018;

bool WriteAll(std::FILE* file, const std::string& bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool Generate(FileKind kind, uint64_t size, int year, std::FILE* file)
{
    CommandLines lines(kind, year, Seed);
    std::string pending;
    for (uint64_t written = 0; written < size;) {
        lines.AppendNext(pending);
        if (pending.size() >= FlushSize || written + pending.size() >= size) {
            pending.resize(static_cast<size_t>(std::min<uint64_t>(pending.size(), size - written)));
            if (!WriteAll(file, pending)) {
                return false;
            }
            written += pending.size();
            pending.clear();
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<FileKind> kind = argc >= 4 ? ParseFileKind(argv[1]) : std::nullopt;
    if (!kind || (argc != 4 && argc != 5)) {
        std::fprintf(stderr, "usage: generate_commands lines|single-line|dense|near-misses SIZE PATH [YEAR]\n");
        return 2;
    }
    const uint64_t size = std::strtoull(argv[2], nullptr, 10);
    const int year = argc == 5 ? std::atoi(argv[4]) : 0;
    std::FILE* file = std::fopen(argv[3], "wb");
    if (file == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    const bool written = Generate(*kind, size, year, file);
    if (std::fclose(file) != 0 || !written) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
