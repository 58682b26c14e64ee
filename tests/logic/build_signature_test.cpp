#include "check_fixture.h"
#include "expected_texts.h"
#include "logic/build_signature.h"
#include "logic/wide_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr wchar_t Label[] = L"Label:\t";
const std::wstring Path = L"C:\\f.xml";

struct ScanResult {
    std::wstring line;
    int32_t version = 0;
};

ScanResult Scan(FakePlatform& platform, ScanRule rule)
{
    ScanResult result;
    wchar_t line[LineCapacity] = L"";
    SetText(line, Label);
    ScanBuildSignatures(platform, Path.c_str(), line, result.version, rule);
    result.line = line;
    return result;
}

ScanResult ScanContent(const std::string& content, ScanRule rule, size_t readSize = SIZE_MAX)
{
    FakePlatform platform;
    platform.files[Path] = content;
    platform.readSize = readSize;
    return Scan(platform, rule);
}

} // namespace

TEST(VersionNumber, OrdersByYearThenFirstPairThenSecondPair)
{
    EXPECT_EQ(VersionNumber("QM Build 09-18-2021"), 20210918);
    EXPECT_EQ(VersionNumber("QM Build 12-31-1999"), 19991231);
    EXPECT_LT(VersionNumber("QM Build 12-31-1999"), VersionNumber("QM Build 01-01-2000"));
    EXPECT_EQ(VersionNumber("QM Build 00-00-0000"), 0);
    EXPECT_EQ(VersionNumber("QM Build 99-99-9999"), 99999999);
}

TEST(ScanBuildSignatures, FindsSignaturesAsTheLineByLineDefinitionDoes)
{
    struct Case {
        const char* name;
        std::string content;
        std::wstring found;
        int32_t installedVersion;
        int32_t latestVersion;
    };
    // clang-format off
    const Case cases[] = {
        {"inside longer text", "xx QM Build 09-18-2021 yy", L"QM Build 09-18-2021", 20210918, 20210918},
        {"first 19 of a longer run", "QM Build 09-18-20215", L"QM Build 09-18-2021", 20210918, 20210918},
        {"lower case", "qm build 09-18-2021", L"", 1, 0},
        {"two blanks before Build", "QM  Build 09-18-2021", L"", 1, 0},
        {"one-digit group", "QM Build 9-18-2021", L"", 1, 0},
        {"slashes for hyphens", "QM Build 09/18/2021", L"", 1, 0},
        {"two on one line",
         "<a>QM Build 01-02-2020</a><b>QM Build 03-04-2021</b>",
         L"QM Build 01-02-2020QM Build 03-04-2021",
         20210304,
         20210304},
        {"the last decides, not the largest",
         "QM Build 03-04-2021\nmiddle\nQM Build 01-02-2020\n",
         L"QM Build 03-04-2021QM Build 01-02-2020",
         20200102,
         20200102},
        {"split by a line feed", "QM Build 09-18-\n2021", L"", 1, 0},
        {"split by CR LF", "QM Build 09\r\n-18-2021", L"", 1, 0},
        {"CR LF lines", "<x>\r\nQM Build 09-18-2021\r\n</x>\r\n", L"QM Build 09-18-2021", 20210918, 20210918},
        {"empty file", "", L"", 1, 0},
        {"UTF-16 text", std::string("Q\0M\0 \0B\0u\0i\0l\0d\0 \0" "0\0" "9\0-\0" "1\0" "8\0-\0" "2\0" "0\0" "2\0" "1\0", 38),
         L"", 1, 0},
        {"Ctrl-Z is data", "\x1A\nQM Build 09-18-2021", L"QM Build 09-18-2021", 20210918, 20210918},
        {"bytes above 127 around", "\xE9QM Build 01-01-2001\xFF", L"QM Build 01-01-2001", 20010101, 20010101},
        {"number 0 reads as no signature", "QM Build 00-00-0000", L"QM Build 00-00-0000", 1, 0},
        {"number 1 reads as no signature when installed", "QM Build 00-01-0000", L"QM Build 00-01-0000", 1, 1},
        {"a later number 0 wins", "QM Build 09-18-2021 QM Build 00-00-0000", L"QM Build 09-18-2021QM Build 00-00-0000",
         1, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanResult installed = ScanContent(c.content, ScanRule::InstalledFile);
        EXPECT_EQ(installed.line, Label + c.found);
        EXPECT_EQ(installed.version, c.installedVersion);
        const ScanResult latest = ScanContent(c.content, ScanRule::LatestFile);
        EXPECT_EQ(latest.line, Label + c.found);
        EXPECT_EQ(latest.version, c.latestVersion);
    }
}

TEST(ScanBuildSignatures, FindsSignaturesAcrossEveryReadBoundary)
{
    const std::string signature = "QM Build 05-06-2022";
    for (size_t readSize = 1; readSize <= 24; ++readSize) {
        for (size_t offset = 0; offset < readSize; ++offset) {
            SCOPED_TRACE(testing::Message() << "read size " << readSize << ", offset " << offset);
            const ScanResult result =
                ScanContent(std::string(offset, 'x') + signature + "QM Build 05-06-202" + signature,
                            ScanRule::LatestFile,
                            readSize);
            EXPECT_EQ(result.line, Label + Widen(signature + signature));
            EXPECT_EQ(result.version, 20220506);
        }
    }
}

TEST(ScanBuildSignatures, ReadsAFileWithoutLineFeedsPastItsBuffer)
{
    std::string content(3 * 1024 * 1024, 'a');
    for (size_t at : {size_t{0}, size_t{256 * 1024 - 10}, size_t{512 * 1024 - 18}, content.size() - 19}) {
        content.replace(at, 19, "QM Build 01-01-" + std::to_string(2000 + at % 100));
    }
    const ScanResult result = ScanContent(content, ScanRule::LatestFile);
    EXPECT_EQ(result.version, 2000 * 10000 + 101 + (content.size() - 19) % 100 * 10000);
    EXPECT_EQ(result.line.size(), std::wstring(Label).size() + 4 * 19);
}

TEST(ScanBuildSignatures, MissingOrLockedFileIsNotAvailableUnderBothRules)
{
    for (ScanRule rule : {ScanRule::InstalledFile, ScanRule::LatestFile}) {
        FakePlatform missing;
        const ScanResult absent = Scan(missing, rule);
        EXPECT_EQ(absent.line, std::wstring(Label) + expected::NotAvailable);
        EXPECT_EQ(absent.version, 0);

        FakePlatform locked;
        locked.files[Path] = "QM Build 09-18-2021";
        locked.heldExclusively.insert(Path);
        EXPECT_EQ(Scan(locked, rule).line, std::wstring(Label) + expected::NotAvailable);
    }
}

TEST(ScanBuildSignatures, ConvertsEachMatchOnItsOwn)
{
    FakePlatform platform;
    platform.files[Path] = "QM Build 09-18-2021 QM Build 10-18-2021";
    Scan(platform, ScanRule::LatestFile);
    EXPECT_EQ(
        platform.CallsTo(L"ToWideText"),
        (std::vector<std::wstring>{L"ToWideText(QM Build 09-18-2021, 19)", L"ToWideText(QM Build 10-18-2021, 19)"}));
}

TEST(ScanBuildSignatures, AFailedConversionAppendsNothingButTheNumberCounts)
{
    FakePlatform platform;
    platform.files[Path] = "QM Build 09-18-2021";
    platform.failing.insert(L"ToWideText");
    const ScanResult result = Scan(platform, ScanRule::LatestFile);
    EXPECT_EQ(result.line, Label);
    EXPECT_EQ(result.version, 20210918);
}

TEST(ScanBuildSignatures, ALineOfThreeHundredSignaturesKeepsThePrefixThatFits)
{
    std::string content;
    for (int i = 0; i < 300; ++i) {
        content += "QM Build 01-01-" + std::to_string(2000 + i % 100);
    }
    const ScanResult result = ScanContent(content, ScanRule::InstalledFile);
    EXPECT_EQ(result.line.size(), LineCapacity - 1);
    EXPECT_EQ(result.line, (Label + Widen(content)).substr(0, LineCapacity - 1));
    EXPECT_EQ(result.version, 20990101);
}
