#pragma once

struct CheckState;
struct Endpoints;
class PlatformServices;
class StatusView;

// Rebuilds `state` from nothing and shows the result on `view`: finds the
// commands folder, scans the installed file, fetches the latest edition from
// `endpoints` and scans it, then writes both version lines, the status area (unless the outcome
// leaves it as it was) and the Update button.
void RunUpdateCheck(CheckState& state, const Endpoints& endpoints, PlatformServices& platform, StatusView& view);

// Fills the folder of `state` from USERPROFILE and, when that folder exists,
// the paths of the installed file, of the download and of the backup. Returns
// whether the folder exists. A profile path too long for the buffers counts as
// a missing folder, and no cut path is left behind.
[[nodiscard]] bool LocateCommands(CheckState& state, PlatformServices& platform);
