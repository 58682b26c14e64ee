#pragma once

#include "logic/download_result.h"

#include <cstdint>

// How a download ended, as one value from the GET to the line that tells
// support why it failed.
struct DownloadOutcome {
    DownloadResult result;
    // On failure: what went wrong, in a few words.
    const wchar_t* why = L"";
    // On failure: the system's error code of the call that failed, which the
    // platform adds; 0 when no call failed.
    uint32_t systemError = 0;

    [[nodiscard]] bool Succeeded() const { return result.Succeeded(); }
    // Records a failure that no system call reported; false, for the caller
    // to return.
    bool Fail(DownloadFailure failure, const wchar_t* reason)
    {
        result.failure = failure;
        why = reason;
        systemError = 0;
        return false;
    }
};
