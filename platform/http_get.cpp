#include "http_get.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <iterator>
#include <new>
#include <optional>

namespace win32 {

namespace {

// The most read at once: a read asks for no more than has arrived, so that
// a body that trickles in counts as progress piece by piece.
constexpr DWORD ReadChunk = 64 * 1024;
// A receive time-out of the silence limit wakes a blocked call after exactly
// that long under Wine; GetTickCount may lag that by one tick of its own.
constexpr DWORD SilenceSlackMs = 100;

struct UrlParts {
    wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = L"";
    wchar_t object[INTERNET_MAX_URL_LENGTH] = L""; // path and query
    INTERNET_PORT port = 0;
    bool secure = false;
};

[[nodiscard]] bool Crack(const wchar_t* url, UrlParts& parts)
{
    wchar_t query[INTERNET_MAX_URL_LENGTH] = L"";
    URL_COMPONENTSW components{};
    components.dwStructSize = sizeof components;
    components.lpszHostName = parts.host;
    components.dwHostNameLength = std::size(parts.host);
    components.lpszUrlPath = parts.object;
    components.dwUrlPathLength = std::size(parts.object);
    components.lpszExtraInfo = query;
    components.dwExtraInfoLength = std::size(query);
    // Room for the query after the path, and for a path of "/" instead of none.
    if (!InternetCrackUrlW(url, 0, 0, &components) || parts.host[0] == L'\0' ||
        components.dwUrlPathLength + components.dwExtraInfoLength + 2 > std::size(parts.object)) {
        return false;
    }
    if (parts.object[0] == L'\0') {
        wcscpy(parts.object, L"/");
    }
    wcscat(parts.object, query);
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

std::optional<DWORD> StatusCode(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        return std::nullopt;
    }
    return status;
}

// The announced Content-Length; nullopt when there is none or it is no
// number. One beyond 64 bits counts as the largest.
std::optional<uint64_t> AnnouncedLength(HINTERNET request)
{
    wchar_t value[32];
    DWORD size = sizeof value;
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, value, &size, nullptr) || value[0] == L'\0') {
        return std::nullopt;
    }
    uint64_t length = 0;
    for (const wchar_t* digit = value; *digit != L'\0'; ++digit) {
        if (*digit < L'0' || *digit > L'9') {
            return std::nullopt;
        }
        const auto next = static_cast<uint64_t>(*digit - L'0');
        length = length > (UINT64_MAX - next) / 10 ? UINT64_MAX : length * 10 + next;
    }
    return length;
}

// A reply whose body WinINet decodes, so that its Content-Length counts
// the bytes before decoding.
bool IsContentCoded(HINTERNET request)
{
    wchar_t coding[64];
    DWORD size = sizeof coding;
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_ENCODING, coding, &size, nullptr)) {
        // One too long for the buffer is there all the same.
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
    }
    return _wcsicmp(coding, L"identity") != 0;
}

// A receive time-out set on the connection before the request is opened
// wakes a call that waits for a silent server (under Wine, set on the
// session or after the request it is ignored). Windows also takes the
// connect time-out; Wine ignores it, so a hanging connect is abandoned.
void SetTimeouts(HINTERNET connection, DWORD silenceMs)
{
    for (const DWORD option :
         {INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_CONNECT_TIMEOUT}) {
        InternetSetOptionW(connection, option, &silenceMs, sizeof silenceMs);
    }
}

} // namespace

HttpGet* HttpGet::New(const wchar_t* url, const wchar_t* userAgent, const DownloadLimits& limits)
{
    auto* get = new (std::nothrow) HttpGet(limits);
    if (get == nullptr) {
        return nullptr;
    }
    if (wcslen(url) >= std::size(get->url_) || wcslen(userAgent) >= std::size(get->userAgent_)) {
        delete get;
        return nullptr;
    }
    wcscpy(get->url_, url);
    wcscpy(get->userAgent_, userAgent);
    return get;
}

HttpGet::HttpGet(const DownloadLimits& limits)
    : limits_(limits),
      lastProgressTick_(static_cast<LONG>(GetTickCount())),
      stopReason_(static_cast<LONG>(DownloadFailure::None))
{
    InitializeCriticalSection(&handlesLock_);
}

HttpGet::~HttpGet()
{
    DeleteCriticalSection(&handlesLock_);
}

void HttpGet::AddRef()
{
    InterlockedIncrement(&references_);
}

void HttpGet::Release()
{
    if (InterlockedDecrement(&references_) == 0) {
        delete this;
    }
}

DWORD WINAPI HttpGet::Run(void* parameter)
{
    auto* get = static_cast<HttpGet*>(parameter);
    get->failure_ = get->Transfer();
    if (get->failure_ != DownloadFailure::None) {
        get->body_.Clear();
    }
    get->CloseHandles();
    get->Release();
    return 0;
}

HINTERNET HttpGet::OpenRequest()
{
    UrlParts url;
    if (!Crack(url_, url)) {
        return nullptr;
    }
    // The proxy that Windows is set to use.
    const HINTERNET session = Keep(InternetOpenW(userAgent_[0] == L'\0' ? nullptr : userAgent_,
                                                 INTERNET_OPEN_TYPE_PRECONFIG,
                                                 nullptr,
                                                 nullptr,
                                                 0));
    const HINTERNET connection =
        session == nullptr
            ? nullptr
            : Keep(InternetConnectW(session, url.host, url.port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (connection == nullptr) {
        return nullptr;
    }
    SetTimeouts(connection, Milliseconds(limits_.silence));
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    const DWORD flags = RequestFlags | (url.secure ? INTERNET_FLAG_SECURE : 0);
    const HINTERNET request =
        Keep(HttpOpenRequestW(connection, L"GET", url.object, nullptr, nullptr, acceptTypes, flags, 0));
    if (request != nullptr) {
        BOOL decoding = TRUE;
        InternetSetOptionW(request, INTERNET_OPTION_HTTP_DECODING, &decoding, sizeof decoding);
    }
    return request;
}

DownloadFailure HttpGet::Transfer()
{
    const HINTERNET request = OpenRequest();
    if (request == nullptr) {
        return DownloadFailure::Other;
    }
    if (!HttpSendRequestW(request, AcceptEncoding, static_cast<DWORD>(-1), nullptr, 0) || Stopped()) {
        return Failed();
    }
    MarkProgress();
    // Wine reads a connection closed without any reply as status 0.
    const std::optional<DWORD> status = StatusCode(request);
    if (!status || *status == 0) {
        return DownloadFailure::Other;
    }
    status_ = static_cast<int>(*status);
    if (status_ != HTTP_STATUS_OK) {
        return DownloadFailure::HttpStatus;
    }
    return ReadBody(request);
}

DownloadFailure HttpGet::ReadBody(HINTERNET request)
{
    const std::optional<uint64_t> announced = AnnouncedLength(request);
    if (announced && *announced > limits_.maxBytes) {
        return DownloadFailure::TooLarge;
    }
    const bool checkLength = announced && !IsContentCoded(request);
    if (checkLength && !body_.MakeRoom(static_cast<size_t>(*announced))) {
        return DownloadFailure::Other;
    }
    for (;;) {
        // Waits until something has come, or the body has ended (0).
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0) || Stopped()) {
            return Failed();
        }
        const DWORD wanted = std::clamp<DWORD>(available, 1, ReadChunk);
        if (!body_.MakeRoom(wanted)) {
            return DownloadFailure::Other;
        }
        DWORD read = 0;
        const BOOL ok = InternetReadFile(request, body_.Room(), wanted, &read);
        body_.Added(std::min(read, wanted));
        // A call stopped by closing its handle may still return bytes.
        if (!ok || Stopped()) {
            return Failed();
        }
        if (read == 0) {
            break;
        }
        MarkProgress();
        if (body_.View().size() > limits_.maxBytes) {
            return DownloadFailure::TooLarge;
        }
    }
    return checkLength && body_.View().size() < *announced ? DownloadFailure::Incomplete : DownloadFailure::None;
}

HINTERNET HttpGet::Keep(HINTERNET handle)
{
    if (handle == nullptr) {
        return nullptr;
    }
    EnterCriticalSection(&handlesLock_);
    const bool kept = !stopped_;
    if (kept) {
        *std::find(handles_.begin(), handles_.end(), nullptr) = handle;
    }
    LeaveCriticalSection(&handlesLock_);
    if (!kept) {
        InternetCloseHandle(handle);
        return nullptr;
    }
    return handle;
}

void HttpGet::CloseHandles()
{
    EnterCriticalSection(&handlesLock_);
    stopped_ = true;
    const std::array<HINTERNET, 3> closing = handles_;
    handles_.fill(nullptr);
    LeaveCriticalSection(&handlesLock_);
    // The request first, then what it was made from.
    for (auto handle = closing.rbegin(); handle != closing.rend(); ++handle) {
        if (*handle != nullptr) {
            InternetCloseHandle(*handle);
        }
    }
}

void HttpGet::Stop(DownloadFailure reason)
{
    const auto unset = static_cast<LONG>(DownloadFailure::None);
    InterlockedCompareExchange(&stopReason_, static_cast<LONG>(reason), unset);
    CloseHandles();
}

bool HttpGet::Stopped() const
{
    return InterlockedCompareExchange(const_cast<LONG*>(&stopReason_), 0, 0) !=
           static_cast<LONG>(DownloadFailure::None);
}

DWORD HttpGet::LastProgressTick() const
{
    return static_cast<DWORD>(InterlockedCompareExchange(const_cast<LONG*>(&lastProgressTick_), 0, 0));
}

void HttpGet::MarkProgress()
{
    InterlockedExchange(&lastProgressTick_, static_cast<LONG>(GetTickCount()));
}

DownloadFailure HttpGet::Failed() const
{
    const DWORD silent = GetTickCount() - LastProgressTick();
    return silent + SilenceSlackMs >= Milliseconds(limits_.silence) ? DownloadFailure::NoProgress
                                                                    : DownloadFailure::Other;
}

DownloadResult HttpGet::Result() const
{
    const auto stopped =
        static_cast<DownloadFailure>(InterlockedCompareExchange(const_cast<LONG*>(&stopReason_), 0, 0));
    return {stopped != DownloadFailure::None ? stopped : failure_, status_};
}

ByteBuffer HttpGet::TakeBody()
{
    return std::move(body_);
}

} // namespace win32
