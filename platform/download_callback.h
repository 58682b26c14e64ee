#pragma once

#include "logic/download_result.h"

#include <windows.h>
#include <urlmon.h>

#include <optional>

namespace win32 {

// The bind-status callback of one watched download, which also answers
// IHttpNegotiate for the reply's status and headers. It is shared by two
// threads: the one that runs URLDownloadToFileW makes every callback, and the
// one that watches it calls Stop and LastProgressTick; the rest is read once
// the call has returned. Reference-counted as COM wants it: the creator holds
// the first reference and lets go with Release.
class DownloadCallback final : public IBindStatusCallback, public IHttpNegotiate {
public:
    // What GetBindInfo asks for: always a fresh copy from the server, nothing
    // written to the cache, and no cached copy from a proxy either.
    static constexpr DWORD BindFlags = BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;

    // Gives up, from OnProgress, once the announced length or the bytes
    // received pass `maxBytes`.
    explicit DownloadCallback(ULONGLONG maxBytes);
    DownloadCallback(const DownloadCallback&) = delete;
    DownloadCallback& operator=(const DownloadCallback&) = delete;

    // Records why the download is to end (the first reason counts) and
    // aborts its binding; a binding that has not started yet cannot be
    // aborted, and an abort may not take, so the watcher calls this again
    // until the call returns. Not for the download's own thread.
    void Stop(DownloadFailure reason);
    // GetTickCount of the last OnProgress, or of the construction.
    [[nodiscard]] DWORD LastProgressTick() const;
    // The verdict on the download: whether `path` holds the whole published
    // file, or why not. `result` is what the call returned, or nullopt when
    // it never returned and was abandoned; then nothing the call wrote is
    // read, and the reason it was stopped for decides.
    [[nodiscard]] DownloadResult Verdict(std::optional<HRESULT> result, const wchar_t* path) const;
    // The download's copy in the internet cache, empty when none was reported
    // or its path was too long to keep.
    [[nodiscard]] const wchar_t* CacheFile() const { return cacheFile_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IBindStatusCallback
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress,
                                         ULONG progressMax,
                                         ULONG statusCode,
                                         LPCWSTR statusText) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) override;

    // IHttpNegotiate
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url,
                                                   LPCWSTR headers,
                                                   DWORD reserved,
                                                   LPWSTR* additionalHeaders) override;
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD status,
                                         LPCWSTR responseHeaders,
                                         LPCWSTR requestHeaders,
                                         LPWSTR* additionalRequestHeaders) override;

private:
    ~DownloadCallback();
    // True for the first reason only.
    bool RecordStop(DownloadFailure reason);
    [[nodiscard]] DownloadFailure StopReason() const;
    // The binding with a reference of the caller's own, or null.
    [[nodiscard]] IBinding* AcquireBinding();
    // Makes `binding` (with a reference it owns, or null) the binding, and
    // releases the one before.
    void ExchangeBinding(IBinding* binding);
    // Reads the final status from the binding when OnResponse gave none:
    // its IWinInetHttpInfo is the documented source.
    void ReadStatusFromBinding();

    volatile LONG references_ = 1;
    volatile LONG lastProgressTick_;
    // DownloadFailure::None while nothing has asked the download to stop.
    volatile LONG stopReason_;
    const ULONGLONG maxBytes_;

    // The binding of OnStartBinding, until OnStopBinding; the watcher aborts
    // it from its own thread.
    CRITICAL_SECTION bindingLock_;
    IBinding* binding_ = nullptr;

    // Written by the download's thread only. The progress is that of the
    // last data status: at the end, the bytes the transfer delivered (decoded,
    // for a compressed reply).
    DWORD status_ = 0;
    bool contentCoded_ = false;
    bool progressReported_ = false;
    ULONG progress_ = 0;
    ULONG progressMax_ = 0;
    wchar_t cacheFile_[MAX_PATH] = L"";
};

} // namespace win32
