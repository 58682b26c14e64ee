#pragma once

#include <string_view>

namespace win32 {

// The files that the program itself makes in the commands folder (the
// download, the backup and the swap's second name), which nobody else is
// meant to write. A read-only attribute on one of them, left by an earlier
// run, a copy or a user, must never block the program for good.

// Creates `path` new, writes all of `bytes` to it, flushes it to the disk and
// closes it. Fails when anything stands at `path` already, which is then left
// alone, and when any step fails, a full volume included: the file it
// created is then deleted again. On failure GetLastError tells why.
[[nodiscard]] bool WriteNewFile(const wchar_t* path, std::string_view bytes);

// Whether the file at `path` has the read-only attribute; false when nothing
// is there.
[[nodiscard]] bool IsReadOnly(const wchar_t* path);

// Clears the read-only attribute of `path`, when there is one.
void ClearReadOnly(const wchar_t* path);

// Deletes the file at `path` by its wide path, read-only or not.
[[nodiscard]] bool DeleteOwnFile(const wchar_t* path);

} // namespace win32
