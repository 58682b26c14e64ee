#pragma once

struct CheckState;
class PlatformServices;
class StatusView;

// Copies the download of the last check in `state` over the installed commands
// file, reports the outcome in a message box owned by `view`, then runs the
// update check again, whatever the outcome.
void ApplyUpdate(CheckState& state, PlatformServices& platform, StatusView& view);

// Deletes the download, if the last check left one that can be opened. A
// failed delete is reported in an "Error" box owned by `view`; when there is
// nothing to open, nothing is shown.
void DiscardDownload(const CheckState& state, PlatformServices& platform, StatusView& view);
