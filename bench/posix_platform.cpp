#include "posix_platform.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int32_t EFail = static_cast<int32_t>(0x80004005u);

std::string NarrowPath(const wchar_t* path)
{
    std::string narrow;
    for (; *path != L'\0'; ++path) {
        narrow += static_cast<char>(*path);
    }
    return narrow;
}

class PosixFile final : public InputFile {
public:
    explicit PosixFile(int descriptor) : descriptor_(descriptor) {}
    ~PosixFile() override { close(descriptor_); }

    size_t Read(char* buffer, size_t size) override
    {
        for (;;) {
            const ssize_t read = ::read(descriptor_, buffer, size);
            if (read >= 0) {
                return static_cast<size_t>(read);
            }
            if (errno != EINTR) {
                return 0;
            }
        }
    }

private:
    int descriptor_;
};

} // namespace

std::wstring WidenPath(const char* path)
{
    std::wstring wide;
    for (; *path != '\0'; ++path) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*path));
    }
    return wide;
}

uint32_t PosixPlatform::GetEnvironmentVariableW(const wchar_t*, wchar_t*, uint32_t)
{
    return 0;
}

uint32_t PosixPlatform::GetFileAttributesW(const wchar_t*)
{
    return win32::InvalidFileAttributes;
}

bool PosixPlatform::InternetCheckConnectionW(const wchar_t*, uint32_t, uint32_t)
{
    return false;
}

int32_t PosixPlatform::URLDownloadToFileW(void*, const wchar_t*, const wchar_t*, uint32_t, void*)
{
    return EFail;
}

bool PosixPlatform::CopyFileW(const wchar_t*, const wchar_t*, bool)
{
    return false;
}

int PosixPlatform::RemoveW(const wchar_t*)
{
    return -1;
}

std::unique_ptr<InputFile> PosixPlatform::OpenForReading(const wchar_t* path)
{
    const int descriptor = open(NarrowPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return nullptr;
    }
    // As FILE_FLAG_SEQUENTIAL_SCAN tells Windows: read ahead, read once.
    posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixFile>(descriptor);
}

int PosixPlatform::MultiByteToWideChar(uint32_t, uint32_t, const char* text, int length, wchar_t* buffer, int size)
{
    const size_t count = length < 0 ? std::strlen(text) + 1 : static_cast<size_t>(length);
    if (count > static_cast<size_t>(size)) {
        return 0;
    }
    for (size_t i = 0; i < count; ++i) {
        buffer[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    }
    return static_cast<int>(count);
}
