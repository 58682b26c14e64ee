#include "scan_reference.h"

#include "fake_platform.h"
#include "logic/build_signature.h"
#include "logic/check_state.h"

#include <functional>
#include <regex>

namespace {

const std::regex& SignaturePattern()
{
    static const std::regex pattern("QM Build (\\d\\d)-(\\d\\d)-(\\d\\d\\d\\d)");
    return pattern;
}

// YYYYAABB from "QM Build AA-BB-YYYY", worked out apart from the program's own.
int32_t OrderingNumber(const std::smatch& match)
{
    return std::stoi(match[3]) * 10000 + std::stoi(match[1]) * 100 + std::stoi(match[2]);
}

// Hands each line of `content` to `onLine` with the offset where it starts,
// without its line feed and without a carriage return before that.
void ForEachLine(const std::string& content, const std::function<void(const std::string&, size_t)>& onLine)
{
    for (size_t start = 0;;) {
        const size_t lineFeed = content.find('\n', start);
        std::string line = content.substr(start, lineFeed == std::string::npos ? std::string::npos : lineFeed - start);
        if (lineFeed != std::string::npos && !line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        onLine(line, start);
        if (lineFeed == std::string::npos) {
            break;
        }
        start = lineFeed + 1;
    }
}

} // namespace

std::vector<SignatureMatch> ReferenceMatches(const std::string& content)
{
    std::vector<SignatureMatch> matches;
    ForEachLine(content, [&](const std::string& line, size_t start) {
        for (std::sregex_iterator match(line.begin(), line.end(), SignaturePattern()), end; match != end; ++match) {
            matches.emplace_back(start + static_cast<size_t>(match->position()), match->str());
        }
    });
    return matches;
}

ScanFindings ReferenceScan(const std::string& content)
{
    ScanFindings findings;
    std::string text;
    ForEachLine(content, [&](const std::string& line, size_t) {
        for (std::sregex_iterator match(line.begin(), line.end(), SignaturePattern()), end; match != end; ++match) {
            text += match->str();
            findings.installedVersion = findings.latestVersion = OrderingNumber(*match);
        }
        if (findings.installedVersion == 0) {
            findings.installedVersion = 1;
        }
    });
    findings.line = Widen(text).substr(0, LineCapacity - 1);
    return findings;
}

ScanFindings ProgramScan(const std::string& content, size_t readSize)
{
    FakePlatform platform;
    platform.files[L"f"] = content;
    platform.readSize = readSize;
    ScanFindings findings;
    wchar_t installedLine[LineCapacity] = L"";
    ScanBuildSignatures(platform, L"f", installedLine, findings.installedVersion, ScanRule::InstalledFile);
    wchar_t latestLine[LineCapacity] = L"";
    ScanBuildSignatures(platform, L"f", latestLine, findings.latestVersion, ScanRule::LatestFile);
    findings.line = installedLine;
    // Both rules append the same texts; a difference is itself a finding.
    if (findings.line != latestLine) {
        findings.line += L" <latest rule: " + std::wstring(latestLine) + L">";
    }
    return findings;
}
