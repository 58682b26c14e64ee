#pragma once

#include <windows.h>

#include <span>

namespace win32 {

// Renames that put a whole file in place of another. Each first writes the
// file that moves through to the disk. A sharing violation or a refused
// access, as when a virus scanner is still reading a file that was just
// written, is retried for up to a second. On failure GetLastError tells why.

// Gives a file a second name: CreateHardLinkW, or a stand-in in tests.
using MakeHardLink = BOOL(WINAPI*)(LPCWSTR newName, LPCWSTR existingName, LPSECURITY_ATTRIBUTES attributes);

// Writes to `second` the name under which ReplaceKeepingBackup keeps what
// `target` held until it becomes the backup: `target` with the identity's
// second-name suffix (".old") added, no longer than a backup named `target`
// with the backup suffix (".bak") added. False, leaving `second` empty, when
// it does not fit.
[[nodiscard]] bool SecondNameOf(const wchar_t* target, std::span<wchar_t> second);

// Puts `replacement` in place of the existing `target` and keeps what
// `target` held as `backup`, in this order:
// - removes whatever an earlier swap left under the second name;
// - gives `target` the second name with `link`, needing no room, or where the
//   volume has no hard links, copies it there;
// - renames `replacement` over `target` in one step, so that at every instant
//   `target` names the old file or the new one;
// - only then renames the second name over `backup`.
// Fails, and changes nothing (the second name is removed again), when
// `target` is read-only or held without delete sharing, the second name
// cannot be made or the rename fails.
// Once the rename has succeeded the swap has succeeded: should `backup` stay
// blocked, it keeps the earlier backup and the old file stays under the
// second name until the next swap.
[[nodiscard]] bool ReplaceKeepingBackup(const wchar_t* target,
                                        const wchar_t* replacement,
                                        const wchar_t* backup,
                                        MakeHardLink link = CreateHardLinkW);

// Renames `source` to `target` with MoveFileExW, which fails when anything
// stands at `target`: nothing is overwritten.
[[nodiscard]] bool RenameToNewName(const wchar_t* source, const wchar_t* target);

} // namespace win32
