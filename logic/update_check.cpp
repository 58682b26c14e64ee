#include "update_check.h"

#include "build_signature.h"
#include "check_state.h"
#include "latest_fetch.h"
#include "platform_services.h"
#include "status_view.h"
#include "texts.h"
#include "wide_text.h"

#include "program_identity.h"

namespace {

constexpr wchar_t FolderSuffix[] = QMCU_COMMANDS_FOLDER_W;
constexpr wchar_t CommandsFileName[] = QMCU_COMMANDS_FILE_W;
constexpr wchar_t DownloadFileName[] = QMCU_DOWNLOAD_FILE_W;
// The extension keeps the backup from being read as a commands file.
constexpr wchar_t BackupFileName[] = QMCU_BACKUP_FILE_W;

void ResetState(CheckState& state)
{
    state = CheckState{};
    SetText(state.runningLine, text::RunningLabel);
    SetText(state.latestLine, text::LatestLabel);
}

// A profile path that fills the folder buffer without its suffix, or with
// it, leaves no folder at all.
[[nodiscard]] bool ReadProfileFolder(CheckState& state, PlatformServices& platform)
{
    if (!platform.ReadVariable(L"USERPROFILE", state.commandsFolder) ||
        !AppendText(state.commandsFolder, FolderSuffix)) {
        state.commandsFolder[0] = L'\0';
        return false;
    }
    return true;
}

[[nodiscard]] bool FillFilePaths(CheckState& state)
{
    const bool fits =
        SetText(state.commandsFile, state.commandsFolder) && AppendText(state.commandsFile, CommandsFileName) &&
        SetText(state.downloadFile, state.commandsFolder) && AppendText(state.downloadFile, DownloadFileName) &&
        SetText(state.backupFile, state.commandsFolder) && AppendText(state.backupFile, BackupFileName);
    if (!fits) {
        state.commandsFile[0] = L'\0';
        state.downloadFile[0] = L'\0';
        state.backupFile[0] = L'\0';
    }
    return fits;
}

void OfferUpdate(CheckState& state, StatusView& view)
{
    const wchar_t* caption = text::UpdateCaption;
    if (state.localVersion == 0) {
        AppendText(state.statusText, text::InstallOffer);
        caption = text::InstallCaption;
    } else if (state.localVersion == 1) {
        AppendText(state.statusText, text::SignatureOffer);
        AppendText(state.runningLine, text::NotAvailable);
    } else {
        AppendText(state.statusText, text::UpdateOffer);
    }
    state.updateOffered = true;
    view.SetUpdateButton(true, caption);
    view.SetFieldText(Field::Status, state.statusText);
}

// Outcomes without an offer leave the button hidden; only the up-to-date one
// writes the status area, the others keep what it holds.
void Decide(CheckState& state, StatusView& view)
{
    if (state.localVersion < state.latestVersion) {
        OfferUpdate(state, view);
    } else if (state.localVersion == state.latestVersion && state.latestVersion != 0) {
        view.SetFieldText(Field::Status, text::UpToDate);
    }
}

} // namespace

bool LocateCommands(CheckState& state, PlatformServices& platform)
{
    return ReadProfileFolder(state, platform) && platform.IsFolder(state.commandsFolder) && FillFilePaths(state);
}

void RunUpdateCheck(CheckState& state, const Endpoints& endpoints, PlatformServices& platform, StatusView& view)
{
    ResetState(state);
    view.SetUpdateButton(false, text::UpdateCaption);
    if (!LocateCommands(state, platform)) {
        view.SetFieldText(Field::Running, text::RunningNotAvailable);
        view.SetFieldText(Field::Latest, text::LatestNotAvailable);
        view.SetFieldText(Field::Status, text::FolderMissing);
        return;
    }
    ScanBuildSignatures(platform, state.commandsFile, state.runningLine, state.localVersion, ScanRule::InstalledFile);
    FetchLatest(state, endpoints, platform, view);
    Decide(state, view);
    view.SetFieldText(Field::Running, state.runningLine);
    view.SetFieldText(Field::Latest, state.latestLine);
}
