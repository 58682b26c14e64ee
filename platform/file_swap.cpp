#include "file_swap.h"

#include "platform/unique_handle.h"

namespace win32 {

namespace {

constexpr DWORD SharingRetryMs = 1000;
constexpr DWORD SharingPollMs = 20;

// Another program may read the file meanwhile; one that keeps writers out
// makes this fail with a sharing violation.
[[nodiscard]] bool FlushToDisk(const wchar_t* path)
{
    const UniqueHandle file(
        CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() && FlushFileBuffers(file.Get());
}

// Runs `step` until it succeeds, fails otherwise than by a sharing violation,
// or has been retried for SharingRetryMs.
template <typename Step>
[[nodiscard]] bool RetryingSharingViolations(Step step)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (step()) {
            return true;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION || GetTickCount() - start >= SharingRetryMs) {
            return false;
        }
        Sleep(SharingPollMs);
    }
}

[[nodiscard]] bool ReplaceOnce(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup)
{
    // Flags 0: REPLACEFILE_WRITE_THROUGH is documented as unsupported, and
    // REPLACEFILE_IGNORE_ACL_ERRORS does not exist on Windows XP.
    if (ReplaceFileW(target, replacement, backup, 0, nullptr, nullptr)) {
        return true;
    }
    const DWORD error = GetLastError();
    // The original already stands under the backup name (Wine moves it there
    // first), and the replacement could not take its place.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        MoveFileExW(backup, target, MOVEFILE_WRITE_THROUGH);
    }
    SetLastError(error);
    return false;
}

} // namespace

bool ReplaceKeepingBackup(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup)
{
    return RetryingSharingViolations(
        [&] { return FlushToDisk(replacement) && ReplaceOnce(target, replacement, backup); });
}

bool RenameToNewName(const wchar_t* source, const wchar_t* target)
{
    // Without MOVEFILE_REPLACE_EXISTING: a file that appeared at `target`
    // meanwhile makes the move fail instead of being overwritten.
    return RetryingSharingViolations(
        [&] { return FlushToDisk(source) && MoveFileExW(source, target, MOVEFILE_WRITE_THROUGH); });
}

} // namespace win32
