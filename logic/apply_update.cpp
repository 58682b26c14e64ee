#include "apply_update.h"

#include "check_state.h"
#include "platform_services.h"
#include "status_view.h"
#include "texts.h"
#include "update_check.h"

namespace {

// The download, whole and checked, lies beside the installed file on the same
// volume, so it goes in with one rename: the installed file changes whole or
// not at all, and no second copy needs room on a volume that may be full. It
// is the path that decides, not the button's caption: a file that cannot be
// opened is offered as an install, yet it is replaced, and kept as the backup.
[[nodiscard]] bool SwapDownloadIn(const CheckState& state, PlatformServices& platform)
{
    if (platform.Exists(state.commandsFile)) {
        return platform.Replace(state.commandsFile, state.downloadFile, state.backupFile);
    }
    return platform.Rename(state.downloadFile, state.commandsFile);
}

} // namespace

void ApplyUpdate(CheckState& state, const Endpoints& endpoints, PlatformServices& platform, StatusView& view)
{
    // Another program can post the button's command, and a click can come
    // while a check runs; only a standing offer is taken, and only once.
    if (!state.updateOffered) {
        return;
    }
    state.updateOffered = false;
    if (SwapDownloadIn(state, platform)) {
        view.ShowMessage(MessageKind::Information, text::CopySucceeded, text::SuccessCaption);
    } else {
        view.ShowMessage(MessageKind::Plain, text::CopyFailed, text::FailureCaption);
    }
    RunUpdateCheck(state, endpoints, platform, view);
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
