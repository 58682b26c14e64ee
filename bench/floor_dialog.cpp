// The floors of the time to dialog: the program's dialog template, linked in,
// shown modally and ended on IDCANCEL, with no scan, no decision, no texts: the
// bare dialog. With QMCU_FLOOR_NETWORK it first makes the program's probe and
// GET as it initialises, with the same arguments against the same site (the
// build's endpoints) and at once, as the program does: the probe on a thread
// of its own, waited for only when the GET fails, and the GET with no limits,
// writing the download where the program does and deleting it at the end as
// the program does. With QMCU_FLOOR_COMMON_CONTROLS as well it calls
// InitCommonControls first, as the program does, and so loads comctl32.dll at
// its start.

#include "program_identity.h"
#include "resource.h"
#ifdef QMCU_FLOOR_NETWORK
#include "app/configured_endpoints.h"
#include "platform/http_get.h"
#endif

#include <windows.h>
#ifdef QMCU_FLOOR_NETWORK
#include <wininet.h>
#endif
#ifdef QMCU_FLOOR_COMMON_CONTROLS
#include <commctrl.h>
#endif

#include <cwchar>
#include <iterator>

namespace {

#ifdef QMCU_FLOOR_NETWORK
constexpr wchar_t DownloadInProfile[] = QMCU_COMMANDS_FOLDER_W QMCU_DOWNLOAD_FILE_W;
wchar_t downloadPath[MAX_PATH + std::size(DownloadInProfile)] = L"";

// The program's GET, on this thread and into a file as it comes: the same
// session, request flags and headers. False when no body came.
bool Download(const wchar_t* url)
{
    using win32::HttpGet;
    const HINTERNET session = InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    const HINTERNET request =
        InternetOpenUrlW(session, url, HttpGet::AcceptEncoding, static_cast<DWORD>(-1), HttpGet::RequestFlags, 0);
    const HANDLE file =
        CreateFileW(downloadPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    static char buffer[64 * 1024];
    DWORD read = 0;
    bool came = false;
    while (request != nullptr && InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0) {
        DWORD written = 0;
        WriteFile(file, buffer, read, &written, nullptr);
        came = true;
    }
    CloseHandle(file);
    InternetCloseHandle(request);
    InternetCloseHandle(session);
    return came;
}

DWORD WINAPI Probe(void* url)
{
    return InternetCheckConnectionW(static_cast<const wchar_t*>(url), FLAG_ICC_FORCE_CONNECTION, 0);
}

// The probe and the GET of `endpoints` at once; the probe is waited for only
// when the GET brought nothing.
void Fetch(const Endpoints& endpoints)
{
    const HANDLE probe = CreateThread(nullptr, 0, Probe, const_cast<wchar_t*>(endpoints.probeUrl), 0, nullptr);
    if (!Download(endpoints.downloadUrl) && probe != nullptr) {
        WaitForSingleObject(probe, INFINITE);
    }
    if (probe != nullptr) {
        CloseHandle(probe);
    }
}
#endif

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
#ifdef QMCU_FLOOR_COMMON_CONTROLS
        InitCommonControls();
#endif
#ifdef QMCU_FLOOR_NETWORK
        Fetch(ConfiguredEndpoints);
#endif
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
#ifdef QMCU_FLOOR_NETWORK
    // An unset or overlong USERPROFILE leaves the path empty, and the download fails.
    const DWORD length = GetEnvironmentVariableW(L"USERPROFILE", downloadPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        std::wmemcpy(downloadPath + length, DownloadInProfile, std::size(DownloadInProfile));
    }
#endif
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc, 0);
#ifdef QMCU_FLOOR_NETWORK
    DeleteFileW(downloadPath);
#endif
    return 0;
}
