#include "fake_platform.h"

#include <algorithm>
#include <cstring>

namespace {

class MemoryFile final : public InputFile {
public:
    MemoryFile(std::string content, size_t readSize) : content_(std::move(content)), readSize_(readSize) {}

    size_t Read(char* buffer, size_t size) override
    {
        const size_t count = std::min({size, readSize_, content_.size() - position_});
        std::memcpy(buffer, content_.data() + position_, count);
        position_ += count;
        return count;
    }

private:
    std::string content_;
    size_t readSize_;
    size_t position_ = 0;
};

// Answers from the platform's state when asked, as a probe that ran all along.
class FakeSiteCheck final : public SiteCheck {
public:
    explicit FakeSiteCheck(FakePlatform& platform) : platform_(platform) {}
    ~FakeSiteCheck() override { platform_.calls.push_back(L"~SiteCheck()"); }

    bool SiteReached() override
    {
        platform_.calls.push_back(L"SiteReached()");
        return platform_.online && !platform_.givenUp && !platform_.failing.contains(L"SiteReached");
    }

private:
    FakePlatform& platform_;
};

} // namespace

std::wstring Widen(std::string_view text)
{
    std::wstring wide;
    for (char c : text) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return wide;
}

std::vector<std::wstring> FakePlatform::CallsTo(std::wstring_view name) const
{
    std::vector<std::wstring> matching;
    for (const std::wstring& call : calls) {
        if (call.starts_with(name) && call.size() > name.size() && call[name.size()] == L'(') {
            matching.push_back(call);
        }
    }
    return matching;
}

std::vector<std::wstring> FakePlatform::CallsBesidesConversions() const
{
    std::vector<std::wstring> rest;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(rest), [](const std::wstring& call) {
        return !call.starts_with(L"ToWideText(");
    });
    return rest;
}

bool FakePlatform::IsHeld(const std::wstring& path) const
{
    return heldExclusively.contains(path) || heldForReading.contains(path);
}

bool FakePlatform::ReadVariable(const wchar_t* name, std::span<wchar_t> value)
{
    calls.push_back(L"ReadVariable(" + std::wstring(name) + L", " + std::to_wstring(value.size()) + L")");
    value[0] = L'\0';
    if (Fails(L"ReadVariable")) {
        return false;
    }
    if (std::wstring(name) != L"USERPROFILE" || !userProfile) {
        return true;
    }
    if (userProfile->size() + 1 > value.size()) {
        return false;
    }
    std::copy(userProfile->c_str(), userProfile->c_str() + userProfile->size() + 1, value.begin());
    return true;
}

bool FakePlatform::IsFolder(const wchar_t* path)
{
    calls.push_back(L"IsFolder(" + std::wstring(path) + L")");
    return !Fails(L"IsFolder") && folders.contains(path);
}

std::unique_ptr<SiteCheck> FakePlatform::StartSiteCheck(const wchar_t* url, std::chrono::milliseconds limit)
{
    calls.push_back(L"StartSiteCheck(" + std::wstring(url) + L", " + std::to_wstring(limit.count()) + L" ms)");
    if (Fails(L"StartSiteCheck")) {
        return nullptr;
    }
    return std::make_unique<FakeSiteCheck>(*this);
}

DownloadResult FakePlatform::Download(const wchar_t* url, const wchar_t* path, const DownloadLimits& limits)
{
    calls.push_back(L"Download(" + std::wstring(url) + L", " + path + L", " + std::to_wstring(limits.silence.count()) +
                    L" ms silence, " + std::to_wstring(limits.total.count()) + L" ms total, " +
                    std::to_wstring(limits.maxBytes) + L" bytes)");
    if (duringDownload) {
        duringDownload();
    }
    if (Fails(L"Download") || givenUp || !online) {
        return {DownloadFailure::Other};
    }
    if (published) {
        files[path] = *published;
    }
    return {downloadFailure, downloadFailure == DownloadFailure::HttpStatus ? 500 : 200};
}

void FakePlatform::GiveUpWaiting()
{
    calls.push_back(L"GiveUpWaiting()");
    givenUp = true;
}

bool FakePlatform::Exists(const wchar_t* path)
{
    calls.push_back(L"Exists(" + std::wstring(path) + L")");
    return Fails(L"Exists") || files.contains(path) || folders.contains(path);
}

bool FakePlatform::Replace(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup)
{
    calls.push_back(L"Replace(" + std::wstring(target) + L", " + replacement + L", " + backup + L")");
    if (Fails(L"Replace") || !files.contains(target) || !files.contains(replacement) || IsHeld(target) ||
        IsHeld(replacement) || IsHeld(backup)) {
        return false;
    }
    files[backup] = files[target];
    files[target] = files[replacement];
    files.erase(replacement);
    return true;
}

bool FakePlatform::Rename(const wchar_t* source, const wchar_t* target)
{
    calls.push_back(L"Rename(" + std::wstring(source) + L", " + target + L")");
    if (Fails(L"Rename") || !files.contains(source) || IsHeld(source) || files.contains(target) ||
        folders.contains(target)) {
        return false;
    }
    files[target] = files[source];
    files.erase(source);
    return true;
}

bool FakePlatform::Remove(const wchar_t* path)
{
    calls.push_back(L"Remove(" + std::wstring(path) + L")");
    return !Fails(L"Remove") && !IsHeld(path) && files.erase(path) == 1;
}

std::unique_ptr<InputFile> FakePlatform::OpenForReading(const wchar_t* path)
{
    calls.push_back(L"OpenForReading(" + std::wstring(path) + L")");
    const auto file = files.find(path);
    if (Fails(L"OpenForReading") || file == files.end() || heldExclusively.contains(path)) {
        return nullptr;
    }
    return std::make_unique<MemoryFile>(file->second, readSize);
}

std::wstring_view FakePlatform::ToWideText(std::string_view text, std::span<wchar_t> buffer)
{
    calls.push_back(L"ToWideText(" + Widen(text) + L", " + std::to_wstring(buffer.size()) + L")");
    if (Fails(L"ToWideText") || text.size() > buffer.size()) {
        return {};
    }
    const std::wstring wide = Widen(text);
    std::copy(wide.begin(), wide.end(), buffer.begin());
    return {buffer.data(), wide.size()};
}
