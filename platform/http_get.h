#pragma once

#include "platform/byte_buffer.h"
#include "logic/download_result.h"
#include "logic/network_limits.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <array>
#include <chrono>

namespace win32 {

// `duration` as a Win32 time-out in milliseconds, short of INFINITE.
[[nodiscard]] inline DWORD Milliseconds(std::chrono::milliseconds duration)
{
    return static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(duration.count(), 0, INFINITE - 1));
}

// One HTTP GET into memory with WinINet, made by a worker thread of its own
// and watched by the thread that started it. The block is shared by both
// and reference-counted: each side holds a reference, and the last to let go
// frees it. The worker owns nothing but its Internet handles and the body it
// reads, so a worker that is given up on can never touch a file; once it has
// been abandoned, the watcher reads nothing of it but the reason it stopped
// it for.
class HttpGet {
public:
    // What WinINet is asked for: always a fresh copy from the server (also
    // from a proxy's cache), nothing written to the cache, no dialog and no
    // cookies. https adds INTERNET_FLAG_SECURE.
    static constexpr DWORD RequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                          INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    // Sent with the request, as the system's download call sends it; WinINet
    // then decodes the body (INTERNET_OPTION_HTTP_DECODING).
    static constexpr wchar_t AcceptEncoding[] = L"Accept-Encoding: gzip, deflate\r\n";

    // A GET of `url` that sends `userAgent` (none when empty) and keeps to
    // `limits`, with one reference for the caller; null when memory cannot
    // be had or a text is too long to copy.
    [[nodiscard]] static HttpGet* New(const wchar_t* url, const wchar_t* userAgent, const DownloadLimits& limits);
    HttpGet(const HttpGet&) = delete;
    HttpGet& operator=(const HttpGet&) = delete;

    void AddRef();
    void Release();

    // The worker's thread procedure; it takes over one reference.
    static DWORD WINAPI Run(void* parameter);

    // For the watcher. Records why the GET is to end (the first reason
    // counts) and closes the worker's handles, which ends a read of a body
    // that flows at once. A call blocked on a silent server or in a connect
    // goes on until its receive time-out or the system's connect limit; the
    // worker then finds its handles gone and ends.
    void Stop(DownloadFailure reason);
    // GetTickCount when the request was sent or the last bytes came, or of
    // the start.
    [[nodiscard]] DWORD LastProgressTick() const;
    // Once the worker has ended: the outcome, with the reason of a Stop
    // first. Only a whole reply with final status 200 succeeds: redirects are
    // followed as WinINet follows them; a reply without a content coding must
    // deliver its whole Content-Length; and neither the announced length nor
    // the body may pass the limit's bytes.
    [[nodiscard]] DownloadResult Result() const;
    // Once the worker has ended: the body of a successful GET, moved out.
    [[nodiscard]] ByteBuffer TakeBody();

private:
    explicit HttpGet(const DownloadLimits& limits);
    ~HttpGet();

    // The session, connection and request, ready to send; null when one
    // cannot be had or the GET was stopped.
    [[nodiscard]] HINTERNET OpenRequest();
    [[nodiscard]] DownloadFailure Transfer();
    [[nodiscard]] DownloadFailure ReadBody(HINTERNET request);
    // Takes `handle` (null when the call that made it failed) into the set
    // that Stop closes; null, with the handle closed, once stopped.
    [[nodiscard]] HINTERNET Keep(HINTERNET handle);
    void CloseHandles();
    [[nodiscard]] bool Stopped() const;
    void MarkProgress();
    // Why a call failed: for want of progress when it waited out the silence.
    [[nodiscard]] DownloadFailure Failed() const;

    volatile LONG references_ = 1;
    wchar_t url_[INTERNET_MAX_URL_LENGTH] = L"";
    wchar_t userAgent_[512] = L"";
    const DownloadLimits limits_;
    volatile LONG lastProgressTick_;
    // DownloadFailure::None while nothing has asked the GET to stop.
    volatile LONG stopReason_;

    // The session, connection and request, closed by whichever of Stop and
    // the worker's end comes first.
    CRITICAL_SECTION handlesLock_;
    std::array<HINTERNET, 3> handles_{};
    bool stopped_ = false;

    // Written by the worker only, and read once it has ended.
    DownloadFailure failure_ = DownloadFailure::Other;
    int status_ = 0;
    ByteBuffer body_;
};

} // namespace win32
