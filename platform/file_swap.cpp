#include "file_swap.h"

#include "platform/own_files.h"
#include "platform/unique_handle.h"
#include "logic/wide_text.h"
#include "program_identity.h"

namespace win32 {

namespace {

// The second name fits wherever the backup's name fits.
static_assert(sizeof QMCU_SECOND_NAME_SUFFIX_W <= sizeof QMCU_BACKUP_SUFFIX_W);

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

// Runs `step` until it succeeds, fails otherwise than because another
// program has a file open, or has been retried for SharingRetryMs. Windows
// and Wine alike refuse a rename over a file that any program holds open,
// whatever its sharing, with access denied; a holder that shares too little
// makes an open or a delete fail with a sharing violation.
template <typename Step>
[[nodiscard]] bool RetryingWhileHeld(Step step)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (step()) {
            return true;
        }
        const DWORD error = GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
        if (!held || GetTickCount() - start >= SharingRetryMs) {
            return false;
        }
        Sleep(SharingPollMs);
    }
}

// Whether `path` may lose its name: not when another program holds it
// without delete sharing, as an editor may. No name of such a file can be
// removed either, so a second name made now would stay behind.
[[nodiscard]] bool MayBeRenamedOver(const wchar_t* path)
{
    const UniqueHandle file(CreateFileW(path,
                                        DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr,
                                        OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
    return file.IsValid();
}

// Whether nothing stands at `path`, or what stood there could be deleted.
[[nodiscard]] bool DeleteIfPresent(const wchar_t* path)
{
    return RetryingWhileHeld([&] {
        return DeleteOwnFile(path) || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    });
}

// A hard link is a second name for the same bytes and needs no room. A
// volume without hard links (FAT32, some network shares) gets a copy,
// which fails on a full volume and may then leave part of itself behind.
[[nodiscard]] bool MakeSecondName(const wchar_t* target, const wchar_t* second, MakeHardLink link)
{
    return link(second, target, nullptr) || CopyFileW(target, second, TRUE);
}

void RemoveSecondName(const wchar_t* second)
{
    const DWORD error = GetLastError();
    // When it cannot be deleted now, the next swap removes it first.
    static_cast<void>(DeleteIfPresent(second));
    SetLastError(error);
}

} // namespace

bool SecondNameOf(const wchar_t* target, std::span<wchar_t> second)
{
    if (second.empty()) {
        return false;
    }
    if (SetText(second.data(), second.size(), target) &&
        AppendText(second.data(), second.size(), QMCU_SECOND_NAME_SUFFIX_W)) {
        return true;
    }
    second[0] = L'\0';
    return false;
}

bool ReplaceKeepingBackup(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup, MakeHardLink link)
{
    // The installed file is the user's: a read-only one stays as it is. Its
    // second name would share the attribute, and clearing it there would
    // clear it on the user's file.
    if (IsReadOnly(target)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    wchar_t second[MAX_PATH];
    if (!SecondNameOf(target, second) || !DeleteIfPresent(second) ||
        !RetryingWhileHeld([&] { return MayBeRenamedOver(target); })) {
        return false;
    }
    if (!MakeSecondName(target, second, link)) {
        RemoveSecondName(second);
        return false;
    }
    // One rename that replaces: the target's name never stands free, unlike
    // ReplaceFileW, which moves the target away before it moves the
    // replacement in. On failure nothing has moved. The flush writes the
    // file through; MOVEFILE_WRITE_THROUGH only matters for a move done as a
    // copy and a delete, across volumes.
    const bool swapped = RetryingWhileHeld([&] {
        return FlushToDisk(replacement) &&
               MoveFileExW(replacement, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    });
    if (!swapped) {
        RemoveSecondName(second);
        return false;
    }
    ClearReadOnly(backup);
    // A failure leaves the earlier backup as it was and the old file under
    // the second name, which the next swap removes first.
    static_cast<void>(RetryingWhileHeld(
        [&] { return MoveFileExW(second, backup, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH); }));
    return true;
}

bool RenameToNewName(const wchar_t* source, const wchar_t* target)
{
    // Without MOVEFILE_REPLACE_EXISTING: a file that appeared at `target`
    // meanwhile makes the move fail instead of being overwritten.
    return RetryingWhileHeld(
        [&] { return FlushToDisk(source) && MoveFileExW(source, target, MOVEFILE_WRITE_THROUGH); });
}

} // namespace win32
