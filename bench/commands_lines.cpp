#include "commands_lines.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

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

constexpr size_t ShortestLine = 60;
constexpr size_t LongestLine = 120;

} // namespace

std::optional<FileKind> ParseFileKind(std::string_view name)
{
    if (name == "lines") {
        return FileKind::Lines;
    }
    if (name == "single-line") {
        return FileKind::SingleLine;
    }
    if (name == "dense") {
        return FileKind::Dense;
    }
    if (name == "near-misses") {
        return FileKind::NearMisses;
    }
    return std::nullopt;
}

CommandLines::CommandLines(FileKind kind, int year, uint32_t seed) : kind_(kind), year_(year), random_(seed) {}

unsigned CommandLines::Pick(size_t count)
{
    return static_cast<unsigned>(random_() % count);
}

std::string CommandLines::Signature()
{
    const int year = year_ != 0 ? year_ : 2000 + static_cast<int>(Pick(30));
    char text[32];
    std::snprintf(text, sizeof text, "QM Build %02u-%02u-%04d", 1 + Pick(12), 1 + Pick(28), year);
    return text;
}

std::string CommandLines::NearMiss()
{
    return "QM Build " + std::string(MalformedDates[Pick(MalformedDates.size())]);
}

std::string CommandLines::Word()
{
    return std::string(Words[Pick(Words.size())]);
}

// Words separated by blanks, cut to exactly `length` bytes.
std::string CommandLines::Filler(size_t length)
{
    std::string filler;
    while (filler.size() < length) {
        filler += Word() + ' ';
    }
    filler.resize(length);
    return filler;
}

void CommandLines::AppendNext(std::string& out)
{
    std::string marks;
    const bool withSignature = kind_ == FileKind::Dense || lineNumber_ % SignatureEvery == 0;
    if (kind_ == FileKind::NearMisses) {
        marks += NearMiss() + ' ';
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
    out += Filler(length - 1 - head.size() - tail.size());
    out += tail;
    if (kind_ != FileKind::SingleLine) {
        out += '\n';
    }
}
