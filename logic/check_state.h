#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t PathCapacity = 260;
inline constexpr size_t LineCapacity = 264;
inline constexpr size_t StatusCapacity = 1024;

// What the last update check found: the paths that applying and discarding the
// download work on, and the texts and numbers the dialog shows. The dialog owns
// it for as long as it exists, all zero at first, and every check rebuilds it
// from nothing. Capacities count the terminating zero.
struct CheckState {
    wchar_t commandsFolder[PathCapacity];
    wchar_t commandsFile[PathCapacity];
    wchar_t downloadFile[PathCapacity];
    // What an update keeps of the file it replaced.
    wchar_t backupFile[PathCapacity];
    wchar_t runningLine[LineCapacity];
    wchar_t latestLine[LineCapacity];
    wchar_t statusText[StatusCapacity];
    // 0: no installed file could be opened; 1: it carries no signature.
    int32_t localVersion;
    // 0: no latest version was obtained.
    int32_t latestVersion;
    // Whether the Update/Install button offers the download now; only then
    // may it be copied over the installed file.
    bool updateOffered;
};
