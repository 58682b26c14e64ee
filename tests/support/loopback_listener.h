#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>

// A TCP socket listening on 127.0.0.1, with Winsock started for as long as it
// lives; closed when destroyed.
class LoopbackListener {
public:
    // Listens on `port`, or on a free port when it is 0, keeping at most
    // `backlog` connections waiting. Throws when it cannot.
    LoopbackListener(uint16_t port, int backlog);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    [[nodiscard]] SOCKET Socket() const { return socket_; }
    [[nodiscard]] uint16_t Port() const { return port_; }
    // The address it listens on, to connect to.
    [[nodiscard]] sockaddr_in Address() const;

private:
    SOCKET socket_ = INVALID_SOCKET;
    uint16_t port_ = 0;
};
