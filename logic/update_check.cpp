#include "update_check.h"

#include "build_signature.h"
#include "check_state.h"
#include "latest_fetch.h"
#include "texts.h"
#include "wide_text.h"
#include "platform/platform_services.h"
#include "platform/status_view.h"

namespace {

constexpr wchar_t FolderSuffix[] = L"\\AppData\\Roaming\\Quillmate\\QuillmateCommands\\";
constexpr wchar_t CommandsFileName[] = L"MyQMCommands.xml";
constexpr wchar_t DownloadFileName[] = L"MyQMCommandsTemp.xml";

void ResetState()
{
    checkState = CheckState{};
    SetText(checkState.runningLine, text::RunningLabel);
    SetText(checkState.latestLine, text::LatestLabel);
}

void HideUpdateButton(StatusView& view)
{
    view.EnableWindow(control::UpdateButton, false);
    view.ShowWindow(control::UpdateButton, win32::SwHide);
    view.SetDlgItemTextW(control::UpdateButton, text::UpdateCaption);
}

[[nodiscard]] bool ReadProfileFolder(PlatformServices& platform)
{
    wchar_t* folder = checkState.commandsFolder;
    const uint32_t length = platform.GetEnvironmentVariableW(L"USERPROFILE", folder, PathCapacity);
    // A value that does not fit comes back as the size it needs, buffer untouched.
    if (length >= PathCapacity || !AppendText(checkState.commandsFolder, FolderSuffix)) {
        folder[0] = L'\0';
        return false;
    }
    return true;
}

[[nodiscard]] bool IsFolder(uint32_t attributes)
{
    return attributes != win32::InvalidFileAttributes && (attributes & win32::FileAttributeDirectory) != 0;
}

[[nodiscard]] bool FillFilePaths()
{
    CheckState& state = checkState;
    const bool fits =
        SetText(state.commandsFile, state.commandsFolder) && AppendText(state.commandsFile, CommandsFileName) &&
        SetText(state.downloadFile, state.commandsFolder) && AppendText(state.downloadFile, DownloadFileName);
    if (!fits) {
        state.commandsFile[0] = L'\0';
        state.downloadFile[0] = L'\0';
    }
    return fits;
}

void OfferUpdate(StatusView& view)
{
    CheckState& state = checkState;
    if (state.localVersion == 0) {
        AppendText(state.statusText, text::InstallOffer);
        view.SetDlgItemTextW(control::UpdateButton, text::InstallCaption);
    } else if (state.localVersion == 1) {
        AppendText(state.statusText, text::SignatureOffer);
        AppendText(state.runningLine, text::NotAvailable);
    } else {
        AppendText(state.statusText, text::UpdateOffer);
    }
    view.EnableWindow(control::UpdateButton, true);
    view.ShowWindow(control::UpdateButton, win32::SwShow);
    view.SetDlgItemTextW(control::Status, state.statusText);
}

// Outcomes without an offer leave the button hidden; only the up-to-date one
// writes the status area, the others keep what it holds.
void Decide(StatusView& view)
{
    const CheckState& state = checkState;
    if (state.localVersion < state.latestVersion) {
        OfferUpdate(view);
    } else if (state.localVersion == state.latestVersion && state.latestVersion != 0) {
        view.SetDlgItemTextW(control::Status, text::UpToDate);
    }
}

} // namespace

bool LocateCommands(PlatformServices& platform)
{
    if (!ReadProfileFolder(platform)) {
        return false;
    }
    return IsFolder(platform.GetFileAttributesW(checkState.commandsFolder)) && FillFilePaths();
}

void RunUpdateCheck(PlatformServices& platform, StatusView& view)
{
    ResetState();
    HideUpdateButton(view);
    if (!LocateCommands(platform)) {
        view.SetDlgItemTextW(control::Running, text::RunningNotAvailable);
        view.SetDlgItemTextW(control::Latest, text::LatestNotAvailable);
        view.SetDlgItemTextW(control::Status, text::FolderMissing);
        return;
    }
    CheckState& state = checkState;
    ScanBuildSignatures(platform, state.commandsFile, state.runningLine, state.localVersion, ScanRule::InstalledFile);
    FetchLatest(platform, view);
    Decide(view);
    view.SetDlgItemTextW(control::Running, state.runningLine);
    view.SetDlgItemTextW(control::Latest, state.latestLine);
}
