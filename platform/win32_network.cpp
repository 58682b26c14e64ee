#include "win32_network.h"

#include "platform/message_wait.h"
#include "platform/tick_count.h"
#include "logic/wide_text.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <algorithm>
#include <new>
#include <span>

namespace win32 {

namespace {

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
        const DWORD runningLeft = RemainingMs(start, totalMs);
        const DWORD silenceLeft = RemainingMs(get.LastProgressTick(), silenceMs);
        if (runningLeft == 0) {
            return DownloadFailure::TooLong;
        }
        if (silenceLeft == 0) {
            return DownloadFailure::NoProgress;
        }
        nextCheck = std::min(runningLeft, silenceLeft);
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

// A probe under way, as the logic's SiteCheck: its worker, and the time it
// has, counted from its start.
class SiteProbe final : public SiteCheck {
public:
    SiteProbe(Probe* probe, DWORD startTick, DWORD timeoutMs, HANDLE cancel)
        : probe_(probe), startTick_(startTick), timeoutMs_(timeoutMs), cancel_(cancel)
    {}
    // A worker that has not ended is given up where it stands.
    ~SiteProbe() override
    {
        if (WaitForSingleObject(probe_->Done(), 0) != WAIT_OBJECT_0) {
            probe_->Abandon();
        }
        probe_->Release();
    }

    bool SiteReached() override
    {
        return WaitDispatchingMessages(probe_->Done(), cancel_, RemainingMs(startTick_, timeoutMs_)) == WaitEnd::Done &&
               probe_->Reachable();
    }

private:
    Probe* probe_;
    DWORD startTick_;
    DWORD timeoutMs_;
    HANDLE cancel_;
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

std::unique_ptr<SiteCheck> StartProbe(const wchar_t* url, std::chrono::milliseconds timeout, HANDLE cancel)
{
    Probe* probe = IsSet(cancel) ? nullptr : Probe::New(url);
    if (probe == nullptr) {
        return nullptr;
    }
    const DWORD start = GetTickCount();
    if (!probe->Start()) {
        probe->Release();
        return nullptr;
    }
    // Null, as for a probe that cannot start, when memory cannot be had; the
    // worker then runs on alone, and is abandoned.
    auto* check = new (std::nothrow) SiteProbe(probe, start, Milliseconds(timeout), cancel);
    if (check == nullptr) {
        probe->Abandon();
        probe->Release();
    }
    return std::unique_ptr<SiteCheck>(check);
}

} // namespace win32
