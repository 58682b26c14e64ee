#pragma once

#include "platform/http_get.h"
#include "platform/worker_call.h"
#include "logic/network_limits.h"
#include "logic/platform_services.h"

#include <windows.h>

#include <chrono>
#include <memory>

namespace win32 {

// The two network calls of an update check, made so that a bad download is
// never taken for a good one and neither call holds the calling thread longer
// than its limits allow. Both run the Win32 calls on a worker thread of their
// own (WorkerCall), because the calls block and InternetCheckConnectionW runs
// no message loop at all, and wait on the calling thread while dispatching
// its messages (see WaitDispatchingMessages), so a dialog that calls them
// stays responsive. Neither worker writes a file.

// GETs `url` into memory on a worker thread (HttpGet says what counts as a
// whole reply) and waits until it ends, a limit passes or `cancel` (a
// manual-reset event, or null) is set, dispatching the calling thread's
// messages meanwhile. The request sends the User-Agent of the system's own
// download call and goes through the proxy that Windows is set to use. A
// limit or cancel stops the GET, which then has up to AbandonGraceMs to end,
// the messages still dispatched; one that has not ended by then is abandoned
// and has failed. A cancel that is already set gives up before anything
// starts.
[[nodiscard]] FetchedFile FetchIntoMemory(const wchar_t* url, const DownloadLimits& limits, HANDLE cancel);

// Starts a probe of the site of `url` (http:// and a host): whether a TCP
// connection to it can be made within `timeout`, counted from now. It sends
// no request. It runs on its worker while the caller goes on, and
// SiteReached waits for it, dispatching the calling thread's messages,
// until it ends, the time runs out or `cancel` (a manual-reset event, or
// null, that outlives the probe) is set. The call (InternetCheckConnectionW)
// cannot be stopped, so a worker still running when the probe is let go of
// is abandoned: a connect to a site that drops packets may return only
// minutes later, and the thread then ends on its own. Null when the probe
// cannot start, or when `cancel` is already set.
[[nodiscard]] std::unique_ptr<SiteCheck> StartProbe(const wchar_t* url,
                                                    std::chrono::milliseconds timeout,
                                                    HANDLE cancel);

} // namespace win32
