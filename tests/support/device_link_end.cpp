#include "tests/support/device_link_end.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

namespace test_support {

namespace {

constexpr auto kSegmentPause = std::chrono::milliseconds(2);
constexpr uint32_t kGreetingWord = 123;

std::string encodeWord(uint32_t word) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((word >> (8 * i)) & 0xff);
    return bytes;
}

}  // namespace

DeviceLinkEnd::DeviceLinkEnd(platform::detail::UniqueDescriptor connected) : fd_(std::move(connected)) {
    const int yes = 1;
    ::setsockopt(fd_.get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
}

void DeviceLinkEnd::close() { fd_.reset(); }

bool waitReadable(int fd, DeviceLinkEnd::Timeout timeout) {
    pollfd watch = {fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&watch, 1, static_cast<int>(timeout.count()));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool DeviceLinkEnd::expectGreeting(Timeout timeout) {
    const std::string greeting = receiveBytes(8, timeout);
    return greeting.size() == 8 && decodeDeviceWord(greeting, 0) == kGreetingWord && decodeDeviceWord(greeting, 4) == 0;
}

std::string DeviceLinkEnd::receiveBytes(size_t count, Timeout timeout) {
    bool closed = false;
    return receive(count, timeout, closed);
}

std::string DeviceLinkEnd::receiveUntilClosed(bool& closed, Timeout timeout) {
    return receive(std::string::npos, timeout, closed);
}

std::string DeviceLinkEnd::receive(size_t count, Timeout timeout, bool& closed) {
    std::string bytes;
    closed = false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (fd_ && bytes.size() < count) {
        const auto left = std::chrono::duration_cast<Timeout>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitReadable(fd_.get(), left)) break;
        char chunk[4096];
        const ssize_t got = ::recv(fd_.get(), chunk, std::min(sizeof chunk, count - bytes.size()), 0);
        if (got <= 0) {
            closed = true;
            if (got == 0) close();  // the link closed its end
            break;
        }
        bytes.append(chunk, static_cast<size_t>(got));
    }
    return bytes;
}

bool DeviceLinkEnd::sendRaw(const std::string& bytes) {
    size_t done = 0;
    while (fd_ && done < bytes.size()) {
        const ssize_t sent = ::send(fd_.get(), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        done += static_cast<size_t>(sent);
    }
    return static_cast<bool>(fd_);
}

bool DeviceLinkEnd::sendMessage(int32_t type, const std::string& body) {
    return sendRaw(encodeDeviceMessage(type, body));
}

bool DeviceLinkEnd::sendInSegments(const std::string& bytes, size_t segmentSize) {
    for (size_t at = 0; at < bytes.size(); at += segmentSize) {
        if (at > 0) std::this_thread::sleep_for(kSegmentPause);
        if (!sendRaw(bytes.substr(at, segmentSize))) return false;
    }
    return true;
}

std::string encodeDeviceFrame(int32_t type, int32_t length, const std::string& body) {
    return encodeWord(static_cast<uint32_t>(type)) + encodeWord(static_cast<uint32_t>(length)) + body;
}

std::string encodeDeviceMessage(int32_t type, const std::string& body) {
    return encodeDeviceFrame(type, static_cast<int32_t>(body.size()), body);
}

uint32_t decodeDeviceWord(const std::string& bytes, size_t offset) {
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i) word = (word << 8) | static_cast<unsigned char>(bytes.at(offset + i));
    return word;
}

}  // namespace test_support
