#pragma once

#include "logic/platform_services.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A platform in memory: folders and files in maps, canned results for the
// network, and a log of every call with the arguments it received. A site
// check logs "SiteReached()" when its answer is asked for and "~SiteCheck()"
// when it is let go of; "StartSiteCheck" failing gives no check, and
// "SiteReached" failing a site that was not reached.
class FakePlatform final : public PlatformServices {
public:
    std::optional<std::wstring> userProfile;
    std::set<std::wstring> folders;
    std::map<std::wstring, std::string> files;
    // Held by another program without sharing: opening, renaming and deleting fail.
    std::set<std::wstring> heldExclusively;
    // Held by another program that shares reading only: opening works, renaming and deleting fail.
    std::set<std::wstring> heldForReading;
    // False: neither the probe nor the download reaches the site.
    bool online = true;
    // Why the download fails, if it does; it writes what is published anyway,
    // so that a test can tell that a failed download is never read.
    DownloadFailure downloadFailure = DownloadFailure::None;
    // What a download writes; nothing when unset.
    std::optional<std::string> published;
    // Set by GiveUpWaiting: every later probe and download fails.
    bool givenUp = false;
    // Runs while a download waits, as the program's messages do meanwhile.
    std::function<void()> duringDownload;
    // Calls that fail, by name, whatever the state: "IsFolder" answers false,
    // "OpenForReading" null, "Exists" true (something is in the way), and so on.
    std::set<std::wstring> failing;
    // Largest read a file answers, so that tests can split files into small reads.
    size_t readSize = SIZE_MAX;

    std::vector<std::wstring> calls;

    // The calls to `name` alone, in order.
    std::vector<std::wstring> CallsTo(std::wstring_view name) const;
    // The log without the text conversions.
    std::vector<std::wstring> CallsBesidesConversions() const;

    bool ReadVariable(const wchar_t* name, std::span<wchar_t> value) override;
    bool IsFolder(const wchar_t* path) override;
    std::unique_ptr<SiteCheck> StartSiteCheck(const wchar_t* url, std::chrono::milliseconds limit) override;
    DownloadResult Download(const wchar_t* url, const wchar_t* path, const DownloadLimits& limits) override;
    void GiveUpWaiting() override;
    bool Exists(const wchar_t* path) override;
    bool Replace(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup) override;
    bool Rename(const wchar_t* source, const wchar_t* target) override;
    bool Remove(const wchar_t* path) override;
    std::unique_ptr<InputFile> OpenForReading(const wchar_t* path) override;
    std::wstring_view ToWideText(std::string_view text, std::span<wchar_t> buffer) override;

private:
    bool IsHeld(const std::wstring& path) const;
    bool Fails(std::wstring_view name) const { return failing.contains(std::wstring(name)); }
};

// Widens ASCII text for comparisons and log lines.
std::wstring Widen(std::string_view text);
