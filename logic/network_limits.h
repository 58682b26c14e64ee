#pragma once

#include <chrono>
#include <cstdint>

// How long and how much the network may take before a check gives up on it.
// The probe runs beside the download, so a check against a silent or
// unreachable site ends within about 17 s (the silence and the 2 s a stopped
// download has to end); a download that keeps moving on a slow link may take
// up to two minutes, since a short cap on the total breaks updates on slow
// links.

// When a download is given up, as a failed download.
struct DownloadLimits {
    std::chrono::milliseconds silence; // no progress has been reported for this long
    std::chrono::milliseconds total;   // the whole download has run this long
    uint64_t maxBytes;                 // the announced length or the bytes received pass this
};

// A connection probe that has not connected by then, counted from its start,
// counts as failed. Its answer is waited for only after a failed download.
inline constexpr std::chrono::milliseconds ProbeTimeLimit = std::chrono::seconds(10);

inline constexpr DownloadLimits DownloadLimitsInUse{
    .silence = std::chrono::seconds(15),
    .total = std::chrono::seconds(120),
    .maxBytes = 64u * 1024 * 1024,
};
