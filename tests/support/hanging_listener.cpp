#include "hanging_listener.h"

#include <stdexcept>
#include <string>

HangingListener::HangingListener(uint16_t port)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        throw std::runtime_error("WSAStartup failed");
    }
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    filler_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof address;
    if (listener_ == INVALID_SOCKET || filler_ == INVALID_SOCKET ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 0) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(filler_);
        closesocket(listener_);
        WSACleanup();
        throw std::runtime_error("cannot make a hanging listener on 127.0.0.1:" + std::to_string(port));
    }
    port_ = ntohs(address.sin_port);
}

HangingListener::~HangingListener()
{
    closesocket(filler_);
    closesocket(listener_);
    WSACleanup();
}
