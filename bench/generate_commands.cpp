// Writes a generated commands file of exactly SIZE bytes, a few lines at a
// time, so that its memory stays small whatever the size: command elements of
// 60-120 bytes a line, the last cut where the size ends. "lines" carry a
// signature every 10,000 lines, "single-line" are those without line feeds,
// "dense" carry one on every line, "near-misses" add "QM Build " and a
// malformed date to every line of "lines". YEAR dates every signature in that
// year, else years vary from 2000 to 2029. The same arguments give the same bytes.
// Usage: generate_commands lines|single-line|dense|near-misses SIZE PATH [YEAR]

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace {

enum class FileKind { Lines, SingleLine, Dense, NearMisses };

constexpr std::array<std::string_view, 4> KindNames = {"lines", "single-line", "dense", "near-misses"};

// Words of command names and texts. Two start with a capital Q, as real text
// does now and then, so a search for the signature's first byte meets some
// false starts.
constexpr std::array<std::string_view, 40> Words = {
    "insert", "heading", "table",  "Quote", "format",  "paragraph", "bold",    "italic",  "list",    "indent",
    "style",  "margin",  "page",   "break", "column",  "footnote",  "Query",   "field",   "date",    "time",
    "symbol", "comment", "review", "track", "changes", "outline",   "section", "border",  "shade",   "font",
    "size",   "colour",  "align",  "left",  "right",   "centre",    "justify", "spacing", "caption", "index",
};

// Ten bytes after "QM Build " that no signature can start with, each with a
// different fault, so that the scan has to look past the prefix every time.
constexpr std::array<std::string_view, 10> MalformedDates = {
    "9-18-2021 ", // one-digit month
    "09/18/2021", // slashes
    "09.18.2021", // dots
    "09-18-21 x", // two-digit year
    "09-1O-2021", // letter O for a zero
    "2021-09-18", // year first
    " 09-18-202", // two blanks after "Build"
    "09-18-202 ", // three-digit year
    "09--8-2021", // doubled hyphen
    "09-18 2021", // blank for a hyphen
};

constexpr uint64_t SignatureEvery = 10000;
constexpr size_t ShortestLine = 60;
constexpr size_t LongestLine = 120;
constexpr size_t FlushSize = 1 << 20;
constexpr uint32_t Seed = 20211018;

class CommandLines {
public:
    CommandLines(FileKind kind, int year) : kind_(kind), year_(year), random_(Seed) {}

    void AppendNext(std::string& out)
    {
        std::string marks;
        const bool withSignature = kind_ == FileKind::Dense || lineNumber_ % SignatureEvery == 0;
        if (kind_ == FileKind::NearMisses) {
            marks += "QM Build " + std::string(MalformedDates[Pick(MalformedDates.size())]) + ' ';
        }
        if (withSignature) {
            marks += Signature() + ' ';
        }
        ++lineNumber_;
        std::string name = Word();
        name[0] = static_cast<char>(name[0] & ~0x20); // capitalised, as element names are
        const std::string head =
            "    <Command name=\"" + name + "\" keys=\"Ctrl+" + static_cast<char>('A' + Pick(26)) + "\">" + marks;
        const std::string tail = "</Command>";
        const size_t shortest = std::max(ShortestLine, head.size() + tail.size() + 2);
        const size_t length = shortest + Pick(LongestLine - shortest + 1);
        out += head;
        // Words separated by blanks, cut to fill the line.
        std::string filler;
        while (filler.size() < length - 1 - head.size() - tail.size()) {
            filler += Word() + ' ';
        }
        filler.resize(length - 1 - head.size() - tail.size());
        out += filler;
        out += tail;
        if (kind_ != FileKind::SingleLine) {
            out += '\n';
        }
    }

private:
    // A number from 0 to count - 1.
    unsigned Pick(size_t count) { return static_cast<unsigned>(random_() % count); }
    std::string Word() { return std::string(Words[Pick(Words.size())]); }

    std::string Signature()
    {
        const int year = year_ != 0 ? year_ : 2000 + static_cast<int>(Pick(30));
        char text[32];
        std::snprintf(text, sizeof text, "QM Build %02u-%02u-%04d", 1 + Pick(12), 1 + Pick(28), year);
        return text;
    }

    FileKind kind_;
    int year_;
    std::mt19937 random_;
    uint64_t lineNumber_ = 0;
};

bool Generate(FileKind kind, uint64_t size, int year, std::FILE* file)
{
    CommandLines lines(kind, year);
    std::string pending;
    for (uint64_t written = 0; written < size;) {
        lines.AppendNext(pending);
        if (pending.size() >= FlushSize || written + pending.size() >= size) {
            pending.resize(static_cast<size_t>(std::min<uint64_t>(pending.size(), size - written)));
            if (std::fwrite(pending.data(), 1, pending.size(), file) != pending.size()) {
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
    const auto kind = std::find(KindNames.begin(), KindNames.end(), argc >= 4 ? argv[1] : "");
    if (kind == KindNames.end() || (argc != 4 && argc != 5)) {
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
    const bool written = Generate(static_cast<FileKind>(kind - KindNames.begin()), size, year, file);
    if (std::fclose(file) != 0 || !written) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
