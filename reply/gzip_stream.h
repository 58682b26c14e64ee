#pragma once

#include "reply/download_outcome.h"
#include "logic/byte_buffer.h"

#include <zlib.h>

#include <cstdint>
#include <string_view>

// Decodes a gzip file as its bytes come, keeping none of them: only the
// decoded bytes and zlib's state are held. The file is a series of members
// (as two gzip files written one after the other make one), and each counts
// only when zlib has checked it to its own trailer, its CRC-32 and length.
class GzipStream {
public:
    GzipStream();
    ~GzipStream();
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;

    // Whether zlib could start; nothing else may be called when it could not.
    [[nodiscard]] bool Started() const { return started_; }
    // Decodes `coded`, the next bytes of the file, after the bytes that
    // `plain` holds. More than `maxBytes` decoded bytes are TooLarge (checked
    // as they come, so that a small file that inflates without end stops
    // there, and `plain` never holds more than one byte past the limit);
    // damaged data, bytes after a trailer that start no member, and memory
    // that cannot be had are Other. False, with `outcome` saying why, once it
    // has failed.
    [[nodiscard]] bool Feed(std::string_view coded, ByteBuffer& plain, uint64_t maxBytes, DownloadOutcome& outcome);
    // The file has ended: false, with `outcome` Incomplete, when it ended
    // anywhere but at a member's trailer.
    [[nodiscard]] bool End(DownloadOutcome& outcome) const;

private:
    z_stream stream_{};
    bool started_;
    // The last member has ended at its trailer; the next byte starts another.
    bool atTrailer_ = false;
};
