#pragma once

#include "platform/platform_services.h"

// The platform services on Linux, as far as the scan benchmark needs them:
// files are read with read(2), and text is widened byte by byte, which is
// exact for the ASCII of signatures. Every other call fails as it would on a
// machine without the files or the network.
//
// Paths are wide text holding one byte of the Linux path per character
// (WidenPath), so that any path passes through unchanged.
class PosixPlatform final : public PlatformServices {
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

// A Linux path as PosixPlatform takes it: each byte one wide character.
std::wstring WidenPath(const char* path);
