// The floor of the time to dialog: the program's dialog template, shown after
// the two network calls the program makes before its dialog shows, with the
// same arguments against the same site (the build's configured endpoints), and
// nothing else: no scan, no decision, no texts. The download goes where the
// program puts it, beside the commands file in USERPROFILE's commands folder,
// and is deleted once the dialog is gone, as the program deletes it.
// Built with QMCU_FLOOR_COMMON_CONTROLS it also calls InitCommonControls, as
// the program does, and so loads comctl32.dll at its start as the program must.

#include "template_dialog.h"
#include "logic/endpoints.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>
#ifdef QMCU_FLOOR_COMMON_CONTROLS
#include <commctrl.h>
#endif

#include <cwchar>
#include <iterator>

namespace {

constexpr wchar_t DownloadInProfile[] = L"\\AppData\\Roaming\\Quillmate\\QuillmateCommands\\MyQMCommandsTemp.xml";
wchar_t downloadPath[MAX_PATH + std::size(DownloadInProfile)] = L"";

// An unset or overlong USERPROFILE leaves the path empty, and the download fails.
void LocateDownload()
{
    const DWORD length = GetEnvironmentVariableW(L"USERPROFILE", downloadPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        std::wmemcpy(downloadPath + length, DownloadInProfile, std::size(DownloadInProfile));
    }
}

void MakeNetworkCalls()
{
#ifdef QMCU_FLOOR_COMMON_CONTROLS
    InitCommonControls();
#endif
    if (InternetCheckConnectionW(ProbeUrl, FLAG_ICC_FORCE_CONNECTION, 0)) {
        URLDownloadToFileW(nullptr, DownloadUrl, downloadPath, 0, nullptr);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    LocateDownload();
    RunTemplateDialog(MakeNetworkCalls);
    DeleteFileW(downloadPath);
    return 0;
}
