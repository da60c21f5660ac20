#include "tests/support/loopback_device_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace test_support {

namespace {

constexpr int kNormalBacklog = 8;

sockaddr_in endpoint(const std::string& address, uint16_t port) {
    sockaddr_in where = {};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    return where;
}

}  // namespace

LoopbackDevicePeer::LoopbackDevicePeer(uint16_t port, const std::string& address) : address_(address), port_(port) {
    if (!openListener(kNormalBacklog))
        throw std::runtime_error("device peer cannot listen on " + address + ":" + std::to_string(port));
}

LoopbackDevicePeer::~LoopbackDevicePeer() = default;

bool LoopbackDevicePeer::openListener(int backlog) {
    listener_.reset();
    platform::detail::UniqueDescriptor listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener) return false;
    const int yes = 1;
    ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in where = endpoint(address_, port_);
    socklen_t size = sizeof where;
    if (::bind(listener.get(), reinterpret_cast<sockaddr*>(&where), size) != 0 ||
        ::listen(listener.get(), backlog) != 0 ||
        ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&where), &size) != 0) {
        return false;
    }
    listener_ = std::move(listener);
    port_ = ntohs(where.sin_port);
    return true;
}

void LoopbackDevicePeer::stopListening() {
    filler_.reset();
    listener_.reset();
}

bool LoopbackDevicePeer::listenAgain() { return openListener(kNormalBacklog); }

bool LoopbackDevicePeer::stallNewConnections() {
    filler_.reset();
    if (!openListener(0)) return false;
    filler_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in where = endpoint(address_, port_);
    return filler_ && ::connect(filler_.get(), reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0;
}

bool LoopbackDevicePeer::releaseStalledConnections() {
    accept(kDefaultTimeout);  // the filler's end, first in the queue, closed at once
    filler_.reset();
    return static_cast<bool>(listener_);
}

platform::detail::UniqueDescriptor LoopbackDevicePeer::accept(Timeout timeout) {
    if (!listener_ || !waitReadable(listener_.get(), timeout)) return {};
    return platform::detail::UniqueDescriptor(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
}

bool LoopbackDevicePeer::acceptLink(Timeout timeout) {
    platform::detail::UniqueDescriptor accepted = accept(timeout);
    if (!accepted) return false;
    lastAccept_ = Clock::now();
    link_ = DeviceLinkEnd(std::move(accepted));
    ++accepted_;
    return true;
}

DeviceLinkEnd LoopbackDevicePeer::acceptAnotherLink(Timeout timeout) {
    platform::detail::UniqueDescriptor accepted = accept(timeout);
    return accepted ? DeviceLinkEnd(std::move(accepted)) : DeviceLinkEnd();
}

bool LoopbackDevicePeer::noConnectionWithin(Timeout timeout) {
    return listener_ && !waitReadable(listener_.get(), timeout);
}

}  // namespace test_support
