#pragma once

#include "input_file.h"

#include <memory>
#include <span>
#include <string_view>

// What the update logic asks of the system: the environment, files and the
// network, in the logic's own terms. Each method is one operation of the
// system, so that a test can make any one of them fail.
class PlatformServices {
public:
    PlatformServices() = default;
    PlatformServices(const PlatformServices&) = delete;
    PlatformServices& operator=(const PlatformServices&) = delete;
    virtual ~PlatformServices() = default;

    // Copies the value of the environment variable `name`, terminated, into
    // `value`; an unset variable gives the empty text. Returns false, leaving
    // the empty text, when the value does not fit.
    [[nodiscard]] virtual bool ReadVariable(const wchar_t* name, std::span<wchar_t> value) = 0;

    // Whether `path` names an existing folder (not a file).
    [[nodiscard]] virtual bool IsFolder(const wchar_t* path) = 0;

    // Whether a connection to the site of `url` can be made.
    [[nodiscard]] virtual bool CanReachSite(const wchar_t* url) = 0;

    // Downloads `url` into `path`, creating or replacing the file. Returns
    // whether the download call reports success.
    [[nodiscard]] virtual bool Download(const wchar_t* url, const wchar_t* path) = 0;

    // Copies `source` over `target`, which is created or overwritten.
    [[nodiscard]] virtual bool CopyOver(const wchar_t* source, const wchar_t* target) = 0;

    // Deletes the file at `path`.
    [[nodiscard]] virtual bool Remove(const wchar_t* path) = 0;

    // Opens `path` for reading its bytes, without keeping other readers or
    // writers out. Null when the file is absent or cannot be opened.
    [[nodiscard]] virtual std::unique_ptr<InputFile> OpenForReading(const wchar_t* path) = 0;

    // Converts 8-bit text, in the code page of the thread's language, to wide
    // text in `buffer` and returns it. Empty when the conversion fails or does
    // not fit.
    [[nodiscard]] virtual std::wstring_view ToWideText(std::string_view text, std::span<wchar_t> buffer) = 0;
};
