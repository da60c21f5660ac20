#include "tests/support/loopback_device_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <thread>

namespace test_support {

namespace {

constexpr int kNormalBacklog = 8;
constexpr auto kSegmentPause = std::chrono::milliseconds(2);

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::string encodeWord(uint32_t word) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((word >> (8 * i)) & 0xff);
    return bytes;
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
    closeFd(link_);
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

bool LoopbackDevicePeer::waitReadable(int fd, Timeout timeout) {
    pollfd watch = {fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&watch, 1, static_cast<int>(timeout.count()));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool LoopbackDevicePeer::acceptLink(Timeout timeout) {
    if (listener_ < 0 || !waitReadable(listener_, timeout))
        return false;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return false;
    closeFd(link_);
    link_ = fd;
    const int yes = 1;
    ::setsockopt(link_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    ++accepted_;
    return true;
}

bool LoopbackDevicePeer::noConnectionWithin(Timeout timeout) {
    return listener_ >= 0 && !waitReadable(listener_, timeout);
}

bool LoopbackDevicePeer::expectGreeting(Timeout timeout) {
    const std::string greeting = receiveBytes(8, timeout);
    return greeting.size() == 8 && decodeWord(greeting, 0) == 123 && decodeWord(greeting, 4) == 0;
}

std::string LoopbackDevicePeer::receiveBytes(size_t count, Timeout timeout) {
    bool closed = false;
    return receive(count, timeout, closed);
}

std::string LoopbackDevicePeer::receiveUntilClosed(bool& closed, Timeout timeout) {
    return receive(std::string::npos, timeout, closed);
}

std::string LoopbackDevicePeer::receive(size_t count, Timeout timeout, bool& closed) {
    std::string bytes;
    closed = false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (link_ >= 0 && bytes.size() < count) {
        const auto left = std::chrono::duration_cast<Timeout>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitReadable(link_, left))
            break;
        char chunk[4096];
        const ssize_t got = ::recv(link_, chunk, std::min(sizeof chunk, count - bytes.size()), 0);
        if (got <= 0) {
            closed = true;
            if (got == 0)
                closeFd(link_);  // the link closed its end
            break;
        }
        bytes.append(chunk, static_cast<size_t>(got));
    }
    return bytes;
}

bool LoopbackDevicePeer::sendRaw(const std::string& bytes) {
    size_t done = 0;
    while (link_ >= 0 && done < bytes.size()) {
        const ssize_t sent = ::send(link_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        done += static_cast<size_t>(sent);
    }
    return link_ >= 0;
}

bool LoopbackDevicePeer::sendMessage(int32_t type, const std::string& body) {
    return sendRaw(encodeMessage(type, body));
}

bool LoopbackDevicePeer::sendInSegments(const std::string& bytes, size_t segmentSize) {
    for (size_t at = 0; at < bytes.size(); at += segmentSize) {
        if (at > 0)
            std::this_thread::sleep_for(kSegmentPause);
        if (!sendRaw(bytes.substr(at, segmentSize)))
            return false;
    }
    return true;
}

void LoopbackDevicePeer::dropConnection() { closeFd(link_); }

uint32_t LoopbackDevicePeer::decodeWord(const std::string& bytes, size_t offset) {
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i)
        word = (word << 8) | static_cast<unsigned char>(bytes.at(offset + i));
    return word;
}

std::string LoopbackDevicePeer::encodeFrame(int32_t type, int32_t length, const std::string& body) {
    return encodeWord(static_cast<uint32_t>(type)) + encodeWord(static_cast<uint32_t>(length)) + body;
}

std::string LoopbackDevicePeer::encodeMessage(int32_t type, const std::string& body) {
    return encodeFrame(type, static_cast<int32_t>(body.size()), body);
}

}  // namespace test_support
