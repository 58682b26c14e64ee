#include "fake_platform.h"
#include "scan_reference.h"
#include "logic/build_signature.h"
#include "logic/check_state.h"
#include "logic/signature_finder.h"
#include "logic/wide_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Text built from whole signatures, damaged ones and the pieces they are made
// of, so that real signatures, near misses and broken ones all turn up often.
std::string Generate(std::mt19937& random, size_t pieces)
{
    static const char* const parts[] = {"QM Build ",
                                        "QM Build",
                                        "QM ",
                                        "Q",
                                        " ",
                                        "-",
                                        "\n",
                                        "\r",
                                        "\r\n",
                                        "0",
                                        "12",
                                        "2021",
                                        "x",
                                        "\x1A",
                                        "\xFF",
                                        "\0"};
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
        const ScanFindings expected = ReferenceScan(content);
        signatures += expected.line.size() / 19;
        const size_t readSize = 1 + round % 40;
        ASSERT_EQ(ProgramScan(content, readSize), expected) << "round " << round << ", read size " << readSize;
    }
    EXPECT_GT(signatures, 100u); // the generator does produce real signatures
}

namespace {

// Every signature that FindSignature finds in `content`, each search starting
// where the previous match ended.
std::vector<SignatureMatch> FoundInMemory(const std::string& content)
{
    std::vector<SignatureMatch> matches;
    const char* const begin = content.data();
    const char* const end = begin + content.size();
    for (const char* found = begin; (found = FindSignature(found, end)) != end; found += SignatureLength) {
        matches.emplace_back(static_cast<size_t>(found - begin), std::string(found, SignatureLength));
    }
    return matches;
}

class TextCollector final : public SignatureSink {
public:
    std::vector<std::string> texts;

    void OnSignature(const char* signature) override { texts.emplace_back(signature, SignatureLength); }
};

// Every signature that ForEachSignature reports, reading `content` from a file
// `readSize` bytes at a time.
std::vector<std::string> ReportedFromFile(const std::string& content, size_t readSize)
{
    FakePlatform platform;
    platform.files[L"f"] = content;
    platform.readSize = readSize;
    const std::unique_ptr<InputFile> file = platform.OpenForReading(L"f");
    TextCollector collector;
    ForEachSignature(*file, collector);
    return collector.texts;
}

std::vector<std::string> Texts(const std::vector<SignatureMatch>& matches)
{
    std::vector<std::string> texts;
    for (const SignatureMatch& match : matches) {
        texts.push_back(match.second);
    }
    return texts;
}

// The shapes of the scan benchmark's files, and one more: digits and hyphens,
// where the skip on the window's last byte is shortest.
enum class Shape { Lines, SingleLine, Dense, NearMisses, Numbers };

constexpr size_t SparseEvery = 25; // lines; the benchmark's files have 10,000

class ShapedLines {
public:
    explicit ShapedLines(Shape shape) : shape_(shape), random_(20211018) {}

    // Up to `size` bytes of lines of the shape; the last one may be cut.
    std::string Make(size_t size)
    {
        std::string content;
        for (size_t number = 0; content.size() < size; ++number) {
            content += Line(number);
        }
        content.resize(size);
        return content;
    }

private:
    size_t Pick(size_t count) { return random_() % count; }

    std::string Digits(size_t count)
    {
        std::string digits;
        while (digits.size() < count) {
            digits += static_cast<char>('0' + Pick(10));
        }
        return digits;
    }

    std::string Signature() { return "QM Build " + Digits(2) + "-" + Digits(2) + "-" + Digits(4); }

    // A signature with one byte of its date replaced by one its place does not accept.
    std::string NearMiss()
    {
        std::string signature = Signature();
        const size_t at = 9 + Pick(10);
        signature[at] = signature[at] == '-' ? "/ 0"[Pick(3)] : "-O/"[Pick(3)];
        return signature;
    }

    std::string Words(size_t count)
    {
        static const char* const words[] = {"insert", "Quote", "bold", "Build", "QM", "date", "margin", "list"};
        std::string text;
        while (text.size() < count) {
            text += std::string(words[Pick(std::size(words))]) + ' ';
        }
        return text.substr(0, count);
    }

    std::string Line(size_t number)
    {
        const bool withSignature = shape_ == Shape::Dense || number % SparseEvery == 0;
        std::string marks = shape_ == Shape::NearMisses ? NearMiss() + ' ' : "";
        marks += withSignature ? Signature() : "";
        if (shape_ == Shape::Numbers) {
            // Signatures right against digits, so that no skip may pass over one.
            return "<v>" + Digits(Pick(40)) + "-" + Digits(Pick(30)) + marks + Digits(Pick(40)) + "</v>\n";
        }
        const std::string text = "    <Command name=\"Bold\">" + marks + ' ' + Words(20 + Pick(60)) + "</Command>";
        return shape_ == Shape::SingleLine ? text : text + (Pick(4) == 0 ? "\r\n" : "\n");
    }

    Shape shape_;
    std::mt19937 random_;
};

} // namespace

TEST(ScanReference, FindsWhatTheRegularExpressionFindsInFilesShapedLikeTheBenchmarks)
{
    const std::pair<Shape, const char*> shapes[] = {{Shape::Lines, "lines"},
                                                    {Shape::SingleLine, "single line"},
                                                    {Shape::Dense, "dense"},
                                                    {Shape::NearMisses, "near misses"},
                                                    {Shape::Numbers, "numbers"}};
    for (const auto& [shape, name] : shapes) {
        SCOPED_TRACE(name);
        const std::string content = ShapedLines(shape).Make(40 * 1024);
        const std::vector<SignatureMatch> expected = ReferenceMatches(content);
        ASSERT_GE(expected.size(), 15u); // the shape does hold signatures
        EXPECT_EQ(FoundInMemory(content), expected);
        for (size_t readSize : {size_t{1}, size_t{18}, size_t{19}, size_t{97}, size_t{4093}, content.size()}) {
            EXPECT_EQ(ReportedFromFile(content, readSize), Texts(expected)) << "read size " << readSize;
        }
        EXPECT_EQ(ProgramScan(content, 4093), ReferenceScan(content));
    }
}
