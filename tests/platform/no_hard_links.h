#pragma once

#include <windows.h>

// A stand-in for CreateHardLinkW on a volume without hard links, as FAT32 is.
inline BOOL WINAPI NoHardLinks(LPCWSTR, LPCWSTR, LPSECURITY_ATTRIBUTES)
{
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
}
