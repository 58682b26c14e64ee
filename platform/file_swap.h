#pragma once

#include <windows.h>

namespace win32 {

// Renames that put a whole file in place of another. Each first writes the
// file that moves through to the disk and closes it again, since
// ReplaceFileW opens it without sharing. A sharing violation, as when a virus
// scanner is still reading a file that was just written, is retried for up
// to a second. On failure GetLastError tells why.

// Puts `replacement` in place of the existing `target` with ReplaceFileW and
// keeps what `target` held as `backup` (an earlier backup is replaced). When
// the call fails after it has moved `target` to `backup`, `target` is moved
// back, so a failure leaves `target` as it was.
[[nodiscard]] bool ReplaceKeepingBackup(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup);

// Renames `source` to `target` with MoveFileExW, which fails when anything
// stands at `target`: nothing is overwritten.
[[nodiscard]] bool RenameToNewName(const wchar_t* source, const wchar_t* target);

} // namespace win32
