#pragma once

#include "reply/download_outcome.h"

#include <windows.h>

namespace win32 {

// Tells support why something failed, in one line through
// OutputDebugStringW, which the system's debug viewer shows:
//   "QMCommandsUpdater: <what>: <why> (error <error>, HTTP status <status>): <subject>"
// `subject` is the URL or path it concerns, `error` the Win32 error (0 for
// none) and `httpStatus` the final status of a reply (0 for none). Nothing
// is written to disk and nothing changes on screen; a line too long is cut.
void ReportFailure(const wchar_t* what, const wchar_t* why, const wchar_t* subject, DWORD error, int httpStatus = 0);

// The line of a failed download of `url`: its reason, system error and HTTP
// status, as `outcome` holds them.
void ReportFailure(const wchar_t* what, const DownloadOutcome& outcome, const wchar_t* url);

} // namespace win32
