#include "win32_network.h"

#include "platform/download_callback.h"
#include "platform/message_wait.h"
#include "platform/unique_handle.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <new>
#include <optional>

namespace win32 {

namespace {

// How often the watcher aborts again until the call has returned, in case the
// binding had not started yet at the first try.
constexpr DWORD AbortRetryMs = 50;
// How long, and how often, the removal of an aborted transfer's cache copy is
// tried while the copy is still open.
constexpr DWORD CacheReleaseMs = 1000;
constexpr DWORD CacheRetryMs = 10;

DWORD MillisecondsSince(DWORD tick)
{
    return GetTickCount() - tick;
}

DWORD Milliseconds(std::chrono::milliseconds duration)
{
    return static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(duration.count(), 0, INFINITE - 1));
}

// A cancel that stays set gives up every later call before it starts.
bool IsSet(HANDLE cancel)
{
    return cancel != nullptr && WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0;
}

// Everything a download's thread works on. The thread may be abandoned when
// its call ignores an abort, so this is shared with the caller like a probe's
// block: each holds a reference, and the last to let go frees it and the
// callback's reference.
struct DownloadCall {
    volatile LONG references = 2;
    wchar_t url[INTERNET_MAX_URL_LENGTH] = L"";
    wchar_t path[MAX_PATH] = L"";
    DownloadCallback* callback = nullptr;
    BlockingDownload download = nullptr;
    // Valid once the thread has ended.
    HRESULT result = E_FAIL;
};

void ReleaseDownloadCall(DownloadCall* call)
{
    if (InterlockedDecrement(&call->references) == 0) {
        call->callback->Release();
        delete call;
    }
}

// Null when memory cannot be had or a text is too long to copy.
DownloadCall* NewDownloadCall(const wchar_t* url, const wchar_t* path, ULONGLONG maxBytes, BlockingDownload download)
{
    auto* call = new (std::nothrow) DownloadCall;
    if (call == nullptr) {
        return nullptr;
    }
    call->callback = new (std::nothrow) DownloadCallback(maxBytes);
    if (call->callback == nullptr || wcslen(url) >= std::size(call->url) || wcslen(path) >= std::size(call->path)) {
        if (call->callback != nullptr) {
            call->callback->Release();
        }
        delete call;
        return nullptr;
    }
    wcscpy(call->url, url);
    wcscpy(call->path, path);
    call->download = download;
    return call;
}

DWORD WINAPI RunDownload(void* parameter)
{
    auto* call = static_cast<DownloadCall*>(parameter);
    call->result = call->download(nullptr, call->url, call->path, 0, call->callback);
    ReleaseDownloadCall(call);
    return 0;
}

// Waits for the download's thread until it ends by itself (None) or a limit
// passes or a cancel comes (the reason to stop it).
DownloadFailure Watch(HANDLE thread, const DownloadCallback& callback, const DownloadLimits& limits, HANDLE cancel)
{
    const DWORD start = GetTickCount();
    const DWORD totalMs = Milliseconds(limits.total);
    const DWORD silenceMs = Milliseconds(limits.silence);
    DWORD nextCheck = 0;
    for (;;) {
        switch (WaitDispatchingMessages(thread, cancel, nextCheck)) {
        case WaitEnd::Done:
            return DownloadFailure::None;
        case WaitEnd::Cancelled:
            return DownloadFailure::Other;
        case WaitEnd::TimedOut:
            break;
        }
        const DWORD running = MillisecondsSince(start);
        const DWORD silent = MillisecondsSince(callback.LastProgressTick());
        if (running >= totalMs) {
            return DownloadFailure::TooLong;
        }
        if (silent >= silenceMs) {
            return DownloadFailure::NoProgress;
        }
        nextCheck = std::min(totalMs - running, silenceMs - silent);
    }
}

// Aborts the download for `reason` again and again, dispatching messages
// meanwhile, until its thread ends or AbortGraceMs have passed. Whether the
// abort stops the call at all, from a thread other than the call's, is not
// documented; under Wine it returns within milliseconds. Returns whether the
// thread ended.
bool StopWithinGrace(HANDLE thread, DownloadCallback& callback, DownloadFailure reason)
{
    const DWORD start = GetTickCount();
    // WM_QUIT counts as a cancel and is posted again; from then on the wait
    // dispatches nothing.
    bool dispatching = true;
    for (DWORD elapsed = 0; elapsed < AbortGraceMs; elapsed = MillisecondsSince(start)) {
        callback.Stop(reason);
        const DWORD wait = std::min(AbortRetryMs, AbortGraceMs - elapsed);
        if (dispatching) {
            const WaitEnd end = WaitDispatchingMessages(thread, nullptr, wait);
            if (end == WaitEnd::Done) {
                return true;
            }
            dispatching = end != WaitEnd::Cancelled;
        } else if (WaitForSingleObject(thread, wait) == WAIT_OBJECT_0) {
            return true;
        }
    }
    return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

// The call writes the body to the internet cache before it copies it to the
// target, whatever the bind flags ask for (Wine does; Windows may). After an
// abort, Wine's request goes on holding the copy open for some 30 ms after
// the call has returned, so its removal is tried again for a while.
void RemoveCacheCopy(const wchar_t* url, const wchar_t* cacheFile)
{
    DeleteUrlCacheEntryW(url);
    if (cacheFile[0] == L'\0') {
        return;
    }
    const DWORD start = GetTickCount();
    while (!DeleteFileW(cacheFile) && GetLastError() == ERROR_SHARING_VIOLATION &&
           MillisecondsSince(start) < CacheReleaseMs) {
        Sleep(CacheRetryMs);
    }
}

// Everything a probe's thread touches. The thread may be abandoned while
// blocked in its connect and return minutes later, so it shares nothing with
// the caller's frame: the caller and the thread each hold a reference, and
// the last to let go frees the block.
struct ProbeCall {
    volatile LONG references = 1;
    wchar_t url[INTERNET_MAX_URL_LENGTH] = L"";
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    // Valid once `done` is set.
    bool reachable = false;
};

// Null when memory or an event cannot be had, or the URL is too long to copy.
ProbeCall* NewProbeCall(const wchar_t* url)
{
    auto* call = new (std::nothrow) ProbeCall;
    if (call == nullptr) {
        return nullptr;
    }
    if (!call->done.IsValid() || wcslen(url) >= std::size(call->url)) {
        delete call;
        return nullptr;
    }
    wcscpy(call->url, url);
    return call;
}

void ReleaseProbeCall(ProbeCall* call)
{
    if (InterlockedDecrement(&call->references) == 0) {
        delete call;
    }
}

DWORD WINAPI RunProbe(void* parameter)
{
    auto* call = static_cast<ProbeCall*>(parameter);
    call->reachable = InternetCheckConnectionW(call->url, FLAG_ICC_FORCE_CONNECTION, 0) != FALSE;
    SetEvent(call->done.Get());
    ReleaseProbeCall(call);
    return 0;
}

} // namespace

DownloadResult WatchedDownload(const wchar_t* url,
                               const wchar_t* path,
                               const DownloadLimits& limits,
                               HANDLE cancel,
                               BlockingDownload download)
{
    DownloadCall* call = IsSet(cancel) ? nullptr : NewDownloadCall(url, path, limits.maxBytes, download);
    if (call == nullptr) {
        return {DownloadFailure::Other, 0};
    }
    // Closing the handle leaves an abandoned thread running.
    const UniqueHandle thread(CreateThread(nullptr, 0, RunDownload, call, 0, nullptr));
    if (!thread.IsValid()) {
        ReleaseDownloadCall(call);
        ReleaseDownloadCall(call);
        return {DownloadFailure::Other, 0};
    }
    const DownloadFailure stop = Watch(thread.Get(), *call->callback, limits, cancel);
    const bool returned = stop == DownloadFailure::None || StopWithinGrace(thread.Get(), *call->callback, stop);
    const DownloadResult result = call->callback->Verdict(returned ? std::optional(call->result) : std::nullopt, path);
    if (returned) {
        RemoveCacheCopy(url, call->callback->CacheFile());
    }
    ReleaseDownloadCall(call);
    return result;
}

bool ProbeConnection(const wchar_t* url, std::chrono::milliseconds timeout, HANDLE cancel)
{
    ProbeCall* call = IsSet(cancel) ? nullptr : NewProbeCall(url);
    if (call == nullptr) {
        return false;
    }
    InterlockedIncrement(&call->references);
    // Closing the handle leaves the thread running.
    const UniqueHandle thread(CreateThread(nullptr, 0, RunProbe, call, 0, nullptr));
    if (!thread.IsValid()) {
        ReleaseProbeCall(call);
    }
    const bool reachable = thread.IsValid() &&
                           WaitDispatchingMessages(call->done.Get(), cancel, Milliseconds(timeout)) == WaitEnd::Done &&
                           call->reachable;
    ReleaseProbeCall(call);
    return reachable;
}

} // namespace win32
