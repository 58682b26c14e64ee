#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>

// The loopback hosts of the tests: all of 127.0.0.0/8 reaches the loopback,
// so the vendor's site on 127.0.0.2 is a host of its own beside the download
// server on 127.0.0.1, as the two are in the field.
inline constexpr u_long DownloadAddress = INADDR_LOOPBACK;
inline constexpr u_long SiteAddress = INADDR_LOOPBACK + 1;

// A TCP socket listening on a loopback address, with Winsock started for as
// long as it lives; closed when destroyed.
class LoopbackListener {
public:
    // Listens on `port` of `host` (in host byte order), or on a free port when
    // it is 0, keeping at most `backlog` connections waiting. Throws when it
    // cannot.
    LoopbackListener(uint16_t port, int backlog, u_long host = DownloadAddress);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    [[nodiscard]] SOCKET Socket() const { return socket_; }
    [[nodiscard]] uint16_t Port() const { return port_; }
    // The address it listens on, to connect to.
    [[nodiscard]] sockaddr_in Address() const;

private:
    u_long host_;
    SOCKET socket_ = INVALID_SOCKET;
    uint16_t port_ = 0;
};
