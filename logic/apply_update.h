#pragma once

struct CheckState;
struct Endpoints;
class PlatformServices;
class StatusView;

// When the last check in `state` offers the update: puts its download in
// place of the installed commands file, which is kept as the backup, reports
// the outcome in a message box owned by `view`, then runs the update check
// again against `endpoints`, whatever the outcome. A success uses the download up; a failure
// leaves the installed file as it was. Without an offer it does nothing.
void ApplyUpdate(CheckState& state, const Endpoints& endpoints, PlatformServices& platform, StatusView& view);

// Deletes the download, if the last check left one that can be opened. A
// failed delete is reported in an "Error" box owned by `view`; when there is
// nothing to open, nothing is shown.
void DiscardDownload(const CheckState& state, PlatformServices& platform, StatusView& view);
