#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

// The shapes of commands file the scan benchmark reads.
enum class FileKind {
    Lines,      // XML-like lines, a signature every SignatureEvery lines
    SingleLine, // the same lines without line feeds: one line
    Dense,      // a signature on every line
    NearMisses, // "QM Build " and a malformed date on every line, and the
                // signatures of Lines
};

// "lines", "single-line", "dense" or "near-misses"; nullopt for anything else.
std::optional<FileKind> ParseFileKind(std::string_view name);

inline constexpr uint64_t SignatureEvery = 10000;

// Makes the lines of a generated commands file, one command element each,
// 60-120 bytes with the line feed (one less for SingleLine). Signatures carry
// dates of `year`, or of random years 2000-2029 when `year` is 0. The same
// kind, year and seed give the same lines.
class CommandLines {
public:
    CommandLines(FileKind kind, int year, uint32_t seed);

    // Appends the next line to `out`.
    void AppendNext(std::string& out);

private:
    // A number from 0 to count - 1.
    unsigned Pick(size_t count);
    std::string Signature();
    std::string NearMiss();
    std::string Word();
    std::string Filler(size_t length);

    FileKind kind_;
    int year_;
    std::mt19937 random_;
    uint64_t lineNumber_ = 0;
};
