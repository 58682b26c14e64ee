#include "loopback_listener.h"

#include <stdexcept>
#include <string>

LoopbackListener::LoopbackListener(uint16_t port, int backlog, u_long host) : host_(host)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        throw std::runtime_error("WSAStartup failed");
    }
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(host_);
    address.sin_port = htons(port);
    int length = sizeof address;
    if (socket_ == INVALID_SOCKET || bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(socket_, backlog) != 0 || getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(socket_);
        WSACleanup();
        throw std::runtime_error("cannot listen on loopback port " + std::to_string(port));
    }
    port_ = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener()
{
    closesocket(socket_);
    WSACleanup();
}

sockaddr_in LoopbackListener::Address() const
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(host_);
    address.sin_port = htons(port_);
    return address;
}
