#pragma once

#include "loopback_listener.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdint>

// A loopback port whose connects hang, as those to a site that drops
// packets: it listens with a backlog of 0 and a connection of its own, never
// accepted, fills the queue, so nothing answers a further connect's SYN (a
// connect gives up only after about two minutes on Linux). Destroying it
// closes the port, and connects still waiting are then refused.
class HangingListener {
public:
    // Listens on `port` of `host`, or on a free port when it is 0. Throws
    // when it cannot.
    explicit HangingListener(uint16_t port = 0, u_long host = DownloadAddress);
    ~HangingListener();
    HangingListener(const HangingListener&) = delete;
    HangingListener& operator=(const HangingListener&) = delete;

    [[nodiscard]] uint16_t Port() const { return listener_.Port(); }

private:
    LoopbackListener listener_;
    SOCKET filler_ = INVALID_SOCKET;
};
