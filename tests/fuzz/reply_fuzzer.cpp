// Fuzzing of the proof that a reply is whole. An input is one control byte,
// then a reply's head up to its empty line, then its body as the reader
// delivers it. The control byte chooses the request's version and where the
// body is cut into pieces. Each reply is proved whole, byte by byte and in
// those pieces, and any of these ends the run:
// - the outcomes differ;
// - the body holds more memory than the limit, set small here;
// - an accepted body is not proved by a check of its own: its length is a
//   Content-Length of the head, zlib decodes the whole body to it at once,
//   or it is a whole document.

#include "reply/reply_proof.h"
#include "reply/whole_document.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr uint64_t Limit = 4096;

struct Proved {
    DownloadOutcome outcome;
    std::string body;

    bool operator==(const Proved& other) const
    {
        return outcome.result.failure == other.outcome.result.failure &&
               outcome.result.httpStatus == other.outcome.result.httpStatus && outcome.why == other.outcome.why &&
               body == other.body;
    }
};

void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Proves `body` fed in pieces of `piece` bytes, checking the memory held.
Proved Prove(std::string_view head, RequestVersion request, std::string_view body, size_t piece)
{
    ReplyProof proof(Limit);
    if (proof.ReadHead(head, request)) {
        for (size_t at = 0; at < body.size(); at += piece) {
            const bool fed = proof.Feed(body.substr(at, piece));
            if (proof.HeldBytes() > Limit + 1) {
                Fail("the body holds more than the limit");
            }
            if (!fed) {
                break;
            }
        }
        static_cast<void>(proof.End());
    }
    return {proof.Outcome(), std::string(proof.TakeBody().View())};
}

// Whether a line of `head` whose name is Content-Length (in any case, white
// space around it ignored) holds `length` as one of its numbers.
bool AnnouncesLength(std::string_view head, size_t length)
{
    const std::string wanted = std::to_string(length);
    for (size_t start = 0; start < head.size();) {
        const size_t end = std::min(head.find('\n', start), head.size());
        const std::string_view line = head.substr(start, end - start);
        start = end + 1;
        std::string name(line.substr(0, line.find(':')));
        std::erase_if(name, [](char c) { return c == ' ' || c == '\t'; });
        std::ranges::transform(name, name.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
        if (name != "content-length" || line.find(':') == std::string_view::npos) {
            continue;
        }
        const std::string_view value = line.substr(line.find(':'));
        for (size_t digit = value.find_first_of("0123456789"); digit != std::string_view::npos;) {
            const size_t stop = std::min(value.find_first_not_of("0123456789", digit), value.size());
            std::string_view number = value.substr(digit, stop - digit);
            number.remove_prefix(std::min(number.find_first_not_of('0'), number.size() - 1));
            if (number == wanted) {
                return true;
            }
            digit = value.find_first_of("0123456789", stop);
        }
    }
    return false;
}

// zlib's decoding of all of `coded` at once, as a series of gzip members;
// false when it is not exactly that.
bool GunzipAtOnce(std::string_view coded, std::string& plain)
{
    std::vector<char> out(Limit + 1);
    z_stream stream{};
    if (inflateInit2(&stream, MAX_WBITS + 16) != Z_OK) {
        return false;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(coded.data()));
    stream.avail_in = static_cast<uInt>(coded.size());
    int status = Z_STREAM_END;
    while (stream.avail_in > 0 && status == Z_STREAM_END) {
        inflateReset(&stream);
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        status = inflate(&stream, Z_FINISH);
        plain.append(out.data(), out.size() - stream.avail_out);
    }
    inflateEnd(&stream);
    return !coded.empty() && status == Z_STREAM_END;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const RequestVersion request = (data[0] & 1) != 0 ? RequestVersion::Http11 : RequestVersion::Http10;
    const size_t piece = 1 + data[0] / 2;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t blank = input.find("\r\n\r\n");
    const std::string_view head = input.substr(0, blank == std::string_view::npos ? input.size() : blank + 4);
    const std::string_view body = input.substr(head.size());

    const Proved whole = Prove(head, request, body, std::max<size_t>(body.size(), 1));
    if (!(Prove(head, request, body, 1) == whole && Prove(head, request, body, piece) == whole)) {
        Fail("the outcome depends on how the body is cut");
    }
    if (!whole.outcome.Succeeded()) {
        return 0;
    }
    std::string decoded;
    const bool proved = (whole.body == body && AnnouncesLength(head, body.size())) ||
                        (GunzipAtOnce(body, decoded) && decoded == whole.body) ||
                        (whole.body == body && IsWholeDocument(body));
    if (!proved) {
        Fail("a body was taken that nothing proves");
    }
    return 0;
}
