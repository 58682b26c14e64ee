#include "apply_update.h"

#include "check_state.h"
#include "platform_services.h"
#include "status_view.h"
#include "texts.h"
#include "update_check.h"

void ApplyUpdate(CheckState& state, PlatformServices& platform, StatusView& view)
{
    // Another program can post the button's command, and a click can come
    // while a check runs; only a standing offer is taken, and only once.
    if (!state.updateOffered) {
        return;
    }
    state.updateOffered = false;
    if (platform.CopyOver(state.downloadFile, state.commandsFile)) {
        view.ShowMessage(MessageKind::Information, text::CopySucceeded, text::SuccessCaption);
    } else {
        view.ShowMessage(MessageKind::Plain, text::CopyFailed, text::FailureCaption);
    }
    RunUpdateCheck(state, platform, view);
}

void DiscardDownload(const CheckState& state, PlatformServices& platform, StatusView& view)
{
    // Only a download that can be opened is deleted; the file is closed again first.
    if (!platform.OpenForReading(state.downloadFile)) {
        return;
    }
    // By its wide path, so a profile folder outside the ANSI code page is cleaned up too.
    if (!platform.Remove(state.downloadFile)) {
        view.ShowMessage(MessageKind::Plain, text::DeleteFailed, text::ErrorCaption);
    }
}
