#pragma once

#include "download_result.h"
#include "input_file.h"
#include "network_limits.h"

#include <memory>
#include <span>
#include <string_view>

// A check under way of whether the vendor's site can be reached. Letting go
// of it without asking for its answer gives it up where it stands: nothing
// waits for it.
class SiteCheck {
public:
    SiteCheck() = default;
    SiteCheck(const SiteCheck&) = delete;
    SiteCheck& operator=(const SiteCheck&) = delete;
    virtual ~SiteCheck() = default;

    // Waits for the answer until the check's limit, counted from its start,
    // has passed: whether a connection to the site was made by then. False
    // too when the wait is given up (GiveUpWaiting). Asked for at most once.
    [[nodiscard]] virtual bool SiteReached() = 0;
};

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

    // Starts checking, beside whatever the caller does next, whether a
    // connection to the site of `url` can be made within `limit`, counted
    // from now. Null when the check cannot start, which counts as a site that
    // was not reached.
    [[nodiscard]] virtual std::unique_ptr<SiteCheck> StartSiteCheck(const wchar_t* url,
                                                                    std::chrono::milliseconds limit) = 0;

    // Downloads the newest version of `url` into `path`, bypassing any cache,
    // within `limits`, and creates `path` only once the whole file has come.
    // Fails, leaving it alone, when anything stands at `path`; a failure to
    // write it, a full volume included, fails the download and leaves nothing
    // there. Only a successful download is the published file.
    [[nodiscard]] virtual DownloadResult Download(const wchar_t* url,
                                                  const wchar_t* path,
                                                  const DownloadLimits& limits) = 0;

    // Makes a site check or download under way, and every later one, give up
    // at once, failing: the program is closing.
    virtual void GiveUpWaiting() = 0;

    // Whether anything stands at `path`: a file, a folder, or an entry that
    // cannot be looked at (one that is being deleted, for example). False only
    // when there is nothing of that name.
    [[nodiscard]] virtual bool Exists(const wchar_t* path) = 0;

    // Puts `replacement` in place of the existing file `target` with one
    // rename, after writing `replacement` through to the disk, and keeps what
    // `target` held as `backup`, replacing an earlier backup. All three are in
    // one folder, and at every instant `target` holds the old bytes or the
    // new ones. Fails when `target` is read-only. On failure nothing has
    // changed: `target`, `replacement` and `backup` are as they were.
    [[nodiscard]] virtual bool Replace(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup) = 0;

    // Renames `source` to `target`, after writing it through to the disk.
    // Fails, and changes nothing, when anything stands at `target`.
    [[nodiscard]] virtual bool Rename(const wchar_t* source, const wchar_t* target) = 0;

    // Deletes the file at `path`, one of the program's own, also when it is
    // read-only.
    [[nodiscard]] virtual bool Remove(const wchar_t* path) = 0;

    // Opens `path` for reading its bytes, without keeping other readers or
    // writers out. Null when the file is absent or cannot be opened.
    [[nodiscard]] virtual std::unique_ptr<InputFile> OpenForReading(const wchar_t* path) = 0;

    // Converts 8-bit text, in the code page of the thread's language, to wide
    // text in `buffer` and returns it. Empty when the conversion fails or does
    // not fit.
    [[nodiscard]] virtual std::wstring_view ToWideText(std::string_view text, std::span<wchar_t> buffer) = 0;
};
