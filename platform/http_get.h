#pragma once

#include "logic/byte_buffer.h"
#include "platform/reply_framing.h"
#include "platform/worker_call.h"
#include "logic/download_result.h"
#include "logic/network_limits.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>

namespace win32 {

// `duration` as a Win32 time-out in milliseconds, short of INFINITE.
[[nodiscard]] inline DWORD Milliseconds(std::chrono::milliseconds duration)
{
    return static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(duration.count(), 0, INFINITE - 1));
}

// A downloaded file in memory, or why there is none.
struct FetchedFile {
    DownloadResult result;
    ByteBuffer body;          // what came, when `result` succeeded; empty otherwise
    const wchar_t* why = L""; // on failure: what went wrong, for the debug line
    DWORD error = 0;          // on failure: the Win32 error of the call that failed, if one did
};

// One HTTP GET into memory with WinINet, as the call of a worker thread
// (WorkerCall) that the thread which started it watches and may give up on.
// The worker opens, uses and closes its own Internet handles, and takes a
// reply only once its end is proved (see ProveWhole).
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
    [[nodiscard]] FetchedFile TakeOutcome() { return std::move(outcome_); }

private:
    explicit HttpGet(const DownloadLimits& limits);

    void Work() override;
    void Transfer();
    void ReadReply(HINTERNET request);
    // Reads the body as it comes, WinINet undoing a chunked framing, and
    // never more than `length` (when set) or the limit's bytes; false once
    // the GET has failed or was stopped.
    [[nodiscard]] bool ReadBody(HINTERNET request, const std::optional<uint64_t>& length, ByteBuffer& body);
    void ProveWhole(const ReplyFraming& framing, ByteBuffer raw);
    void MarkProgress() { lastProgressTick_.store(GetTickCount()); }
    // Records the failure; `error` is the Win32 error of a failed call.
    void Fail(DownloadFailure failure, const wchar_t* why, DWORD error = 0);
    // Records a failed call, or one stopped meanwhile: for want of progress
    // when it waited out the silence.
    void FailCall(const wchar_t* call);

    wchar_t url_[INTERNET_MAX_URL_LENGTH] = L"";
    wchar_t userAgent_[512] = L"";
    const DownloadLimits limits_;
    std::atomic<DWORD> lastProgressTick_;
    // Written by the worker only, and read once it has ended.
    FetchedFile outcome_;
};

} // namespace win32
