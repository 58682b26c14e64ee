#include "win32_network.h"

#include "platform/message_wait.h"
#include "logic/wide_text.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <algorithm>
#include <new>
#include <span>

namespace win32 {

namespace {

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

// Waits for the GET until it ends by itself (None) or a limit
// passes or a cancel comes (the reason to stop it).
DownloadFailure Watch(const HttpGet& get, const DownloadLimits& limits, HANDLE cancel)
{
    const DWORD start = GetTickCount();
    const DWORD totalMs = Milliseconds(limits.total);
    const DWORD silenceMs = Milliseconds(limits.silence);
    DWORD nextCheck = 0;
    for (;;) {
        switch (WaitDispatchingMessages(get.Done(), cancel, nextCheck)) {
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

const wchar_t* StopReason(DownloadFailure stop)
{
    switch (stop) {
    case DownloadFailure::NoProgress:
        return L"nothing came for the silence limit";
    case DownloadFailure::TooLong:
        return L"the download ran out of time";
    default:
        return L"the wait was given up";
    }
}

// The probe's call. Nothing can stop it, so it is abandoned when the time
// runs out.
class Probe final : public WorkerCall {
public:
    // Null when memory cannot be had or the URL is too long to copy.
    static Probe* New(const wchar_t* url)
    {
        auto* probe = new (std::nothrow) Probe;
        if (probe != nullptr && !SetText(probe->url_, url)) {
            probe->Release();
            return nullptr;
        }
        return probe;
    }
    // Once the worker has ended.
    [[nodiscard]] bool Reachable() const { return reachable_; }

private:
    Probe() = default;
    void Work() override { reachable_ = InternetCheckConnectionW(url_, FLAG_ICC_FORCE_CONNECTION, 0) != FALSE; }

    wchar_t url_[INTERNET_MAX_URL_LENGTH] = L"";
    bool reachable_ = false;
};

} // namespace

FetchedFile FetchIntoMemory(const wchar_t* url, const DownloadLimits& limits, HANDLE cancel)
{
    wchar_t agent[512];
    ReadUserAgent(agent);
    HttpGet* get = IsSet(cancel) ? nullptr : HttpGet::New(url, agent, limits);
    if (get == nullptr || !get->Start()) {
        if (get != nullptr) {
            get->Release();
        }
        return {.outcome = {.result = {DownloadFailure::Other, 0}, .why = L"the download could not start"}};
    }
    FetchedFile fetched;
    const DownloadFailure stop = Watch(*get, limits, cancel);
    if (stop == DownloadFailure::None) {
        fetched = get->TakeOutcome();
    } else {
        get->Stop();
        // What a stopped worker made is not taken, even when it ends in time.
        static_cast<void>(get->EndsWithinGrace());
        fetched = {.outcome = {.result = {stop, 0}, .why = StopReason(stop)}};
    }
    get->Release();
    return fetched;
}

bool ProbeConnection(const wchar_t* url, std::chrono::milliseconds timeout, HANDLE cancel)
{
    Probe* probe = IsSet(cancel) ? nullptr : Probe::New(url);
    if (probe == nullptr) {
        return false;
    }
    bool reachable = false;
    if (probe->Start()) {
        if (WaitDispatchingMessages(probe->Done(), cancel, Milliseconds(timeout)) == WaitEnd::Done) {
            reachable = probe->Reachable();
        } else {
            probe->Abandon();
        }
    }
    probe->Release();
    return reachable;
}

} // namespace win32
