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

// What the download's thread works on. The watcher waits for the thread
// before it lets go of any of it.
struct DownloadCall {
    const wchar_t* url;
    const wchar_t* path;
    DownloadCallback* callback;
    HRESULT result;
};

DWORD WINAPI RunDownload(void* parameter)
{
    auto* call = static_cast<DownloadCall*>(parameter);
    call->result = URLDownloadToFileW(nullptr, call->url, call->path, 0, call->callback);
    return 0;
}

// Waits for the download's thread until it ends by itself (Complete) or a
// limit passes or a cancel comes (the reason to stop it).
DownloadEnd Watch(HANDLE thread, const DownloadCallback& callback, const DownloadLimits& limits, HANDLE cancel)
{
    const DWORD start = GetTickCount();
    const DWORD totalMs = Milliseconds(limits.total);
    const DWORD silenceMs = Milliseconds(limits.silence);
    DWORD nextCheck = 0;
    for (;;) {
        switch (WaitDispatchingMessages(thread, cancel, nextCheck)) {
        case WaitEnd::Done:
            return DownloadEnd::Complete;
        case WaitEnd::Cancelled:
            return DownloadEnd::Cancelled;
        case WaitEnd::TimedOut:
            break;
        }
        const DWORD running = MillisecondsSince(start);
        const DWORD silent = MillisecondsSince(callback.LastProgressTick());
        if (running >= totalMs) {
            return DownloadEnd::TooLong;
        }
        if (silent >= silenceMs) {
            return DownloadEnd::NoProgress;
        }
        nextCheck = std::min(totalMs - running, silenceMs - silent);
    }
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

DownloadReport WatchedDownload(const wchar_t* url, const wchar_t* path, const DownloadLimits& limits, HANDLE cancel)
{
    if (IsSet(cancel)) {
        return {DownloadEnd::Cancelled, 0};
    }
    auto* callback = new (std::nothrow) DownloadCallback(limits.maxBytes);
    if (callback == nullptr) {
        return {DownloadEnd::Failed, 0};
    }
    DownloadCall call{url, path, callback, E_FAIL};
    const UniqueHandle thread(CreateThread(nullptr, 0, RunDownload, &call, 0, nullptr));
    if (!thread.IsValid()) {
        callback->Release();
        return {DownloadEnd::Failed, 0};
    }
    const DownloadEnd stop = Watch(thread.Get(), *callback, limits, cancel);
    if (stop != DownloadEnd::Complete) {
        // The call returns within milliseconds of the abort, under Wine even
        // from a silent server; the thread is never left behind.
        do {
            callback->Stop(stop);
        } while (WaitForSingleObject(thread.Get(), AbortRetryMs) == WAIT_TIMEOUT);
    }
    DownloadReport report = callback->Report(call.result);
    RemoveCacheCopy(url, callback->CacheFile());
    callback->Release();
    // Under Wine the call reports success, and writes nothing, when the
    // target's folder is missing.
    if (report.end == DownloadEnd::Complete && GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
        report.end = DownloadEnd::Failed;
    }
    return report;
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
