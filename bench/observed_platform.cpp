#include "observed_platform.h"

#include <cstring>

namespace {

// A file that adds the size of every read to a counter.
class CountedFile final : public InputFile {
public:
    CountedFile(std::unique_ptr<InputFile> inner, uint64_t& counter) : inner_(std::move(inner)), counter_(counter) {}

    size_t Read(char* buffer, size_t size) override
    {
        const size_t read = inner_->Read(buffer, size);
        counter_ += read;
        return read;
    }

private:
    std::unique_ptr<InputFile> inner_;
    uint64_t& counter_;
};

} // namespace

uint32_t ObservedPlatform::GetEnvironmentVariableW(const wchar_t* name, wchar_t* buffer, uint32_t size)
{
    return inner_.GetEnvironmentVariableW(name, buffer, size);
}

uint32_t ObservedPlatform::GetFileAttributesW(const wchar_t* path)
{
    return inner_.GetFileAttributesW(path);
}

bool ObservedPlatform::InternetCheckConnectionW(const wchar_t* url, uint32_t flags, uint32_t reserved)
{
    return inner_.InternetCheckConnectionW(url, flags, reserved);
}

int32_t ObservedPlatform::URLDownloadToFileW(void* caller,
                                             const wchar_t* url,
                                             const wchar_t* fileName,
                                             uint32_t reserved,
                                             void* callback)
{
    return inner_.URLDownloadToFileW(caller, url, fileName, reserved, callback);
}

bool ObservedPlatform::CopyFileW(const wchar_t* existing, const wchar_t* target, bool failIfExists)
{
    return inner_.CopyFileW(existing, target, failIfExists);
}

int ObservedPlatform::RemoveW(const wchar_t* path)
{
    return inner_.RemoveW(path);
}

std::unique_ptr<InputFile> ObservedPlatform::OpenForReading(const wchar_t* path)
{
    std::unique_ptr<InputFile> file = inner_.OpenForReading(path);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<CountedFile>(std::move(file), bytesRead);
}

int ObservedPlatform::MultiByteToWideChar(uint32_t codePage,
                                          uint32_t flags,
                                          const char* text,
                                          int length,
                                          wchar_t* buffer,
                                          int size)
{
    // The text without its terminator: -1 means up to it, and a count may include it.
    size_t bytes = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    if (bytes > 0 && text[bytes - 1] == '\0') {
        --bytes;
    }
    conversions.AddMatch(text, bytes);
    return inner_.MultiByteToWideChar(codePage, flags, text, length, buffer, size);
}
