#include "win32_network.h"

#include "platform/http_get.h"
#include "platform/message_wait.h"
#include "platform/unique_handle.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <new>
#include <span>

namespace win32 {

namespace {

volatile LONG abandoned = 0;

void MarkAbandoned()
{
    InterlockedExchange(&abandoned, 1);
}

DWORD MillisecondsSince(DWORD tick)
{
    return GetTickCount() - tick;
}

// A cancel that stays set gives up every later call before it starts.
bool IsSet(HANDLE cancel)
{
    return cancel != nullptr && WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0;
}

// Writes to `agent` the User-Agent that URLDownloadToFileW sends; empty
// when it cannot be had.
void ReadUserAgent(std::span<wchar_t> agent)
{
    char narrow[512];
    DWORD size = sizeof narrow;
    agent[0] = L'\0';
    if (SUCCEEDED(ObtainUserAgentString(0, narrow, &size))) {
        narrow[std::min<size_t>(size, sizeof narrow - 1)] = '\0';
        if (MultiByteToWideChar(CP_ACP, 0, narrow, -1, agent.data(), static_cast<int>(agent.size())) == 0) {
            agent[0] = L'\0';
        }
    }
}

// Waits for the GET's thread until it ends by itself (None) or a limit
// passes or a cancel comes (the reason to stop it).
DownloadFailure Watch(HANDLE thread, const HttpGet& get, const DownloadLimits& limits, HANDLE cancel)
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
        const DWORD silent = MillisecondsSince(get.LastProgressTick());
        if (running >= totalMs) {
            return DownloadFailure::TooLong;
        }
        if (silent >= silenceMs) {
            return DownloadFailure::NoProgress;
        }
        nextCheck = std::min(totalMs - running, silenceMs - silent);
    }
}

// Waits up to AbandonGraceMs for a stopped GET's thread to end, dispatching
// messages meanwhile; returns whether it ended. WM_QUIT counts as a cancel
// and is posted again; from then on the wait dispatches nothing.
bool EndsWithinGrace(HANDLE thread)
{
    const DWORD start = GetTickCount();
    if (WaitDispatchingMessages(thread, nullptr, AbandonGraceMs) == WaitEnd::Done) {
        return true;
    }
    const DWORD elapsed = MillisecondsSince(start);
    return WaitForSingleObject(thread, elapsed < AbandonGraceMs ? AbandonGraceMs - elapsed : 0) == WAIT_OBJECT_0;
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

FetchedFile FetchIntoMemory(const wchar_t* url, const DownloadLimits& limits, HANDLE cancel)
{
    wchar_t agent[512];
    ReadUserAgent(agent);
    HttpGet* get = IsSet(cancel) ? nullptr : HttpGet::New(url, agent, limits);
    if (get == nullptr) {
        return {{DownloadFailure::Other, 0}};
    }
    get->AddRef();
    // Closing the handle leaves an abandoned thread running.
    const UniqueHandle thread(CreateThread(nullptr, 0, HttpGet::Run, get, 0, nullptr));
    if (!thread.IsValid()) {
        get->Release();
        get->Release();
        return {{DownloadFailure::Other, 0}};
    }
    const DownloadFailure stop = Watch(thread.Get(), *get, limits, cancel);
    bool ended = true;
    if (stop != DownloadFailure::None) {
        get->Stop(stop);
        ended = EndsWithinGrace(thread.Get());
    }
    FetchedFile fetched{{stop, 0}};
    if (ended) {
        fetched.result = get->Result();
        if (fetched.result.Succeeded()) {
            fetched.body = get->TakeBody();
        }
    } else {
        MarkAbandoned();
    }
    get->Release();
    return fetched;
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
        ReleaseProbeCall(call);
        return false;
    }
    const bool answered = WaitDispatchingMessages(call->done.Get(), cancel, Milliseconds(timeout)) == WaitEnd::Done;
    if (!answered) {
        MarkAbandoned();
    }
    const bool reachable = answered && call->reachable;
    ReleaseProbeCall(call);
    return reachable;
}

bool AbandonedACall()
{
    return InterlockedCompareExchange(&abandoned, 0, 0) != 0;
}

} // namespace win32
