// Owner of one socket event (WSAEVENT): made on construction, closed on destruction.
#pragma once

#include "platform/net/win_sockets.h"

class SocketEvent {
public:
    SocketEvent() : event_(WSACreateEvent()) {}
    ~SocketEvent() {
        if (event_ != WSA_INVALID_EVENT) WSACloseEvent(event_);
    }
    SocketEvent(const SocketEvent&) = delete;
    SocketEvent& operator=(const SocketEvent&) = delete;

    bool valid() const { return event_ != WSA_INVALID_EVENT; }
    WSAEVENT get() const { return event_; }

private:
    const WSAEVENT event_;
};
