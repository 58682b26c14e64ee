// The floors of the time to dialog: the program's dialog template, linked in,
// shown modally and ended on IDCANCEL, with no scan, no decision, no texts: the
// bare dialog. With QMCU_FLOOR_NETWORK it first makes the program's two network
// calls as it initialises, with the same arguments against the same site (the
// build's endpoints), downloading where the program does and deleting the
// download at the end as the program does. With QMCU_FLOOR_COMMON_CONTROLS as
// well it calls InitCommonControls first, as the program does, and so loads
// comctl32.dll at its start.

#include "resource.h"
#ifdef QMCU_FLOOR_NETWORK
#include "logic/endpoints.h"
#endif

#include <windows.h>
#ifdef QMCU_FLOOR_NETWORK
#include <urlmon.h>
#include <wininet.h>
#endif
#ifdef QMCU_FLOOR_COMMON_CONTROLS
#include <commctrl.h>
#endif

#include <cwchar>
#include <iterator>

namespace {

#ifdef QMCU_FLOOR_NETWORK
constexpr wchar_t DownloadInProfile[] = L"\\AppData\\Roaming\\Quillmate\\QuillmateCommands\\MyQMCommandsTemp.xml";
wchar_t downloadPath[MAX_PATH + std::size(DownloadInProfile)] = L"";
#endif

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
#ifdef QMCU_FLOOR_COMMON_CONTROLS
        InitCommonControls();
#endif
#ifdef QMCU_FLOOR_NETWORK
        if (InternetCheckConnectionW(ProbeUrl, FLAG_ICC_FORCE_CONNECTION, 0)) {
            URLDownloadToFileW(nullptr, DownloadUrl, downloadPath, 0, nullptr);
        }
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
