#include "win32_platform.h"

#include "unique_handle.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>

static_assert(win32::InvalidFileAttributes == INVALID_FILE_ATTRIBUTES);
static_assert(win32::FileAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(win32::FlagIccForceConnection == FLAG_ICC_FORCE_CONNECTION);
static_assert(win32::CpThreadAcp == CP_THREAD_ACP);

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

} // namespace

uint32_t Win32Platform::GetEnvironmentVariableW(const wchar_t* name, wchar_t* buffer, uint32_t size)
{
    return ::GetEnvironmentVariableW(name, buffer, size);
}

uint32_t Win32Platform::GetFileAttributesW(const wchar_t* path)
{
    return ::GetFileAttributesW(path);
}

bool Win32Platform::InternetCheckConnectionW(const wchar_t* url, uint32_t flags, uint32_t reserved)
{
    return ::InternetCheckConnectionW(url, flags, reserved) != FALSE;
}

int32_t Win32Platform::URLDownloadToFileW(void* caller,
                                          const wchar_t* url,
                                          const wchar_t* fileName,
                                          uint32_t reserved,
                                          void* callback)
{
    return ::URLDownloadToFileW(static_cast<IUnknown*>(caller),
                                url,
                                fileName,
                                reserved,
                                static_cast<IBindStatusCallback*>(callback));
}

bool Win32Platform::CopyFileW(const wchar_t* existing, const wchar_t* target, bool failIfExists)
{
    return ::CopyFileW(existing, target, failIfExists ? TRUE : FALSE) != FALSE;
}

int Win32Platform::RemoveW(const wchar_t* path)
{
    return ::_wremove(path);
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
    return std::make_unique<Win32File>(std::move(handle));
}

int Win32Platform::MultiByteToWideChar(uint32_t codePage,
                                       uint32_t flags,
                                       const char* text,
                                       int length,
                                       wchar_t* buffer,
                                       int size)
{
    return ::MultiByteToWideChar(codePage, flags, text, length, buffer, size);
}
