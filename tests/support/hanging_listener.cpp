#include "hanging_listener.h"

#include <stdexcept>
#include <string>

HangingListener::HangingListener(uint16_t port, u_long host) : listener_(port, 0, host)
{
    filler_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = listener_.Address();
    if (filler_ == INVALID_SOCKET ||
        connect(filler_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(filler_);
        throw std::runtime_error("cannot fill the queue of loopback port " + std::to_string(listener_.Port()));
    }
}

HangingListener::~HangingListener()
{
    closesocket(filler_);
}
