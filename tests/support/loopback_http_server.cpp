#include "loopback_http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr DWORD PollMs = 50;

const char* Reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

bool SendAll(SOCKET socket, const char* data, size_t size)
{
    while (size > 0) {
        const int sent = send(socket, data, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// Sends one piece of a body, as a chunk of its own when `chunked`.
bool SendPiece(SOCKET socket, const char* data, size_t size, bool chunked)
{
    if (!chunked) {
        return SendAll(socket, data, size);
    }
    char line[32];
    const int length = snprintf(line, sizeof line, "%lx\r\n", static_cast<unsigned long>(size));
    return SendAll(socket, line, static_cast<size_t>(length)) && SendAll(socket, data, size) &&
           SendAll(socket, "\r\n", 2);
}

// The request line and headers, up to the empty line.
std::string ReadRequest(SOCKET client)
{
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const int received = recv(client, buffer, sizeof buffer, 0);
        if (received <= 0) {
            break;
        }
        request.append(buffer, static_cast<size_t>(received));
    }
    return request;
}

// The path of "GET /path HTTP/1.1", or "" when no whole request line came.
std::string RequestPath(const std::string& request)
{
    const size_t start = request.find(' ');
    const size_t end = request.find(' ', start + 1);
    if (start == std::string::npos || end == std::string::npos) {
        return "";
    }
    return request.substr(start + 1, end - start - 1);
}

// Whether the request line of `request` asks as HTTP/1.0.
bool AsksAsHttp10(const std::string& request)
{
    return request.substr(0, request.find("\r\n")).ends_with(" HTTP/1.0");
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(uint16_t port, u_long host) : listener_(port, SOMAXCONN, host)
{
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    InterlockedExchange(&stopping_, 1);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    DeleteCriticalSection(&lock_);
}

void LoopbackHttpServer::Serve(const std::string& path, const HttpResponse& response)
{
    EnterCriticalSection(&lock_);
    responses_[path] = response;
    LeaveCriticalSection(&lock_);
}

int LoopbackHttpServer::Requests() const
{
    return InterlockedCompareExchange(const_cast<LONG*>(&requests_), 0, 0);
}

std::string LoopbackHttpServer::LastRequest() const
{
    EnterCriticalSection(&lock_);
    std::string request = lastRequest_;
    LeaveCriticalSection(&lock_);
    return request;
}

DWORD WINAPI LoopbackHttpServer::ThreadMain(void* self)
{
    static_cast<LoopbackHttpServer*>(self)->Run();
    return 0;
}

bool LoopbackHttpServer::Stopping() const
{
    return InterlockedCompareExchange(const_cast<LONG*>(&stopping_), 0, 0) != 0;
}

void LoopbackHttpServer::Pause(DWORD milliseconds) const
{
    for (DWORD waited = 0; waited < milliseconds && !Stopping(); waited += PollMs) {
        Sleep(PollMs);
    }
}

void LoopbackHttpServer::Run()
{
    while (!Stopping()) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener_.Socket(), &ready);
        timeval timeout{0, static_cast<long>(PollMs * 1000)};
        if (select(0, &ready, nullptr, nullptr, &timeout) != 1) {
            continue;
        }
        const SOCKET client = accept(listener_.Socket(), nullptr, nullptr);
        if (client != INVALID_SOCKET) {
            Answer(client);
            closesocket(client);
        }
    }
}

HttpResponse LoopbackHttpServer::Lookup(const std::string& path)
{
    EnterCriticalSection(&lock_);
    const auto found = responses_.find(path);
    HttpResponse response =
        found != responses_.end() ? found->second : HttpResponse{.status = 404, .body = "<html>Not Found</html>"};
    LeaveCriticalSection(&lock_);
    return response;
}

void LoopbackHttpServer::Answer(SOCKET client)
{
    const DWORD receiveTimeoutMs = 5000;
    setsockopt(client,
               SOL_SOCKET,
               SO_RCVTIMEO,
               reinterpret_cast<const char*>(&receiveTimeoutMs),
               sizeof receiveTimeoutMs);
    const std::string request = ReadRequest(client);
    const std::string path = RequestPath(request);
    if (path.empty()) {
        return;
    }
    EnterCriticalSection(&lock_);
    lastRequest_ = request;
    LeaveCriticalSection(&lock_);
    HttpResponse response = Lookup(path);
    InterlockedIncrement(&requests_);
    Pause(response.silenceMs);
    // A server that stops while it is silent resets the connection instead
    // of answering or closing it: a client that gave up on it may still be
    // listening, and Wine's would store a late answer, or even an orderly
    // close, in its internet cache.
    if (Stopping()) {
        const linger reset{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
        return;
    }
    if (!response.answers) {
        return;
    }
    if (!response.raw.empty()) {
        SendAll(client, response.raw.data(), response.raw.size());
        shutdown(client, SD_SEND);
        return;
    }
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n" +
                       "Content-Type: application/xml\r\nConnection: close\r\nCache-Control: no-store\r\n";
    // As a compliant server, it answers an HTTP/1.0 request without chunks:
    // the body then ends where the connection closes.
    const bool closeEnds = response.chunked && AsksAsHttp10(request);
    response.chunked = response.chunked && !closeEnds;
    if (response.chunked) {
        head += "Transfer-Encoding: chunked\r\n";
    } else if (!response.endless && !closeEnds) {
        head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    }
    if (!response.location.empty()) {
        head += "Location: " + response.location + "\r\n";
    }
    head += response.headers + "\r\n";
    if (SendAll(client, head.data(), head.size())) {
        SendBody(client, response);
    }
    shutdown(client, SD_SEND);
}

// Sends the body as the response asks, and stops early when the client goes
// away or the server stops.
void LoopbackHttpServer::SendBody(SOCKET client, const HttpResponse& response) const
{
    const size_t bytes = std::min(response.bodyBytesSent, response.body.size());
    const size_t piece = response.bytesPerSecond == 0
                             ? std::max<size_t>(bytes, 1)
                             : std::max<size_t>(response.bytesPerSecond * TricklePieceMs / 1000, 1);
    const DWORD start = GetTickCount();
    size_t total = 0;
    do {
        for (size_t offset = 0; offset < bytes; offset += piece) {
            const size_t size = std::min(piece, bytes - offset);
            if (!SendPiece(client, response.body.data() + offset, size, response.chunked)) {
                return;
            }
            total += size;
            if (response.bytesPerSecond != 0) {
                Pause(TricklePieceMs);
            }
            const bool capped = total >= response.endlessCapBytes || GetTickCount() - start >= EndlessCapMs;
            if (Stopping() || (response.endless && capped)) {
                return;
            }
        }
    } while (response.endless && bytes > 0);
    if (response.chunked && bytes == response.body.size()) {
        SendAll(client, "0\r\n\r\n", 5);
    }
}
