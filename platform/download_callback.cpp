#include "download_callback.h"

#include <wininet.h>

#include <cstring>
#include <cwchar>
#include <iterator>

namespace win32 {

namespace {

wchar_t AsciiLower(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// True when one of the header lines ("Name: value\r\n") is named `name`, in
// lower case.
bool HasHeader(LPCWSTR headers, const wchar_t* name)
{
    if (headers == nullptr) {
        return false;
    }
    for (const wchar_t* line = headers; *line != L'\0';) {
        const wchar_t* at = line;
        const wchar_t* wanted = name;
        while (*wanted != L'\0' && AsciiLower(*at) == *wanted) {
            ++at;
            ++wanted;
        }
        if (*wanted == L'\0' && *at == L':') {
            return true;
        }
        const wchar_t* end = wcschr(line, L'\n');
        if (end == nullptr) {
            break;
        }
        line = end + 1;
    }
    return false;
}

bool IsDataStatus(ULONG statusCode)
{
    return statusCode == BINDSTATUS_BEGINDOWNLOADDATA || statusCode == BINDSTATUS_DOWNLOADINGDATA ||
           statusCode == BINDSTATUS_ENDDOWNLOADDATA;
}

// The size of the file at `path`; nullopt when there is none.
std::optional<ULONGLONG> FileSize(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

DownloadCallback::DownloadCallback(ULONGLONG maxBytes)
    : lastProgressTick_(static_cast<LONG>(GetTickCount())),
      stopReason_(static_cast<LONG>(DownloadFailure::None)),
      maxBytes_(maxBytes)
{
    InitializeCriticalSection(&bindingLock_);
}

DownloadCallback::~DownloadCallback()
{
    if (binding_ != nullptr) {
        binding_->Release();
    }
    DeleteCriticalSection(&bindingLock_);
}

bool DownloadCallback::RecordStop(DownloadFailure reason)
{
    const auto unset = static_cast<LONG>(DownloadFailure::None);
    return InterlockedCompareExchange(&stopReason_, static_cast<LONG>(reason), unset) == unset;
}

DownloadFailure DownloadCallback::StopReason() const
{
    return static_cast<DownloadFailure>(InterlockedCompareExchange(const_cast<LONG*>(&stopReason_), 0, 0));
}

IBinding* DownloadCallback::AcquireBinding()
{
    EnterCriticalSection(&bindingLock_);
    IBinding* binding = binding_;
    if (binding != nullptr) {
        binding->AddRef();
    }
    LeaveCriticalSection(&bindingLock_);
    return binding;
}

void DownloadCallback::ExchangeBinding(IBinding* binding)
{
    EnterCriticalSection(&bindingLock_);
    IBinding* previous = binding_;
    binding_ = binding;
    LeaveCriticalSection(&bindingLock_);
    if (previous != nullptr) {
        previous->Release();
    }
}

void DownloadCallback::Stop(DownloadFailure reason)
{
    RecordStop(reason);
    // Aborted outside the lock: Abort may call OnStopBinding, which takes it.
    IBinding* binding = AcquireBinding();
    if (binding != nullptr) {
        binding->Abort();
        binding->Release();
    }
}

DWORD DownloadCallback::LastProgressTick() const
{
    return static_cast<DWORD>(InterlockedCompareExchange(const_cast<LONG*>(&lastProgressTick_), 0, 0));
}

DownloadResult DownloadCallback::Verdict(std::optional<HRESULT> result, const wchar_t* path) const
{
    const DownloadFailure stopped = StopReason();
    if (!result) {
        return {stopped, 0};
    }
    const int status = static_cast<int>(status_);
    if (stopped != DownloadFailure::None) {
        return {stopped, status};
    }
    // Wine reports a connection closed without any reply as a success with
    // status 0, and an error status with its body as a success too.
    if (FAILED(*result) || status == 0) {
        return {DownloadFailure::Other, status};
    }
    if (status != 200) {
        return {DownloadFailure::HttpStatus, status};
    }
    // A cut body also counts as a success. Its length can be checked only
    // when no content coding hides it: a gzip or chunked reply reports no
    // length (ulProgressMax 0).
    if (!contentCoded_ && progress_ < progressMax_) {
        return {DownloadFailure::Incomplete, status};
    }
    // The call also reports success when its copy from the internet cache to
    // `path` failed: nothing written when the folder is missing, the old file
    // left when another program holds it, a cut copy on a full volume (Wine
    // does all three). Only a file that holds every byte delivered counts;
    // without any progress report there is no count to hold it to.
    const std::optional<ULONGLONG> size = FileSize(path);
    if (!size) {
        return {DownloadFailure::Other, status};
    }
    if (progressReported_ && *size < progress_) {
        return {DownloadFailure::Incomplete, status};
    }
    return {DownloadFailure::None, status};
}

void DownloadCallback::ReadStatusFromBinding()
{
    IBinding* binding = status_ == 0 ? AcquireBinding() : nullptr;
    if (binding == nullptr) {
        return;
    }
    IWinInetHttpInfo* info = nullptr;
    if (SUCCEEDED(binding->QueryInterface(IID_IWinInetHttpInfo, reinterpret_cast<void**>(&info)))) {
        DWORD status = 0;
        DWORD size = sizeof status;
        if (SUCCEEDED(
                info->QueryInfo(HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr, nullptr))) {
            status_ = status;
        }
        info->Release();
    }
    binding->Release();
}

HRESULT STDMETHODCALLTYPE DownloadCallback::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
        *object = static_cast<IBindStatusCallback*>(this);
    } else if (IsEqualIID(iid, IID_IHttpNegotiate)) {
        *object = static_cast<IHttpNegotiate*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE DownloadCallback::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE DownloadCallback::Release()
{
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnStartBinding(DWORD, IBinding* binding)
{
    if (binding != nullptr) {
        binding->AddRef();
    }
    ExchangeBinding(binding);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::GetPriority(LONG*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnLowResource(DWORD)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnProgress(ULONG progress,
                                                       ULONG progressMax,
                                                       ULONG statusCode,
                                                       LPCWSTR statusText)
{
    InterlockedExchange(&lastProgressTick_, static_cast<LONG>(GetTickCount()));
    if (statusCode == BINDSTATUS_CACHEFILENAMEAVAILABLE && statusText != nullptr) {
        const bool fits = wcslen(statusText) < std::size(cacheFile_);
        wcscpy(cacheFile_, fits ? statusText : L"");
    }
    if (IsDataStatus(statusCode)) {
        progressReported_ = true;
        progress_ = progress;
        progressMax_ = progressMax;
        if (progressMax > maxBytes_ || progress > maxBytes_) {
            RecordStop(DownloadFailure::TooLarge);
        }
    }
    if (statusCode == BINDSTATUS_ENDDOWNLOADDATA) {
        ReadStatusFromBinding();
    }
    // Ends the transfer, though only when the call reports progress at all.
    return StopReason() != DownloadFailure::None ? E_ABORT : S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnStopBinding(HRESULT, LPCWSTR)
{
    ReadStatusFromBinding();
    ExchangeBinding(nullptr);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::GetBindInfo(DWORD* flags, BINDINFO* info)
{
    if (flags == nullptr || info == nullptr) {
        return E_INVALIDARG;
    }
    *flags = BindFlags;
    const ULONG size = info->cbSize;
    memset(info, 0, size);
    info->cbSize = size;
    info->dwBindVerb = BINDVERB_GET;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnObjectAvailable(REFIID, IUnknown*)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders)
{
    if (additionalHeaders != nullptr) {
        *additionalHeaders = nullptr;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadCallback::OnResponse(DWORD status,
                                                       LPCWSTR responseHeaders,
                                                       LPCWSTR,
                                                       LPWSTR* additionalRequestHeaders)
{
    status_ = status;
    contentCoded_ = HasHeader(responseHeaders, L"content-encoding");
    if (additionalRequestHeaders != nullptr) {
        *additionalRequestHeaders = nullptr;
    }
    return S_OK;
}

} // namespace win32
