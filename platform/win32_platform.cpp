#include "win32_platform.h"

#include "debug_line.h"
#include "file_swap.h"
#include "own_files.h"
#include "win32_network.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <new>

namespace {

class Win32File final : public InputFile {
public:
    explicit Win32File(UniqueHandle handle) : handle_(std::move(handle)) {}

    size_t Read(char* buffer, size_t size) override
    {
        DWORD read = 0;
        const auto chunk = static_cast<DWORD>(std::min<size_t>(size, MAXDWORD));
        if (!ReadFile(handle_.Get(), buffer, chunk, &read, nullptr)) {
            return 0;
        }
        return read;
    }

private:
    UniqueHandle handle_;
};

// `done`, after a debug line on `path` when the step failed; the Win32 error
// is read at once.
bool Reported(bool done, const wchar_t* what, const wchar_t* why, const wchar_t* path)
{
    if (!done) {
        win32::ReportFailure(what, why, path, GetLastError());
    }
    return done;
}

} // namespace

Win32Platform::Win32Platform() : givingUp_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

bool Win32Platform::ReadVariable(const wchar_t* name, std::span<wchar_t> value)
{
    if (value.empty()) {
        return false;
    }
    const auto size = static_cast<DWORD>(std::min<size_t>(value.size(), MAXDWORD));
    // A value that does not fit comes back as the size it needs, terminator
    // included, and the buffer is left alone; an unset one as 0.
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    if (length == 0 || length >= size) {
        value[0] = L'\0';
    }
    return length < size;
}

bool Win32Platform::IsFolder(const wchar_t* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::unique_ptr<SiteCheck> Win32Platform::StartSiteCheck(const wchar_t* url, std::chrono::milliseconds limit)
{
    return win32::StartProbe(url, limit, givingUp_.Get());
}

DownloadResult Win32Platform::Download(const wchar_t* url, const wchar_t* path, const DownloadLimits& limits)
{
    // Only this thread writes the file, and only once the whole body is here:
    // a network call given up on has nothing to write with.
    const win32::FetchedFile fetched = win32::FetchIntoMemory(url, limits, givingUp_.Get());
    if (!fetched.outcome.Succeeded()) {
        win32::ReportFailure(L"download failed", fetched.outcome, url);
        return fetched.outcome.result;
    }
    if (!win32::WriteNewFile(path, fetched.body.View())) {
        win32::ReportFailure(L"download failed", L"the file cannot be written", path, GetLastError());
        return {DownloadFailure::Other, fetched.outcome.result.httpStatus};
    }
    return fetched.outcome.result;
}

void Win32Platform::GiveUpWaiting()
{
    SetEvent(givingUp_.Get());
}

bool Win32Platform::Exists(const wchar_t* path)
{
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    // A file that is being deleted, or one in a folder that cannot be read,
    // fails with another error, and still stands in the way.
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool Win32Platform::Replace(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup)
{
    return Reported(win32::ReplaceKeepingBackup(target, replacement, backup),
                    L"update failed",
                    L"the download cannot replace the installed file",
                    target);
}

bool Win32Platform::Rename(const wchar_t* source, const wchar_t* target)
{
    return Reported(win32::RenameToNewName(source, target),
                    L"install failed",
                    L"the download cannot take the installed file's name",
                    target);
}

bool Win32Platform::Remove(const wchar_t* path)
{
    if (win32::DeleteOwnFile(path)) {
        return true;
    }
    // Nothing to delete is no failure to report.
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
        win32::ReportFailure(L"delete failed", L"the file cannot be deleted", path, error);
    }
    return false;
}

std::unique_ptr<InputFile> Win32Platform::OpenForReading(const wchar_t* path)
{
    // Others may go on reading and writing the file while it is open here.
    UniqueHandle handle(CreateFileW(path,
                                    GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr,
                                    OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                    nullptr));
    if (!handle.IsValid()) {
        return nullptr;
    }
    // Null, as for a file that cannot be opened, when memory cannot be had.
    return std::unique_ptr<InputFile>(new (std::nothrow) Win32File(std::move(handle)));
}

std::wstring_view Win32Platform::ToWideText(std::string_view text, std::span<wchar_t> buffer)
{
    if (text.size() > INT_MAX || buffer.size() > INT_MAX) {
        return {};
    }
    const int converted = MultiByteToWideChar(CP_THREAD_ACP,
                                              0,
                                              text.data(),
                                              static_cast<int>(text.size()),
                                              buffer.data(),
                                              static_cast<int>(buffer.size()));
    return {buffer.data(), static_cast<size_t>(converted)};
}
