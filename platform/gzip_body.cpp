#include "gzip_body.h"

#include <zlib.h>

#include <algorithm>

namespace win32 {

namespace {

constexpr size_t DecodeChunk = 256 * 1024;
// zlib's window size plus 16: a gzip wrapper only, not zlib's own.
constexpr int GzipOnly = MAX_WBITS + 16;

// Ends the inflate stream however the decoding ends.
class Inflater {
public:
    Inflater() : started_(inflateInit2(&stream_, GzipOnly) == Z_OK) {}
    ~Inflater()
    {
        if (started_) {
            inflateEnd(&stream_);
        }
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    [[nodiscard]] bool Started() const { return started_; }
    z_stream& Stream() { return stream_; }

private:
    z_stream stream_{};
    bool started_;
};

} // namespace

Gunzipped Gunzip(std::string_view coded, uint64_t maxBytes, ByteBuffer& plain)
{
    Inflater inflater;
    if (!inflater.Started()) {
        return {DownloadFailure::Other, L"the gzip decoder cannot start"};
    }
    z_stream& stream = inflater.Stream();
    // The body is at most the download limit, far below 4 GiB.
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(coded.data()));
    stream.avail_in = static_cast<uInt>(coded.size());
    int status = Z_OK;
    while (status == Z_OK) {
        if (!plain.MakeRoom(DecodeChunk, static_cast<size_t>(std::min<uint64_t>(maxBytes, SIZE_MAX / 2)))) {
            return {DownloadFailure::Other, L"no memory for the decoded body"};
        }
        stream.next_out = reinterpret_cast<Bytef*>(plain.Room());
        stream.avail_out = static_cast<uInt>(DecodeChunk);
        status = inflate(&stream, Z_NO_FLUSH);
        plain.Added(DecodeChunk - stream.avail_out);
        if (plain.View().size() > maxBytes) {
            return {DownloadFailure::TooLarge, L"the decoded body passes the limit"};
        }
    }
    if (status == Z_BUF_ERROR && stream.avail_in == 0) {
        return {DownloadFailure::Incomplete, L"the gzip stream ends before its trailer"};
    }
    if (status != Z_STREAM_END) {
        return {DownloadFailure::Other, L"the gzip stream is damaged, or its CRC-32 or length is wrong"};
    }
    if (stream.avail_in != 0) {
        return {DownloadFailure::Other, L"bytes follow the gzip trailer"};
    }
    return {};
}

} // namespace win32
