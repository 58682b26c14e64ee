#include "fake_platform.h"
#include "logic/build_signature.h"
#include "logic/check_state.h"
#include "logic/wide_text.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>

namespace {

struct Findings {
    std::wstring line;
    int32_t installedVersion = 0;
    int32_t latestVersion = 0;

    bool operator==(const Findings&) const = default;
};

// The plain definition: the file read line by line, the carriage return before
// a line feed dropped, every match of the regular expression in each line.
Findings Reference(const std::string& content)
{
    static const std::regex pattern("(QM Build \\d\\d-\\d\\d-\\d\\d\\d\\d)");
    Findings findings;
    std::string text;
    for (size_t start = 0;;) {
        const size_t lineFeed = content.find('\n', start);
        std::string line = content.substr(start, lineFeed == std::string::npos ? std::string::npos : lineFeed - start);
        if (lineFeed != std::string::npos && !line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        for (std::sregex_iterator match(line.begin(), line.end(), pattern), end; match != end; ++match) {
            text += match->str();
            findings.installedVersion = findings.latestVersion = VersionNumber(match->str().c_str());
        }
        if (findings.installedVersion == 0) {
            findings.installedVersion = 1;
        }
        if (lineFeed == std::string::npos) {
            break;
        }
        start = lineFeed + 1;
    }
    findings.line = Widen(text).substr(0, LineCapacity - 1);
    return findings;
}

Findings Scanned(const std::string& content, size_t readSize)
{
    FakePlatform platform;
    platform.files[L"f"] = content;
    platform.readSize = readSize;
    Findings findings;
    wchar_t line[LineCapacity] = L"";
    ScanBuildSignatures(platform, L"f", line, findings.installedVersion, ScanRule::InstalledFile);
    findings.line = line;
    line[0] = L'\0';
    ScanBuildSignatures(platform, L"f", line, findings.latestVersion, ScanRule::LatestFile);
    EXPECT_EQ(findings.line, line);
    return findings;
}

// Text built from whole signatures, damaged ones and the pieces they are made
// of, so that real signatures, near misses and broken ones all turn up often.
std::string Generate(std::mt19937& random, size_t pieces)
{
    static const char* const parts[] = {"QM Build ", "QM Build", "QM ", "Q", " ", "-", "\n", "\r", "\r\n",
                                        "0",         "12",       "2021", "x", "\x1A", "\xFF", "\0"};
    std::uniform_int_distribution<int> digit('0', '9');
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text;
    for (size_t i = 0; i < pieces; ++i) {
        const unsigned kind = random() % 8;
        if (kind >= 3) {
            text += parts[random() % std::size(parts)];
            continue;
        }
        std::string signature = "QM Build 00-00-0000";
        for (size_t at : {9, 10, 12, 13, 15, 16, 17, 18}) {
            signature[at] = static_cast<char>(digit(random));
        }
        if (kind == 1) {
            signature[random() % signature.size()] = static_cast<char>(byte(random));
        } else if (kind == 2) {
            signature.resize(random() % signature.size());
        }
        text += signature;
    }
    return text;
}

} // namespace

TEST(ScanReference, FindsWhatTheRegularExpressionFindsLineByLine)
{
    std::mt19937 random(20211018);
    size_t signatures = 0;
    for (int round = 0; round < 2000; ++round) {
        const std::string content = Generate(random, round % 120);
        const Findings expected = Reference(content);
        signatures += expected.line.size() / 19;
        const size_t readSize = 1 + round % 40;
        ASSERT_EQ(Scanned(content, readSize), expected) << "round " << round << ", read size " << readSize;
    }
    EXPECT_GT(signatures, 100u); // the generator does produce real signatures
}
