#include "gzip.h"
#include "reply/reply_proof.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint64_t AnySize = 16 << 20;
const std::string Signed = "<commands>\r\n<!-- QM Build 09-18-2021 -->\r\n</commands>\r\n";

std::string Lines(size_t bytes)
{
    std::string text;
    while (text.size() < bytes) {
        text += "<command name=\"line " + std::to_string(text.size()) + "\"/>\r\n";
    }
    return text.substr(0, bytes);
}

// A whole commands file of about `bytes`.
std::string Document(size_t bytes)
{
    std::string lines = Lines(bytes);
    lines.resize(lines.rfind("\r\n") + 2);
    return "<commands>\r\n" + lines + "</commands>\r\n";
}

// A head with status 200 as it came: `fields` holds its header fields.
std::string Head200(const std::string& fields)
{
    return "HTTP/1.1 200 OK\r\n" + fields + "\r\n";
}

std::string Length(size_t bytes)
{
    return "Content-Length: " + std::to_string(bytes) + "\r\n";
}

const std::string Xml = "Content-Type: text/xml\r\n";
const std::string GzipHeader = "Content-Encoding: gzip\r\n";
const std::string Chunked = "Transfer-Encoding: chunked\r\n";
const std::string Gzipped = Gzip(Document(300 * 1024));
const std::string WithBadCrc = [] {
    std::string bad = Gzipped;
    bad[bad.size() - 8] ^= 1;
    return bad;
}();
// Two gzip files one after the other, as `cat a.gz b.gz` makes them.
const std::string TwoMembers = Gzip("<commands>\r\n") + Gzip("<!-- QM Build 09-18-2021 -->\r\n</commands>\r\n");
const std::string DoctypeWithMarkup =
    "<!DOCTYPE commands [<!-- the user's ] --><?pi it's > [ ?><!ENTITY a \"]\">]>\r\n" + Signed;
// What Wine's chunk parser took whole: chunked said, a document sent as it is.
const std::string XmlDeclared = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n" + Signed;

// A reply's head and body as the reader delivers them (WinINet has undone a
// chunked framing in answer to HTTP/1.1, and stops at a Content-Length), and
// how it ends.
struct ReplyCase {
    const char* name;
    std::string head;
    std::string body;
    DownloadFailure end;
    int status = 200;
    // What a successful download holds.
    std::string delivered;
    RequestVersion request = RequestVersion::Http10;
    uint64_t maxBytes = AnySize;
};

// clang-format off
const ReplyCase Replies[] = {
    {"Whole", Head200(Length(Signed.size())), Signed, DownloadFailure::None, 200, Signed},
    // WinINet shows a connection closed without a reply as this.
    {"NeverCame", "\r\n", "", DownloadFailure::Other, 0},
    {"NotFoundWithBody", "HTTP/1.1 404 Not Found\r\n" + Length(5) + "\r\n", "<html", DownloadFailure::HttpStatus, 404},
    {"ServerErrorCarryingText", "HTTP/1.1 500 Internal Server Error\r\n\r\n", Signed, DownloadFailure::HttpStatus,
     500},
    {"CutShortOfItsLength", Head200(Length(15000)), (Signed + Lines(10000)).substr(0, 5000),
     DownloadFailure::Incomplete},
    {"LongerThanItsLength", Head200("Content-Length: 20\r\n"), Signed, DownloadFailure::Other},
    {"LengthListOfEqualValues", Head200("Content-Length: " + std::to_string(Signed.size()) + " , " +
     std::to_string(Signed.size()) + "\r\n"), Signed, DownloadFailure::None, 200, Signed},
    {"LengthListThatDisagrees", Head200("Content-Length: 20, 21\r\n"), Signed.substr(0, 20), DownloadFailure::Other},
    // Its announced length is that of the gzip file, longer than the text.
    {"GzipEncoded", Head200(GzipHeader + Length(Gzip(Signed).size())), Gzip(Signed), DownloadFailure::None, 200,
     Signed},
    {"GzipWholeAndLarge", Head200(GzipHeader + Length(Gzipped.size())), Gzipped, DownloadFailure::None, 200,
     Document(300 * 1024)},
    {"GzipTwoMembers", Head200(GzipHeader), TwoMembers, DownloadFailure::None, 200, Signed},
    {"GzipSecondMemberCut", Head200(GzipHeader), TwoMembers.substr(0, TwoMembers.size() - 4),
     DownloadFailure::Incomplete},
    {"GzipEmpty", Head200(GzipHeader), "", DownloadFailure::Incomplete},
    {"GzipCutToHalf", Head200(GzipHeader), Gzipped.substr(0, Gzipped.size() / 2), DownloadFailure::Incomplete},
    {"GzipBadCrc", Head200(GzipHeader + Length(WithBadCrc.size())), WithBadCrc, DownloadFailure::Other},
    {"GzipBytesAfterTheTrailer", Head200(GzipHeader), Gzipped + "<", DownloadFailure::Other},
    {"GzipBombPastTheLimit", Head200(GzipHeader), Gzip(std::string(4 << 20, ' ')), DownloadFailure::TooLarge, 200,
     "", RequestVersion::Http10, 1 << 20},
    {"GzipLengthShortOfTheFile", Head200(GzipHeader + Length(Gzipped.size() - 100)),
     Gzipped.substr(0, Gzipped.size() - 100), DownloadFailure::Incomplete},
    {"GzipChunkedToHttp11", Head200(GzipHeader + Chunked), Gzipped, DownloadFailure::None, 200,
     Document(300 * 1024), RequestVersion::Http11},
    {"GzipChunkedCutBeforeTheLastChunk", Head200(GzipHeader + Chunked), Gzipped.substr(0, Gzipped.size() / 2),
     DownloadFailure::Incomplete, 200, "", RequestVersion::Http11},
    {"ChunkedToHttp11", Head200(Chunked), Document(30000), DownloadFailure::None, 200, Document(30000),
     RequestVersion::Http11},
    {"ChunkedCutBeforeTheLastChunk", Head200(Chunked), Document(300 * 1024).substr(0, 150 * 1024),
     DownloadFailure::Incomplete, 200, "", RequestVersion::Http11},
    {"ChunkedToHttp10", Head200(Chunked), XmlDeclared, DownloadFailure::Other},
    {"GzipChunkedToHttp10", Head200(GzipHeader + Chunked), Gzipped, DownloadFailure::Other},
    {"IdentityTransferCodingToHttp10", Head200("Transfer-Encoding: identity\r\n"), Signed, DownloadFailure::Other},
    {"ClosedWithoutLengthWhole", Head200(Xml), Document(1000), DownloadFailure::None, 200, Document(1000)},
    {"ClosedWithoutLengthEarly", Head200(Xml), Document(1000).substr(0, 900), DownloadFailure::Incomplete},
    {"DoctypeHoldingMarkup", Head200(Xml), DoctypeWithMarkup, DownloadFailure::None, 200, DoctypeWithMarkup},
    {"OtherContentCoding", Head200("Content-Encoding: br\r\n" + Length(Signed.size())), Signed,
     DownloadFailure::Other},
    {"GzipTwice", Head200("Content-Encoding: gzip, gzip\r\n"), Gzip(Gzip(Signed)), DownloadFailure::Other},
    {"OtherTransferCoding", Head200("Transfer-Encoding: gzip\r\n"), Gzip(Signed), DownloadFailure::Other, 200, "",
     RequestVersion::Http11},
    {"ChunkedWithLength", Head200(Chunked + Length(Signed.size())), Signed, DownloadFailure::Other, 200, "",
     RequestVersion::Http11},
    {"NegativeLength", Head200("Content-Length: -1\r\n"), Signed, DownloadFailure::Other},
    {"LengthNotANumber", Head200("Content-Length: abc\r\n"), Signed, DownloadFailure::Other},
    {"LengthsDisagree", Head200(Length(Signed.size()) + Length(3 * Signed.size())), Signed, DownloadFailure::Other},
    // WinINet shows a reply without a status line as this.
    {"NoStatusLine", "HTTP/1.0 200 OK\r\n\r\n", Signed, DownloadFailure::Other},
    {"IcyStatusLine", "ICY 200 OK\r\n" + Length(Signed.size()) + "\r\n", Signed, DownloadFailure::Other},
    {"AnnouncesMoreThanAllowed", Head200(Length(64 * 1024)), Lines(64 * 1024), DownloadFailure::TooLarge, 200, "",
     RequestVersion::Http10, 1024},
    {"PassesTheLimitWithoutLength", Head200(Xml), Lines(64 * 1024), DownloadFailure::TooLarge, 200, "",
     RequestVersion::Http10, 1 << 15},
};
// clang-format on

// What the proof made of `reply` fed in pieces that end at `splits`.
struct Proved {
    DownloadFailure end;
    int status;
    std::string body;
    size_t heldBytes;
};

Proved Prove(const ReplyCase& reply, const std::vector<size_t>& splits)
{
    ReplyProof proof(reply.maxBytes);
    if (proof.ReadHead(reply.head, reply.request)) {
        size_t from = 0;
        for (const size_t to : splits) {
            if (!proof.Feed(std::string_view(reply.body).substr(from, to - from))) {
                break;
            }
            from = to;
        }
        static_cast<void>(proof.End());
    }
    const size_t held = proof.HeldBytes();
    return {proof.Outcome().result.failure,
            proof.Outcome().result.httpStatus,
            std::string(proof.TakeBody().View()),
            held};
}

} // namespace

TEST(ReplyProof, EachReplyEndsAsItDeservesHoweverItsBytesArrive)
{
    std::mt19937 random(29);
    for (const ReplyCase& reply : Replies) {
        const size_t size = reply.body.size();
        std::vector<std::vector<size_t>> ways{{size}, {}};
        for (size_t at = 1; at <= size; ++at) {
            ways[1].push_back(at);
        }
        for (int way = 0; way < 3; ++way) {
            std::vector<size_t> splits{size};
            for (int split = 0; split < 5; ++split) {
                splits.push_back(std::uniform_int_distribution<size_t>(0, size)(random));
            }
            std::ranges::sort(splits);
            ways.push_back(splits);
        }
        for (const std::vector<size_t>& splits : ways) {
            SCOPED_TRACE(testing::Message() << reply.name << " in " << splits.size() << " pieces");
            const Proved proved = Prove(reply, splits);
            EXPECT_EQ(proved.end, reply.end);
            EXPECT_EQ(proved.status, reply.status);
            EXPECT_EQ(proved.body, reply.delivered);
            EXPECT_LE(proved.heldBytes, reply.maxBytes + 1);
        }
    }
}

TEST(ReplyProof, TheRequestLineTellsTheVersionThatWentOut)
{
    EXPECT_EQ(VersionOfRequest("GET /file HTTP/1.1\r\nHost: x\r\n\r\n"), RequestVersion::Http11);
    EXPECT_EQ(VersionOfRequest("GET /file HTTP/1.0\r\nHost: x\r\n\r\n"), RequestVersion::Http10);
    EXPECT_EQ(VersionOfRequest("GET /file\r\nX: HTTP/1.1\r\n"), RequestVersion::Http10);
    EXPECT_EQ(VersionOfRequest(""), RequestVersion::Http10);
}
