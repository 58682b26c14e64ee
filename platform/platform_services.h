#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The calls through which the update logic reaches the environment, files and
// network. Each method mirrors one Win32 or runtime call and takes the same
// arguments, in std types, so the logic builds without <windows.h> and tests
// can record exactly what it passes.

// Values of the Win32 API that the logic passes or tests. The Win32
// implementation checks them against <windows.h> at compile time.
namespace win32 {
inline constexpr uint32_t InvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr uint32_t FileAttributeDirectory = 0x10u;
inline constexpr uint32_t FlagIccForceConnection = 1u;
inline constexpr uint32_t CpThreadAcp = 3u;
} // namespace win32

// A file opened for reading, closed when destroyed.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    virtual ~InputFile() = default;

    // Reads up to `size` bytes into `buffer`. Returns the number read; 0 means
    // the end of the file or a read error, which the logic treats alike.
    virtual size_t Read(char* buffer, size_t size) = 0;
};

class PlatformServices {
public:
    PlatformServices() = default;
    PlatformServices(const PlatformServices&) = delete;
    PlatformServices& operator=(const PlatformServices&) = delete;
    virtual ~PlatformServices() = default;

    // Copies the variable's value and its terminator into `buffer` when they fit
    // in `size` characters and returns the value's length. When they do not fit
    // it leaves `buffer` alone and returns the size needed, terminator included.
    // Returns 0 for an unset variable.
    virtual uint32_t GetEnvironmentVariableW(const wchar_t* name, wchar_t* buffer, uint32_t size) = 0;

    // Attributes of `path`, or win32::InvalidFileAttributes when it is absent.
    virtual uint32_t GetFileAttributesW(const wchar_t* path) = 0;

    // True when a connection to the site of `url` can be made.
    virtual bool InternetCheckConnectionW(const wchar_t* url, uint32_t flags, uint32_t reserved) = 0;

    // Downloads `url` into `fileName`, creating or replacing it. Returns an
    // HRESULT: negative on failure.
    virtual int32_t URLDownloadToFileW(void* caller,
                                       const wchar_t* url,
                                       const wchar_t* fileName,
                                       uint32_t reserved,
                                       void* callback) = 0;

    // Copies `existing` to `target`; with `failIfExists` false an existing
    // target is overwritten. True on success.
    virtual bool CopyFileW(const wchar_t* existing, const wchar_t* target, bool failIfExists) = 0;

    // The runtime library's remove, given a wide path (_wremove). 0 on success.
    virtual int RemoveW(const wchar_t* path) = 0;

    // Opens `path` for reading in binary mode without keeping other readers or
    // writers out. Null when the file is absent or cannot be opened.
    virtual std::unique_ptr<InputFile> OpenForReading(const wchar_t* path) = 0;

    // Converts `length` bytes of `text` (-1: up to and including its
    // terminator) from `codePage` into at most `size` wide characters at
    // `buffer`. Returns the number of wide characters written, 0 on failure.
    virtual int MultiByteToWideChar(uint32_t codePage,
                                    uint32_t flags,
                                    const char* text,
                                    int length,
                                    wchar_t* buffer,
                                    int size) = 0;
};
