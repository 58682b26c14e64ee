#pragma once

#include "platform_services.h"

// The platform services on Windows: each method makes the Win32 or runtime
// call it is named after, with the arguments it is given.
class Win32Platform final : public PlatformServices {
public:
    uint32_t GetEnvironmentVariableW(const wchar_t* name, wchar_t* buffer, uint32_t size) override;
    uint32_t GetFileAttributesW(const wchar_t* path) override;
    bool InternetCheckConnectionW(const wchar_t* url, uint32_t flags, uint32_t reserved) override;
    int32_t URLDownloadToFileW(void* caller,
                               const wchar_t* url,
                               const wchar_t* fileName,
                               uint32_t reserved,
                               void* callback) override;
    bool CopyFileW(const wchar_t* existing, const wchar_t* target, bool failIfExists) override;
    int RemoveW(const wchar_t* path) override;
    std::unique_ptr<InputFile> OpenForReading(const wchar_t* path) override;
    int MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* text, int length, wchar_t* buffer, int size)
        override;
};
