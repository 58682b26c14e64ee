#pragma once

#include "logic/platform_services.h"

// The platform services on Windows, each one Win32 or runtime library call
// with the arguments that never vary filled in here.
class Win32Platform final : public PlatformServices {
public:
    [[nodiscard]] bool ReadVariable(const wchar_t* name, std::span<wchar_t> value) override;
    [[nodiscard]] bool IsFolder(const wchar_t* path) override;
    [[nodiscard]] bool CanReachSite(const wchar_t* url) override;
    [[nodiscard]] bool Download(const wchar_t* url, const wchar_t* path) override;
    [[nodiscard]] bool CopyOver(const wchar_t* source, const wchar_t* target) override;
    [[nodiscard]] bool Remove(const wchar_t* path) override;
    [[nodiscard]] std::unique_ptr<InputFile> OpenForReading(const wchar_t* path) override;
    [[nodiscard]] std::wstring_view ToWideText(std::string_view text, std::span<wchar_t> buffer) override;
};
