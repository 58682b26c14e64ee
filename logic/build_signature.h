#pragma once

#include <cstddef>
#include <cstdint>

class PlatformServices;

// The two ways a commands file's signatures become a version number. They
// differ in one point: an installed file that was read but carries no
// signature (or only one whose number is 0) gets version 1.
enum class ScanRule { InstalledFile, LatestFile };

// The number that orders editions: "QM Build AA-BB-YYYY" gives YYYYAABB.
// `signature` points at the SignatureLength bytes of a signature.
int32_t VersionNumber(const char* signature);

// Reads the file at `path` and appends every signature found, converted to wide
// text and run together, to `line` (cut at its capacity); `version` becomes the
// number of the last one. When the file cannot be opened, appends
// "(Not available)" and leaves `version` alone. A signature that cannot be
// converted appends nothing, but its number still counts.
void ScanBuildSignatures(PlatformServices& platform,
                         const wchar_t* path,
                         wchar_t* line,
                         size_t lineCapacity,
                         int32_t& version,
                         ScanRule rule);

template <size_t LineCapacity>
void ScanBuildSignatures(PlatformServices& platform,
                         const wchar_t* path,
                         wchar_t (&line)[LineCapacity],
                         int32_t& version,
                         ScanRule rule)
{
    ScanBuildSignatures(platform, path, line, LineCapacity, version, rule);
}
