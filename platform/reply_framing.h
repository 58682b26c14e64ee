#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace win32 {

// How a reply's body is framed and coded, as its status line and header
// fields say.
struct ReplyFraming {
    // The Content-Length; unset when the reply has none, and its end is then
    // told by the close of the connection or by its last chunk.
    std::optional<uint64_t> length;
    // The body is a gzip file (Content-Encoding: gzip), to be decoded here.
    bool gzip = false;
};

// Reads the framing from `headers`, the status line and header fields of a
// reply as WinINet gives them (HTTP_QUERY_RAW_HEADERS_CRLF). Null when the
// reply can be held to its end, with `framing` filled in; otherwise why not,
// and `framing` means nothing:
// - the reply is not HTTP/1.0 or HTTP/1.1 (WinINet reports a reply without a
//   status line, HTTP/0.9, as "HTTP/1.0 200 OK" with no header fields, so a
//   reply with none counts as such);
// - a Content-Length is not one decimal number, or two disagree;
// - Transfer-Encoding names anything but one "chunked", or stands together
//   with a Content-Length;
// - Content-Encoding names anything but one "gzip" ("x-gzip", "identity").
[[nodiscard]] const wchar_t* ReadFraming(std::wstring_view headers, ReplyFraming& framing);

} // namespace win32
