#include "gzip_stream.h"

#include <algorithm>

namespace {

// The most decoded at once.
constexpr uint64_t DecodeChunk = 256 * 1024;
// zlib's window size plus 16: a gzip wrapper only, not zlib's own.
constexpr int GzipOnly = MAX_WBITS + 16;
// The first byte of every gzip member.
constexpr unsigned char GzipMagic = 0x1f;

} // namespace

GzipStream::GzipStream() : started_(inflateInit2(&stream_, GzipOnly) == Z_OK) {}

GzipStream::~GzipStream()
{
    if (started_) {
        inflateEnd(&stream_);
    }
}

bool GzipStream::Feed(std::string_view coded, ByteBuffer& plain, uint64_t maxBytes, DownloadOutcome& outcome)
{
    // A read chunk is far below 4 GiB.
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(coded.data()));
    stream_.avail_in = static_cast<uInt>(coded.size());
    for (;;) {
        if (atTrailer_) {
            if (stream_.avail_in == 0) {
                return true;
            }
            if (*stream_.next_in != GzipMagic) {
                return outcome.Fail(DownloadFailure::Other, L"bytes follow the gzip trailer");
            }
            inflateReset(&stream_);
            atTrailer_ = false;
        }
        // Room for one byte past the limit at most, which tells a body that
        // passes it.
        const auto room = static_cast<size_t>(std::min(DecodeChunk, maxBytes + 1 - plain.View().size()));
        if (!plain.MakeRoom(room, static_cast<size_t>(std::min<uint64_t>(maxBytes + 1, SIZE_MAX)))) {
            return outcome.Fail(DownloadFailure::Other, L"no memory for the decoded body");
        }
        stream_.next_out = reinterpret_cast<Bytef*>(plain.Room());
        stream_.avail_out = static_cast<uInt>(room);
        const int status = inflate(&stream_, Z_NO_FLUSH);
        plain.Added(room - stream_.avail_out);
        if (plain.View().size() > maxBytes) {
            return outcome.Fail(DownloadFailure::TooLarge, L"the decoded body passes the limit");
        }
        if (status == Z_STREAM_END) {
            atTrailer_ = true;
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
            return outcome.Fail(DownloadFailure::Other,
                                L"the gzip stream is damaged, or its CRC-32 or length is wrong");
        } else if (stream_.avail_in == 0 && stream_.avail_out != 0) {
            // All of `coded` is taken, and nothing more waits to come out.
            return true;
        }
    }
}

bool GzipStream::End(DownloadOutcome& outcome) const
{
    return atTrailer_ || outcome.Fail(DownloadFailure::Incomplete, L"the gzip stream ends before its trailer");
}
