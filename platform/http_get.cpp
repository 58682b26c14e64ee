#include "http_get.h"

#include "logic/wide_text.h"

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

struct FreeMemory {
    void operator()(void* memory) const { std::free(memory); }
};

// The header text that `query` names (HTTP_QUERY_RAW_HEADERS_CRLF: the
// reply's status line and header fields as they came, or with
// HTTP_QUERY_FLAG_REQUEST_HEADERS the request's as they went out), one byte a
// character: WinINet gives it as wide text, and what the proof reads there is
// ASCII, so any other character becomes '?'. Empty when it cannot be had.
// (The memory comes from calloc and ByteBuffer, which report failure instead
// of throwing: see the README's rule on exceptions.)
ByteBuffer HeaderText(HINTERNET request, DWORD query)
{
    DWORD size = 0;
    // Fails, telling the size in bytes that the text needs.
    HttpQueryInfoW(request, query, nullptr, &size, nullptr);
    const size_t capacity = size / sizeof(wchar_t) + 1;
    const std::unique_ptr<wchar_t[], FreeMemory> wide(static_cast<wchar_t*>(std::calloc(capacity, sizeof(wchar_t))));
    size = static_cast<DWORD>((capacity - 1) * sizeof(wchar_t));
    ByteBuffer text;
    if (wide == nullptr || !HttpQueryInfoW(request, query, wide.get(), &size, nullptr) || !text.MakeRoom(capacity)) {
        return {};
    }
    for (const wchar_t character : std::wstring_view(wide.get())) {
        *text.Room() = character < 0x80 ? static_cast<char>(character) : '?';
        text.Added(1);
    }
    return text;
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
    UrlParts url;
    if (!Crack(url_, url)) {
        fetched_.outcome.Fail(DownloadFailure::Other, L"the address cannot be read");
        return;
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
        HttpOpenRequestW(connection.Get(), L"GET", url.object, HttpVersion, nullptr, acceptTypes, flags, 0));
    if (request.Get() == nullptr || Stopped()) {
        return FailCall(L"HttpOpenRequestW failed");
    }
    // The request line as it will go out decides whether a Transfer-Encoding
    // may come. It is read before the request is sent: once a reply has come,
    // Wine shows the reply's version there instead.
    const ByteBuffer requestHead =
        HeaderText(request.Get(), HTTP_QUERY_RAW_HEADERS_CRLF | HTTP_QUERY_FLAG_REQUEST_HEADERS);
    if (!HttpSendRequestW(request.Get(), AcceptEncoding, static_cast<DWORD>(-1), nullptr, 0) || Stopped()) {
        return FailCall(L"HttpSendRequestW failed");
    }
    MarkProgress();
    ReadReply(request.Get(), VersionOfRequest(requestHead.View()));
}

void HttpGet::ReadReply(HINTERNET request, RequestVersion version)
{
    const ByteBuffer head = HeaderText(request, HTTP_QUERY_RAW_HEADERS_CRLF);
    ReplyProof proof(limits_.maxBytes);
    if (proof.ReadHead(head.View(), version) && !ReadBody(request, proof)) {
        return;
    }
    static_cast<void>(proof.End());
    fetched_.outcome = proof.Outcome();
    fetched_.body = proof.TakeBody();
}

bool HttpGet::ReadBody(HINTERNET request, ReplyProof& proof)
{
    char chunk[ReadChunk];
    for (;;) {
        // Waits until something has come, or the body has ended (0).
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0) || Stopped()) {
            FailCall(L"InternetQueryDataAvailable failed", proof.Outcome().result.httpStatus);
            return false;
        }
        DWORD read = 0;
        const BOOL ok = InternetReadFile(request, chunk, std::clamp<DWORD>(available, 1, ReadChunk), &read);
        // A call that fails may still report bytes.
        if (!ok || Stopped()) {
            FailCall(L"InternetReadFile failed", proof.Outcome().result.httpStatus);
            return false;
        }
        if (read == 0) {
            return true;
        }
        MarkProgress();
        if (!proof.Feed({chunk, read})) {
            return true;
        }
    }
}

void HttpGet::FailCall(const wchar_t* call, int httpStatus)
{
    const DWORD error = GetLastError();
    const DWORD silent = GetTickCount() - LastProgressTick();
    const bool waitedOut = silent + SilenceSlackMs >= Milliseconds(limits_.silence);
    fetched_.outcome = {.result = {waitedOut ? DownloadFailure::NoProgress : DownloadFailure::Other, httpStatus},
                        .why = call,
                        .systemError = error};
}

} // namespace win32
