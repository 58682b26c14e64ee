#pragma once

#include "loopback_listener.h"

#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

// A canned answer to one path.
struct HttpResponse {
    int status = 200;
    std::string body;
    // Sent as the Location header when not empty.
    std::string location;
    // The connection is closed after this many bytes of the body, although the
    // header announced all of it (a chunked body then lacks its last chunk).
    size_t bodyBytesSent = SIZE_MAX;
    // How long the server stays silent after reading the request.
    DWORD silenceMs = 0;
    // False: after the silence the connection is closed without an answer.
    bool answers = true;
    // Header lines sent as they are, each ending in "\r\n", for example
    // "Content-Encoding: gzip\r\n".
    std::string headers;
    // The body goes out in chunks (Transfer-Encoding: chunked) instead of with
    // a Content-Length; in answer to an HTTP/1.0 request, without either.
    bool chunked = false;
    // The body goes out again and again, without a Content-Length, until the
    // client goes away, endlessCapBytes have gone out or EndlessCapMs has
    // passed.
    bool endless = false;
    size_t endlessCapBytes = 8 << 20;
    // When not empty, the whole reply as it goes out, status line and header
    // fields included; the fields above but the silence are then unused.
    std::string raw;
    // When not 0, the body trickles out at about this many bytes a second, a
    // piece every TricklePieceMs.
    DWORD bytesPerSecond = 0;
};

// How long an endless reply goes on at most before it ends the connection.
constexpr DWORD EndlessCapMs = 10000;
constexpr DWORD TricklePieceMs = 100;

// An HTTP server on 127.0.0.1 for tests. It answers every request on its own
// thread, one connection at a time, from a table of canned responses (404 for
// any other path), and stops when destroyed. A connection that sends no
// request, as a connection probe does, is simply closed.
class LoopbackHttpServer {
public:
    // Listens on `port` of `host`, or on a free port when it is 0. Throws
    // when it cannot.
    explicit LoopbackHttpServer(uint16_t port = 0, u_long host = DownloadAddress);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    [[nodiscard]] uint16_t Port() const { return listener_.Port(); }
    void Serve(const std::string& path, const HttpResponse& response);
    // Requests answered so far, of any path.
    [[nodiscard]] int Requests() const;
    // The request line and headers of the last request, as they came.
    [[nodiscard]] std::string LastRequest() const;

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    void Answer(SOCKET client);
    void SendBody(SOCKET client, const HttpResponse& response) const;
    [[nodiscard]] HttpResponse Lookup(const std::string& path);
    [[nodiscard]] bool Stopping() const;
    void Pause(DWORD milliseconds) const;

    LoopbackListener listener_;
    HANDLE thread_ = nullptr;
    volatile LONG stopping_ = 0;
    volatile LONG requests_ = 0;
    mutable CRITICAL_SECTION lock_;
    std::map<std::string, HttpResponse> responses_;
    std::string lastRequest_;
};
