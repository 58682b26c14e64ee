#pragma once

#include <string_view>

struct CheckState;
class PlatformServices;
class StatusView;

// Probes the vendor's site, downloads the latest commands file to the download
// path of `state`, where nothing may stand before, and scans it, appending to
// the latest line and setting the latest version. The download is tried even
// when the probe fails. Both calls are bounded in time, and the download in
// size. Every failure leaves the latest version at 0: a failed download
// appends "(Download failed)", and when the probe failed too, the connection
// failure text shows in the status area.
void FetchLatest(CheckState& state, PlatformServices& platform, StatusView& view);

// The host (with its port, if any) that the connection failure text names:
// `url` without "http://" or "https://" and without anything from the first
// "/" after it.
std::wstring_view ProbeHostName(std::wstring_view url);
