// A Winsock socket with an owner: closed (closesocket) when the owner goes or is given another.
#pragma once

#include "platform/net/win_sockets.h"

#include <utility>

class OwnedSocket {
public:
    OwnedSocket() = default;
    explicit OwnedSocket(SOCKET s) : socket_(s) {}
    ~OwnedSocket() { reset(); }
    OwnedSocket(OwnedSocket&& other) noexcept : socket_(other.release()) {}
    OwnedSocket& operator=(OwnedSocket&& other) noexcept {
        reset(other.release());
        return *this;
    }

    SOCKET get() const { return socket_; }
    explicit operator bool() const { return socket_ != INVALID_SOCKET; }
    // Gives the socket up without closing it.
    SOCKET release() { return std::exchange(socket_, INVALID_SOCKET); }
    void reset(SOCKET s = INVALID_SOCKET) {
        const SOCKET old = std::exchange(socket_, s);
        if (old != INVALID_SOCKET) closesocket(old);
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
};
