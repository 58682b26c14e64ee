#include "apply_update.h"

#include "check_state.h"
#include "texts.h"
#include "update_check.h"
#include "platform/platform_services.h"
#include "platform/status_view.h"

void ApplyUpdate(PlatformServices& platform, StatusView& view)
{
    if (platform.CopyFileW(checkState.downloadFile, checkState.commandsFile, false)) {
        // MB_ICONINFORMATION, with the OK button alone (MB_OK is 0).
        view.MessageBoxW(text::CopySucceeded, text::SuccessCaption, win32::MbIconInformation);
    } else {
        view.MessageBoxW(text::CopyFailed, text::FailureCaption, win32::MbOk);
    }
    RunUpdateCheck(platform, view);
}

void DiscardDownload(PlatformServices& platform, StatusView& view)
{
    // Only a download that can be opened is deleted; the file is closed again first.
    if (!platform.OpenForReading(checkState.downloadFile)) {
        return;
    }
    // By its wide path, so a profile folder outside the ANSI code page is cleaned up too.
    if (platform.RemoveW(checkState.downloadFile) != 0) {
        view.MessageBoxW(text::DeleteFailed, text::ErrorCaption, win32::MbOk);
    }
}
