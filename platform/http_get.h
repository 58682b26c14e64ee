#pragma once

#include "platform/worker_call.h"
#include "reply/download_outcome.h"
#include "reply/reply_proof.h"
#include "logic/byte_buffer.h"
#include "logic/network_limits.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <chrono>

namespace win32 {

// `duration` as a Win32 time-out in milliseconds, short of INFINITE.
[[nodiscard]] inline DWORD Milliseconds(std::chrono::milliseconds duration)
{
    return static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(duration.count(), 0, INFINITE - 1));
}

// A downloaded file in memory, or why there is none.
struct FetchedFile {
    DownloadOutcome outcome;
    ByteBuffer body; // what came, when `outcome` succeeded; empty otherwise
};

// One HTTP GET into memory with WinINet, as the call of a worker thread
// (WorkerCall) that the thread which started it watches and may give up on.
// The worker opens, uses and closes its own Internet handles, and feeds the
// reply to a ReplyProof as it comes, which alone decides whether it counts.
class HttpGet final : public WorkerCall {
public:
    // What WinINet is asked for: always a fresh copy from the server (also
    // from a proxy's cache), nothing written to the cache, no dialog and no
    // cookies. The connection is kept for a proxy that signs the user in
    // with NTLM or Negotiate, which needs one connection for its whole
    // handshake; an http site that redirects to https is followed (never the
    // reverse). https adds INTERNET_FLAG_SECURE.
    static constexpr DWORD RequestFlags =
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI |
        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    // The request asks as HTTP/1.0, which a server may not answer with a
    // Transfer-Encoding: WinINet then undoes no framing, so the proof sees
    // every byte that the server sent. WinINet's chunk parser is out of
    // sight, and Wine's takes a reply that says chunked but is not as one
    // huge chunk. Internet Explorer's settings may send it as HTTP/1.1
    // instead, so the request line is read back before it goes out.
    static constexpr wchar_t HttpVersion[] = L"HTTP/1.0";
    // gzip is the one coding asked for, and the program decodes it itself:
    // WinINet's own decoding differs from one Windows to the next.
    static constexpr wchar_t AcceptEncoding[] = L"Accept-Encoding: gzip\r\n";

    // A GET of `url` that sends `userAgent` (none when empty) and keeps to
    // `limits`; null when memory cannot be had or a text is too long to copy.
    [[nodiscard]] static HttpGet* New(const wchar_t* url, const wchar_t* userAgent, const DownloadLimits& limits);

    // GetTickCount when the request was sent or the last bytes came, or of
    // the start.
    [[nodiscard]] DWORD LastProgressTick() const { return lastProgressTick_.load(); }
    // Once Done() is signalled: the outcome and the body of a successful
    // GET, moved out. Only a whole reply with final status 200 succeeds.
    [[nodiscard]] FetchedFile TakeOutcome() { return std::move(fetched_); }

private:
    explicit HttpGet(const DownloadLimits& limits);

    void Work() override;
    // Reads the reply to a request sent as `version` into the outcome.
    void ReadReply(HINTERNET request, RequestVersion version);
    // Feeds `proof` the body as it comes, WinINet undoing a chunked framing
    // only where the request went out as HTTP/1.1, until the body ends or the
    // proof fails; false, with the outcome recorded, when a call failed or the
    // GET was stopped.
    [[nodiscard]] bool ReadBody(HINTERNET request, ReplyProof& proof);
    void MarkProgress() { lastProgressTick_.store(GetTickCount()); }
    // Records a failed call, or one stopped meanwhile: for want of progress
    // when it waited out the silence. `httpStatus` is the reply's, once its
    // head was read.
    void FailCall(const wchar_t* call, int httpStatus = 0);

    wchar_t url_[INTERNET_MAX_URL_LENGTH] = L"";
    wchar_t userAgent_[512] = L"";
    const DownloadLimits limits_;
    std::atomic<DWORD> lastProgressTick_;
    // Written by the worker only, and read once it has ended.
    FetchedFile fetched_;
};

} // namespace win32
