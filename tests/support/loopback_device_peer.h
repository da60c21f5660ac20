// The camera's end of the device link, on loopback: listens, accepts the link (one at a time, the
// test driving it through link()), or hands further links to a caller that serves several at once.
// It can refuse connections or leave them hanging in the TCP handshake. Every wait has a time-out,
// so a faulty link fails a test instead of hanging it. Used by one thread at a time.
#pragma once

#include "tests/support/device_link_end.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace test_support {

class LoopbackDevicePeer {
public:
    using Timeout = DeviceLinkEnd::Timeout;
    using Clock = std::chrono::steady_clock;
    static constexpr Timeout kDefaultTimeout = DeviceLinkEnd::kDefaultTimeout;

    // Listens on address:port; port 0 picks a free one. Throws std::runtime_error when it cannot.
    explicit LoopbackDevicePeer(uint16_t port = 0, const std::string& address = "127.0.0.1");
    ~LoopbackDevicePeer();
    LoopbackDevicePeer(const LoopbackDevicePeer&) = delete;
    LoopbackDevicePeer& operator=(const LoopbackDevicePeer&) = delete;

    uint16_t port() const { return port_; }

    // Closes the listening socket: further connects are refused. listenAgain reopens the same port.
    void stopListening();
    bool listenAgain();
    // Makes further connects hang in the TCP handshake: the accept queue is shrunk to one entry and
    // filled by a connection of the peer's own, which nobody accepts.
    bool stallNewConnections();
    // Accepts the peer's own stalling connection, so that the queue has room again: a hanging
    // connect then gets through when its handshake is next retried (about a second on Linux).
    bool releaseStalledConnections();

    // Accepts the next connection as link() (dropping the current one); false when none came in time.
    bool acceptLink(Timeout timeout = kDefaultTimeout);
    // Accepts the next connection for the caller, leaving link() alone; a closed end when none came.
    DeviceLinkEnd acceptAnotherLink(Timeout timeout);
    DeviceLinkEnd& link() { return link_; }
    void dropConnection() { link_.close(); }
    // Connections accepted as link() so far, and when the last one was accepted.
    int acceptedCount() const { return accepted_; }
    Clock::time_point lastAcceptTime() const { return lastAccept_; }
    // True when no connection is waiting to be accepted within the time given.
    bool noConnectionWithin(Timeout timeout);

private:
    bool openListener(int backlog);
    platform::detail::UniqueDescriptor accept(Timeout timeout);

    std::string address_;
    uint16_t port_ = 0;
    platform::detail::UniqueDescriptor listener_;
    platform::detail::UniqueDescriptor filler_;  // a connection that fills the backlog while stalling
    DeviceLinkEnd link_;
    int accepted_ = 0;
    Clock::time_point lastAccept_;
};

}  // namespace test_support
