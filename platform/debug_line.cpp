#include "debug_line.h"

#include <cwchar>

namespace win32 {

void ReportFailure(const wchar_t* what, const wchar_t* why, const wchar_t* subject, DWORD error, int httpStatus)
{
    wchar_t line[4096];
    // msvcrt's _snwprintf leaves a line that fills the buffer unterminated.
    _snwprintf(line,
               sizeof line / sizeof *line - 1,
               L"QMCommandsUpdater: %ls: %ls (error %lu, HTTP status %d): %ls\n",
               what,
               why,
               static_cast<unsigned long>(error),
               httpStatus,
               subject);
    line[sizeof line / sizeof *line - 1] = L'\0';
    OutputDebugStringW(line);
}

void ReportFailure(const wchar_t* what, const DownloadOutcome& outcome, const wchar_t* url)
{
    ReportFailure(what, outcome.why, url, outcome.systemError, outcome.result.httpStatus);
}

} // namespace win32
