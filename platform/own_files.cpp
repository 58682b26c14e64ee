#include "own_files.h"

#include "platform/unique_handle.h"

#include <windows.h>

#include <algorithm>

namespace win32 {

namespace {

[[nodiscard]] bool WriteAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

bool WriteNewFile(const wchar_t* path, std::string_view bytes)
{
    // CREATE_NEW: a file that appeared meanwhile is never written over.
    UniqueHandle file(
        CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        return false;
    }
    const bool written = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get());
    const DWORD error = GetLastError();
    // Closing can still report a failed write of a network volume.
    const bool closed = CloseHandle(file.Release()) != FALSE;
    if (written && closed) {
        return true;
    }
    DeleteFileW(path);
    SetLastError(written ? ERROR_WRITE_FAULT : error);
    return false;
}

bool IsReadOnly(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void ClearReadOnly(const wchar_t* path)
{
    if (IsReadOnly(path)) {
        SetFileAttributesW(path, GetFileAttributesW(path) & ~FILE_ATTRIBUTE_READONLY);
    }
}

bool DeleteOwnFile(const wchar_t* path)
{
    // Windows refuses to delete a read-only file, and Wine refuses a file
    // without write bits even to root.
    ClearReadOnly(path);
    return DeleteFileW(path) != FALSE;
}

} // namespace win32
