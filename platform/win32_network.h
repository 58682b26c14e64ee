#pragma once

#include "logic/download_result.h"
#include "logic/network_limits.h"

#include <windows.h>
#include <urlmon.h>

namespace win32 {

// The two network calls of an update check, made so that a bad download is
// never taken for a good one and neither call holds the calling thread longer
// than its limits allow. Both run the Win32 call on a worker thread of their
// own, because under Wine URLDownloadToFileW dispatches none of the calling
// thread's posted messages and InternetCheckConnectionW runs no message loop
// at all, and wait on the calling thread while dispatching its messages (see
// WaitDispatchingMessages), so a dialog that calls them stays responsive.

// The call that downloads: URLDownloadToFileW, or a stand-in in tests.
using BlockingDownload =
    HRESULT(WINAPI*)(LPUNKNOWN caller, LPCWSTR url, LPCWSTR path, DWORD reserved, LPBINDSTATUSCALLBACK callback);

// How long a download call may take to return once it has been aborted.
inline constexpr DWORD AbortGraceMs = 2000;

// Downloads `url` to `path` with `download` on a worker thread and waits
// until the download ends, a limit passes or `cancel` (a manual-reset event,
// or null) is set, dispatching the calling thread's messages meanwhile.
// Only a whole reply with final status 200 that reached `path` whole
// succeeds: redirects 301, 302, 303 and 307 are followed; a reply without a
// content coding must deliver its whole Content-Length; a gzip-encoded or
// chunked reply is whole when the call says so; and the file at `path` must
// hold every byte the transfer delivered. A limit or cancel aborts the
// transfer, and this then waits up to AbortGraceMs more, still dispatching
// messages and aborting again, for the call to return; a call that has not
// returned by then is abandoned, with everything it works on, and has failed.
// A cancel that is already set gives up before anything starts.
// The download asks for the newest version and that nothing be cached, and
// removes its own copy from the internet cache afterwards (after an abort,
// Wine holds the copy open for some 30 ms more), since Wine caches regardless
// of what it is asked. Under Wine, a server that answers or closes only after
// the abort still gets its late answer stored in the cache, out of reach.
// The target file: every failure means that it must be ignored. Whatever
// arrived may be there, since the call writes the body for any status, for a
// cut body and, under Wine, even for an aborted transfer (the part that
// came); an abandoned call may go on writing it until the program exits. An
// existing file is overwritten then, and left as it was when the call fails
// before any reply.
[[nodiscard]] DownloadResult WatchedDownload(const wchar_t* url,
                                             const wchar_t* path,
                                             const DownloadLimits& limits,
                                             HANDLE cancel,
                                             BlockingDownload download = URLDownloadToFileW);

// True when a TCP connection to the site of `url` (http:// and a host) can be
// made within `timeout`; false when it cannot, when the time runs out or
// when `cancel` (a manual-reset event, or null) is set first; a cancel that
// is already set gives up before anything starts. It sends no request.
// The call (InternetCheckConnectionW) runs on a thread of its own, which is
// abandoned when the time runs out: a connect to a site that drops packets
// may return only minutes later, and the thread then ends on its own. It
// shares nothing with the caller but a heap block that the last of the two
// to let go frees.
[[nodiscard]] bool ProbeConnection(const wchar_t* url, std::chrono::milliseconds timeout, HANDLE cancel);

} // namespace win32
