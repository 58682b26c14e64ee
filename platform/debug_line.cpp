#include "debug_line.h"

#include <strsafe.h>

namespace win32 {

void ReportFailure(const wchar_t* what, const wchar_t* why, const wchar_t* subject, DWORD error, int httpStatus)
{
    wchar_t line[4096];
    // Cuts a line too long and terminates it, and says so by its result.
    static_cast<void>(StringCchPrintfW(line,
                                       sizeof line / sizeof *line,
                                       L"QMCommandsUpdater: %ls: %ls (error %lu, HTTP status %d): %ls\n",
                                       what,
                                       why,
                                       static_cast<unsigned long>(error),
                                       httpStatus,
                                       subject));
    OutputDebugStringW(line);
}

void ReportFailure(const wchar_t* what, const DownloadOutcome& outcome, const wchar_t* url)
{
    ReportFailure(what, outcome.why, url, outcome.systemError, outcome.result.httpStatus);
}

} // namespace win32
