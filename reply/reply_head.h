#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The version that a request went out with, as the client's own record of
// the request line says.
enum class RequestVersion {
    Http10, // a server may send no Transfer-Encoding in reply
    Http11,
};

// Http11 when the first line of `request`, the request line and header
// fields as they went out, ends in "HTTP/1.1"; Http10 otherwise, the stricter
// of the two, also when it cannot be read.
[[nodiscard]] RequestVersion VersionOfRequest(std::string_view request);

// The status code of a reply's status line, the number after its first
// space; 0 when `head` is empty or carries no three-digit code there.
[[nodiscard]] int StatusOf(std::string_view head);

// How a reply's body is framed and coded, as its status line and header
// fields say.
struct ReplyFraming {
    // The Content-Length; unset when the reply has none, and its end is then
    // told by the close of the connection or by its last chunk.
    std::optional<uint64_t> length;
    // The body is a series of gzip members (Content-Encoding: gzip), to be
    // decoded as it comes.
    bool gzip = false;
};

// Reads the framing from `head`, the status line and header fields of a reply
// as they came, each line ending in "\r\n", in answer to a request made with
// `request`. Null when the reply can be held to its end, with `framing`
// filled in; otherwise why not, and `framing` means nothing:
// - the reply is not HTTP/1.0 or HTTP/1.1 (WinINet reports a reply without a
//   status line, HTTP/0.9, as "HTTP/1.0 200 OK" with no header fields, so a
//   reply with none counts as such);
// - a Content-Length is not a list of equal decimal numbers, or two disagree;
// - a Transfer-Encoding answers an HTTP/1.0 request, which a server may not
//   send, so that its framing was undone where nothing proves it; or, in
//   answer to HTTP/1.1, it names anything but one "chunked", or stands
//   together with a Content-Length;
// - Content-Encoding names anything but one "gzip" ("x-gzip", "identity").
[[nodiscard]] const wchar_t* ReadFraming(std::string_view head, RequestVersion request, ReplyFraming& framing);
