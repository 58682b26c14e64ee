#pragma once

#include "match_digest.h"
#include "platform/platform_services.h"

#include <cstdint>

// Forwards every call to another platform and watches a scan on the way: it
// counts the bytes read from the files it opens and digests every text
// converted to wide text, which in a scan are exactly the signatures found,
// one conversion each, in order.
class ObservedPlatform final : public PlatformServices {
public:
    explicit ObservedPlatform(PlatformServices& inner) : inner_(inner) {}

    uint64_t bytesRead = 0;
    MatchDigest conversions;

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

private:
    PlatformServices& inner_;
};
