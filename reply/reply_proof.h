#pragma once

#include "reply/download_outcome.h"
#include "reply/gzip_stream.h"
#include "reply/reply_head.h"
#include "logic/byte_buffer.h"

#include <cstdint>
#include <string_view>

// Whether an HTTP reply counts as the whole file, decided as its bytes come:
// first its status line and header fields, then its body in pieces of any
// size, then its end. It holds at most the limit's bytes of body, and one
// more decoded byte that tells a body past it (a gzip body is decoded as it
// comes and its coded bytes are not kept), and the outcome does not depend on
// how the body's bytes were split. Each kind of reply proves its end:
// - a Content-Length: exactly that many bytes came;
// - gzip (with or without a length): every member's trailer, its CRC-32 and
//   length, which zlib checks, and the Content-Length, where there is one, of
//   the coded bytes;
// - identity without a length (ended by the close of the connection, or
//   chunked in answer to HTTP/1.1, which the reader undid): nothing in the
//   framing proves it, so the document it carries must be whole
//   (IsWholeDocument).
class ReplyProof {
public:
    // A reply whose body may not pass `maxBytes`, announced or decoded.
    explicit ReplyProof(uint64_t maxBytes) : maxBytes_(maxBytes) {}

    // Reads `head`, the status line and header fields as they came, each line
    // ending in "\r\n", of the reply to a request made with `request`. True
    // when its body is to be read: final status 200, and a framing that can
    // be held to its end.
    [[nodiscard]] bool ReadHead(std::string_view head, RequestVersion request);
    // Takes the next bytes of the body; false once the reply has failed.
    [[nodiscard]] bool Feed(std::string_view bytes);
    // The body has ended; true when it is proved whole.
    [[nodiscard]] bool End();

    // The outcome so far, with the reply's final status once the head was
    // read; a failure before ReadHead.
    [[nodiscard]] const DownloadOutcome& Outcome() const { return outcome_; }
    // The body of a reply proved whole by End(), moved out; empty otherwise.
    [[nodiscard]] ByteBuffer TakeBody();
    // The memory that the body holds, in bytes.
    [[nodiscard]] size_t HeldBytes() const { return body_.Capacity(); }

private:
    const uint64_t maxBytes_;
    ReplyFraming framing_;
    GzipStream gzip_;
    // The body's bytes as they came, coded or not.
    uint64_t received_ = 0;
    ByteBuffer body_;
    bool proved_ = false;
    DownloadOutcome outcome_{.result = {DownloadFailure::Other, 0}, .why = L"the reply's head was never read"};
};
