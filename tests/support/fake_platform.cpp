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

std::wstring Flag(bool value)
{
    return value ? L"true" : L"false";
}

std::wstring Pointer(const void* pointer)
{
    return pointer ? L"object" : L"null";
}

std::wstring Bytes(const char* text, int length)
{
    return Widen(length < 0 ? std::string_view(text) : std::string_view(text, static_cast<size_t>(length)));
}

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
        return !call.starts_with(L"MultiByteToWideChar(");
    });
    return rest;
}

bool FakePlatform::IsHeld(const std::wstring& path) const
{
    return heldExclusively.contains(path) || heldForReading.contains(path);
}

uint32_t FakePlatform::GetEnvironmentVariableW(const wchar_t* name, wchar_t* buffer, uint32_t size)
{
    calls.push_back(L"GetEnvironmentVariableW(" + std::wstring(name) + L", " + std::to_wstring(size) + L")");
    if (Fails(L"GetEnvironmentVariableW") || std::wstring(name) != L"USERPROFILE" || !userProfile) {
        return 0;
    }
    const size_t needed = userProfile->size() + 1;
    if (needed > size) {
        return static_cast<uint32_t>(needed);
    }
    std::copy(userProfile->c_str(), userProfile->c_str() + needed, buffer);
    return static_cast<uint32_t>(userProfile->size());
}

uint32_t FakePlatform::GetFileAttributesW(const wchar_t* path)
{
    calls.push_back(L"GetFileAttributesW(" + std::wstring(path) + L")");
    if (Fails(L"GetFileAttributesW")) {
        return win32::InvalidFileAttributes;
    }
    if (folders.contains(path)) {
        return win32::FileAttributeDirectory;
    }
    return files.contains(path) ? 0x20u : win32::InvalidFileAttributes;
}

bool FakePlatform::InternetCheckConnectionW(const wchar_t* url, uint32_t flags, uint32_t reserved)
{
    calls.push_back(L"InternetCheckConnectionW(" + std::wstring(url) + L", " + std::to_wstring(flags) + L", " +
                    std::to_wstring(reserved) + L")");
    return online && !Fails(L"InternetCheckConnectionW");
}

int32_t FakePlatform::URLDownloadToFileW(void* caller,
                                         const wchar_t* url,
                                         const wchar_t* fileName,
                                         uint32_t reserved,
                                         void* callback)
{
    calls.push_back(L"URLDownloadToFileW(" + Pointer(caller) + L", " + url + L", " + fileName + L", " +
                    std::to_wstring(reserved) + L", " + Pointer(callback) + L")");
    if (Fails(L"URLDownloadToFileW")) {
        return static_cast<int32_t>(0x800C0008); // INET_E_DOWNLOAD_FAILURE
    }
    if (downloadResult >= 0 && published) {
        files[fileName] = *published;
    }
    return downloadResult;
}

bool FakePlatform::CopyFileW(const wchar_t* existing, const wchar_t* target, bool failIfExists)
{
    calls.push_back(L"CopyFileW(" + std::wstring(existing) + L", " + target + L", " + Flag(failIfExists) + L")");
    const auto source = files.find(existing);
    if (Fails(L"CopyFileW") || source == files.end() || heldExclusively.contains(existing) || IsHeld(target)) {
        return false;
    }
    files[target] = source->second;
    return true;
}

int FakePlatform::RemoveW(const wchar_t* path)
{
    calls.push_back(L"RemoveW(" + std::wstring(path) + L")");
    if (Fails(L"RemoveW") || IsHeld(path)) {
        return -1;
    }
    return files.erase(path) == 1 ? 0 : -1;
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

int FakePlatform::MultiByteToWideChar(uint32_t codePage,
                                      uint32_t flags,
                                      const char* text,
                                      int length,
                                      wchar_t* buffer,
                                      int size)
{
    calls.push_back(L"MultiByteToWideChar(" + std::to_wstring(codePage) + L", " + std::to_wstring(flags) + L", " +
                    Bytes(text, length < 0 ? -1 : length - 1) + L", " + std::to_wstring(length) + L", " +
                    std::to_wstring(size) + L")");
    const std::wstring wide = Bytes(text, length < 0 ? -1 : length - 1) + L'\0';
    if (Fails(L"MultiByteToWideChar") || static_cast<int>(wide.size()) > size) {
        return 0;
    }
    std::copy(wide.begin(), wide.end(), buffer);
    return static_cast<int>(wide.size());
}
