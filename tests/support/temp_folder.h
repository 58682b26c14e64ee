#pragma once

#include "platform/unique_handle.h"

#include <string>
#include <vector>

// A fresh folder under the temporary folder, deleted with its contents when
// destroyed.
class TempFolder {
public:
    // `name` becomes part of the folder's name, which may hold any characters.
    // It is made in `parent`, or in the temporary folder when that is empty.
    explicit TempFolder(const std::wstring& name, const std::wstring& parent = L"");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a trailing backslash.
    [[nodiscard]] const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

// The names of the entries in `folder`, sorted.
std::vector<std::wstring> FolderEntries(const std::wstring& folder);

// The paths of the files below `folder`, in its subfolders too, sorted.
std::vector<std::wstring> FilesBelow(const std::wstring& folder);

// Creates `path` and every missing folder above it.
void CreateFolders(const std::wstring& path);

void WriteFileBytes(const std::wstring& path, const std::string& content);
// The file's bytes, or "<missing>" when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
[[nodiscard]] bool FileExists(const std::wstring& path);

// Opens the file for reading and writing, as another program would, letting
// others share it as `share` allows (0: not at all), until the handle closes.
[[nodiscard]] UniqueHandle HoldFile(const std::wstring& path, DWORD share);
