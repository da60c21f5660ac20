#include "tests/support/loopback_device_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace test_support {

namespace {

constexpr int kNormalBacklog = 8;

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

sockaddr_in endpoint(const std::string& address, uint16_t port) {
    sockaddr_in where = {};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    return where;
}

}  // namespace

LoopbackDevicePeer::LoopbackDevicePeer(uint16_t port, const std::string& address)
    : address_(address), port_(port) {
    if (!openListener(kNormalBacklog))
        throw std::runtime_error("device peer cannot listen on " + address + ":" + std::to_string(port));
}

LoopbackDevicePeer::~LoopbackDevicePeer() {
    closeFd(filler_);
    closeFd(listener_);
}

bool LoopbackDevicePeer::openListener(int backlog) {
    closeFd(listener_);
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0)
        return false;
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in where = endpoint(address_, port_);
    socklen_t size = sizeof where;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&where), size) != 0 || ::listen(listener_, backlog) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&where), &size) != 0) {
        closeFd(listener_);
        return false;
    }
    port_ = ntohs(where.sin_port);
    return true;
}

void LoopbackDevicePeer::stopListening() {
    closeFd(filler_);
    closeFd(listener_);
}

bool LoopbackDevicePeer::listenAgain() { return openListener(kNormalBacklog); }

bool LoopbackDevicePeer::stallNewConnections() {
    closeFd(filler_);
    if (!openListener(0))
        return false;
    filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in where = endpoint(address_, port_);
    return filler_ >= 0 && ::connect(filler_, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0;
}

bool LoopbackDevicePeer::releaseStalledConnections() {
    int accepted = acceptFd(kDefaultTimeout);  // the filler's end, first in the queue
    closeFd(accepted);
    closeFd(filler_);
    return listener_ >= 0;
}

int LoopbackDevicePeer::acceptFd(Timeout timeout) {
    if (listener_ < 0 || !waitReadable(listener_, timeout))
        return -1;
    return ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
}

bool LoopbackDevicePeer::acceptLink(Timeout timeout) {
    const int fd = acceptFd(timeout);
    if (fd < 0)
        return false;
    lastAccept_ = Clock::now();
    link_ = DeviceLinkEnd(fd);
    ++accepted_;
    return true;
}

DeviceLinkEnd LoopbackDevicePeer::acceptAnotherLink(Timeout timeout) {
    const int fd = acceptFd(timeout);
    return fd < 0 ? DeviceLinkEnd() : DeviceLinkEnd(fd);
}

bool LoopbackDevicePeer::noConnectionWithin(Timeout timeout) {
    return listener_ >= 0 && !waitReadable(listener_, timeout);
}

}  // namespace test_support
