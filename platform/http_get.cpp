#include "http_get.h"

#include "platform/gzip_body.h"
#include "logic/whole_document.h"
#include "logic/wide_text.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <new>
#include <string_view>

namespace win32 {

namespace {

// The most read at once: a read asks for no more than has arrived, so that
// a body that trickles in counts as progress piece by piece.
constexpr DWORD ReadChunk = 64 * 1024;
// A receive time-out of the silence limit wakes a blocked call after exactly
// that long under Wine; GetTickCount may lag that by one tick of its own.
constexpr DWORD SilenceSlackMs = 100;

// Owns an Internet handle of the worker and closes it when destroyed.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle()
    {
        if (handle_ != nullptr) {
            InternetCloseHandle(handle_);
        }
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    [[nodiscard]] HINTERNET Get() const { return handle_; }

private:
    HINTERNET handle_;
};

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
    if (!InternetCrackUrlW(url, 0, 0, &components) || parts.host[0] == L'\0') {
        return false;
    }
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    // A path of "/" where there is none, and the query after the path.
    return (parts.object[0] != L'\0' || SetText(parts.object, L"/")) && AppendText(parts.object, query);
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

struct FreeMemory {
    void operator()(void* memory) const { std::free(memory); }
};
using HeaderText = std::unique_ptr<wchar_t[], FreeMemory>;

// The status line and header fields as they came, in `text`, which points
// into what is returned; null when they cannot be had. (The memory comes from
// malloc: new[] would link the standard library's exception support.)
HeaderText RawHeaders(HINTERNET request, std::wstring_view& text)
{
    DWORD size = 0;
    // Fails, telling the size in bytes that the text needs.
    HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
    const size_t capacity = size / sizeof(wchar_t) + 1;
    HeaderText headers(static_cast<wchar_t*>(std::calloc(capacity, sizeof(wchar_t))));
    size = static_cast<DWORD>((capacity - 1) * sizeof(wchar_t));
    if (headers == nullptr || !HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, headers.get(), &size, nullptr)) {
        return nullptr;
    }
    text = std::wstring_view(headers.get());
    return headers;
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
    if (get != nullptr && !(SetText(get->url_, url) && SetText(get->userAgent_, userAgent))) {
        get->Release();
        return nullptr;
    }
    return get;
}

HttpGet::HttpGet(const DownloadLimits& limits) : limits_(limits), lastProgressTick_(GetTickCount()) {}

void HttpGet::Work()
{
    Transfer();
    if (!outcome_.result.Succeeded()) {
        outcome_.body.Clear();
    }
}

void HttpGet::Transfer()
{
    UrlParts url;
    if (!Crack(url_, url)) {
        return Fail(DownloadFailure::Other, L"the address cannot be read");
    }
    // The proxy that Windows is set to use.
    const InternetHandle session(InternetOpenW(userAgent_[0] == L'\0' ? nullptr : userAgent_,
                                               INTERNET_OPEN_TYPE_PRECONFIG,
                                               nullptr,
                                               nullptr,
                                               0));
    if (session.Get() == nullptr || Stopped()) {
        return FailCall(L"InternetOpenW failed");
    }
    const InternetHandle connection(
        InternetConnectW(session.Get(), url.host, url.port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (connection.Get() == nullptr || Stopped()) {
        return FailCall(L"InternetConnectW failed");
    }
    SetTimeouts(connection.Get(), Milliseconds(limits_.silence));
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    const DWORD flags = RequestFlags | (url.secure ? INTERNET_FLAG_SECURE : 0);
    const InternetHandle request(
        HttpOpenRequestW(connection.Get(), L"GET", url.object, nullptr, nullptr, acceptTypes, flags, 0));
    if (request.Get() == nullptr || Stopped()) {
        return FailCall(L"HttpOpenRequestW failed");
    }
    if (!HttpSendRequestW(request.Get(), AcceptEncoding, static_cast<DWORD>(-1), nullptr, 0) || Stopped()) {
        return FailCall(L"HttpSendRequestW failed");
    }
    MarkProgress();
    ReadReply(request.Get());
}

void HttpGet::ReadReply(HINTERNET request)
{
    // Wine reads a connection closed without any reply as status 0.
    const std::optional<DWORD> status = StatusCode(request);
    if (!status || *status == 0) {
        return Fail(DownloadFailure::Other, L"the connection closed without a reply");
    }
    outcome_.result.httpStatus = static_cast<int>(*status);
    if (*status != HTTP_STATUS_OK) {
        return Fail(DownloadFailure::HttpStatus, L"the final status is not 200");
    }
    std::wstring_view headers;
    const HeaderText held = RawHeaders(request, headers);
    if (held == nullptr) {
        return FailCall(L"the header fields cannot be read");
    }
    ReplyFraming framing;
    if (const wchar_t* why = ReadFraming(headers, framing)) {
        return Fail(DownloadFailure::Other, why);
    }
    if (framing.length && *framing.length > limits_.maxBytes) {
        return Fail(DownloadFailure::TooLarge, L"the announced length passes the limit");
    }
    ByteBuffer raw;
    if (framing.length && !raw.MakeRoom(static_cast<size_t>(*framing.length))) {
        return Fail(DownloadFailure::Other, L"no memory for the body");
    }
    if (ReadBody(request, framing.length, raw)) {
        ProveWhole(framing, std::move(raw));
    }
}

bool HttpGet::ReadBody(HINTERNET request, const std::optional<uint64_t>& length, ByteBuffer& body)
{
    char chunk[ReadChunk];
    for (;;) {
        // Waits until something has come, or the body has ended (0).
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0) || Stopped()) {
            FailCall(L"InternetQueryDataAvailable failed");
            return false;
        }
        DWORD read = 0;
        const BOOL ok = InternetReadFile(request, chunk, std::clamp<DWORD>(available, 1, ReadChunk), &read);
        // A call that fails may still report bytes.
        if (!ok || Stopped()) {
            FailCall(L"InternetReadFile failed");
            return false;
        }
        if (read == 0) {
            return true;
        }
        MarkProgress();
        const uint64_t total = body.View().size() + read;
        if (length && total > *length) {
            Fail(DownloadFailure::Other, L"the body is longer than its Content-Length");
            return false;
        }
        if (total > limits_.maxBytes) {
            Fail(DownloadFailure::TooLarge, L"the body passes the limit");
            return false;
        }
        if (!body.Append({chunk, read}, static_cast<size_t>(limits_.maxBytes))) {
            Fail(DownloadFailure::Other, L"no memory for the body");
            return false;
        }
    }
}

// WinINet reads a connection closed early as a normal end, so each kind of
// reply proves its end here:
// - a Content-Length: exactly that many bytes came;
// - gzip (with or without a length, chunked or not): its trailer, the CRC-32
//   and length of the decoded bytes, which zlib checks;
// - identity without a length (chunked, or ended by the close of the
//   connection): nothing in the framing proves it, since a cut before the
//   last chunk reads as the end, so the document it carries must be whole.
void HttpGet::ProveWhole(const ReplyFraming& framing, ByteBuffer raw)
{
    if (framing.length && raw.View().size() != *framing.length) {
        return Fail(DownloadFailure::Incomplete, L"the body is shorter than its Content-Length");
    }
    if (framing.gzip) {
        ByteBuffer plain;
        const Gunzipped decoded = Gunzip(raw.View(), limits_.maxBytes, plain);
        if (decoded.failure != DownloadFailure::None) {
            return Fail(decoded.failure, decoded.why);
        }
        outcome_.body = std::move(plain);
        return;
    }
    if (!framing.length && !IsWholeDocument(raw.View())) {
        return Fail(DownloadFailure::Incomplete, L"the reply has no length, and its document ends early");
    }
    outcome_.body = std::move(raw);
}

void HttpGet::Fail(DownloadFailure failure, const wchar_t* why, DWORD error)
{
    outcome_.result.failure = failure;
    outcome_.why = why;
    outcome_.error = error;
}

void HttpGet::FailCall(const wchar_t* call)
{
    const DWORD error = GetLastError();
    const DWORD silent = GetTickCount() - LastProgressTick();
    const bool waitedOut = silent + SilenceSlackMs >= Milliseconds(limits_.silence);
    Fail(waitedOut ? DownloadFailure::NoProgress : DownloadFailure::Other, call, error);
}

} // namespace win32
