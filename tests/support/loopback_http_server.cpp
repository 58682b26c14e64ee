#include "loopback_http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>

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

// The path of "GET /path HTTP/1.1", or "" when no whole request line came.
std::string ReadRequestPath(SOCKET client)
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
    const size_t start = request.find(' ');
    const size_t end = request.find(' ', start + 1);
    if (start == std::string::npos || end == std::string::npos) {
        return "";
    }
    return request.substr(start + 1, end - start - 1);
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(uint16_t port)
{
    InitializeCriticalSection(&lock_);
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        throw std::runtime_error("WSAStartup failed");
    }
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof address;
    if (listener_ == INVALID_SOCKET || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, SOMAXCONN) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(listener_);
        WSACleanup();
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    }
    port_ = ntohs(address.sin_port);
    thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    InterlockedExchange(&stopping_, 1);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    closesocket(listener_);
    WSACleanup();
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
        FD_SET(listener_, &ready);
        timeval timeout{0, static_cast<long>(PollMs * 1000)};
        if (select(0, &ready, nullptr, nullptr, &timeout) != 1) {
            continue;
        }
        const SOCKET client = accept(listener_, nullptr, nullptr);
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
    const std::string path = ReadRequestPath(client);
    if (path.empty()) {
        return;
    }
    const HttpResponse response = Lookup(path);
    InterlockedIncrement(&requests_);
    Pause(response.silenceMs);
    if (!response.answers) {
        return;
    }
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n" +
                       "Content-Type: application/xml\r\nConnection: close\r\nCache-Control: no-store\r\n" +
                       "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    if (!response.location.empty()) {
        head += "Location: " + response.location + "\r\n";
    }
    head += "\r\n";
    const size_t bodyBytes = std::min(response.bodyBytesSent, response.body.size());
    if (SendAll(client, head.data(), head.size())) {
        SendAll(client, response.body.data(), bodyBytes);
    }
    shutdown(client, SD_SEND);
}
