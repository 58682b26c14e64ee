#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What a scan of a commands file finds: the line after its label (cut at the
// line's capacity) and the version under each rule.
struct ScanFindings {
    std::wstring line;
    int32_t installedVersion = 0;
    int32_t latestVersion = 0;

    bool operator==(const ScanFindings&) const = default;
};

// The plain definition: the content read line by line (a carriage return
// before a line feed dropped), every match of the regular expression
// "(QM Build \d\d-\d\d-\d\d\d\d)" in each line, each match's version worked
// out from its digits (AA-BB-YYYY gives YYYYAABB) apart from the program's
// own arithmetic, the installed-file rule applied after every line.
ScanFindings ReferenceScan(const std::string& content);

// A signature found: its offset in the content and its text.
using SignatureMatch = std::pair<size_t, std::string>;

// Every match of the plain definition, left to right, with its offset.
std::vector<SignatureMatch> ReferenceMatches(const std::string& content);

// What the program's scanner finds in `content`, read `readSize` bytes at a time.
ScanFindings ProgramScan(const std::string& content, size_t readSize);
