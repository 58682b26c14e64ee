#pragma once

#include "unique_handle.h"
#include "logic/platform_services.h"

// The platform services on Windows, each one Win32 or runtime library call
// with the arguments that never vary filled in here. The probe and the
// download wait on the calling thread while dispatching its messages, so a
// dialog that runs a check stays responsive, and GiveUpWaiting, from one of
// its handlers, ends them at once. A site check must not outlive the
// platform that started it.
class Win32Platform final : public PlatformServices {
public:
    Win32Platform();

    [[nodiscard]] bool ReadVariable(const wchar_t* name, std::span<wchar_t> value) override;
    [[nodiscard]] bool IsFolder(const wchar_t* path) override;
    [[nodiscard]] std::unique_ptr<SiteCheck> StartSiteCheck(const wchar_t* url,
                                                            std::chrono::milliseconds limit) override;
    [[nodiscard]] DownloadResult Download(const wchar_t* url,
                                          const wchar_t* path,
                                          const DownloadLimits& limits) override;
    void GiveUpWaiting() override;
    [[nodiscard]] bool Exists(const wchar_t* path) override;
    [[nodiscard]] bool Replace(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup) override;
    [[nodiscard]] bool Rename(const wchar_t* source, const wchar_t* target) override;
    [[nodiscard]] bool Remove(const wchar_t* path) override;
    [[nodiscard]] std::unique_ptr<InputFile> OpenForReading(const wchar_t* path) override;
    [[nodiscard]] std::wstring_view ToWideText(std::string_view text, std::span<wchar_t> buffer) override;

private:
    // Set once the waits are to give up; it stays set.
    UniqueHandle givingUp_;
};
