#pragma once

#include <string_view>

struct CheckState;
struct Endpoints;
class PlatformServices;
class StatusView;

// Downloads the latest commands file from `endpoints` to the download path of
// `state`, where nothing may stand before, and scans it, appending to the
// latest line and setting the latest version, while the vendor's site is
// probed beside it. The download decides: the probe's answer is waited for
// only when the download has failed, and a probe still running after a
// successful download is given up. Both are bounded in time, and the
// download in size. Every failure leaves the latest version at 0: a failed
// download appends "(Download failed)", and when the probe failed too, the
// connection failure text shows in the status area.
void FetchLatest(CheckState& state, const Endpoints& endpoints, PlatformServices& platform, StatusView& view);

// The host (with its port, if any) that the connection failure text names:
// `url` without "http://" or "https://" and without anything from the first
// "/" after it.
std::wstring_view ProbeHostName(std::wstring_view url);
