#pragma once

#include "logic/byte_buffer.h"
#include "logic/download_result.h"

#include <cstdint>
#include <string_view>

namespace win32 {

// What decoding a gzip body came to, and why it failed.
struct Gunzipped {
    DownloadFailure failure = DownloadFailure::None;
    const wchar_t* why = L"";
};

// Decodes `coded`, a gzip file as a reply carried it, into `plain`. It counts
// only when one gzip member fills `coded` exactly: its deflate stream ended,
// zlib checked its CRC-32 and length trailer, and nothing follows the
// trailer. A stream cut short is Incomplete, decoded bytes beyond `maxBytes`
// are TooLarge (checked as they come, so a small file that inflates without
// end stops there), and damaged data or memory that cannot be had is Other.
// On failure `plain` holds what was decoded so far.
[[nodiscard]] Gunzipped Gunzip(std::string_view coded, uint64_t maxBytes, ByteBuffer& plain);

} // namespace win32
