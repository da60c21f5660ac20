#include "bench/support/rtp_arrival_tap.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

namespace bench_support {
namespace {

using platform::detail::UniqueDescriptor;

// Follows the camera-to-client byte stream of an interleaved RTSP session: RTSP answers (text,
// with a body of Content-Length bytes) and binary frames ('$', channel, 16-bit length, packet).
// Reports each completed RTP packet of channel 0 whose marker bit is set.
class InterleavedScanner {
public:
    // Returns how many marker packets ended inside the bytes.
    int Feed(const uint8_t* data, size_t size) {
        int markers = 0;
        for (size_t i = 0; i < size;) {
            i += Step(data + i, size - i, markers);
        }
        return markers;
    }

private:
    enum class State { kStart, kFrameHeader, kFrameBody, kTextHeader, kTextBody };

    size_t Step(const uint8_t* data, size_t size, int& markers) {
        switch (state_) {
            case State::kStart:
                state_ = data[0] == '$' ? State::kFrameHeader : State::kTextHeader;
                header_.clear();
                return 0;
            case State::kFrameHeader:
                header_.push_back(static_cast<char>(data[0]));
                if (header_.size() == 4) {
                    channel_ = static_cast<uint8_t>(header_[1]);
                    left_ = (static_cast<uint8_t>(header_[2]) << 8) | static_cast<uint8_t>(header_[3]);
                    seen_ = 0;
                    marker_ = false;
                    state_ = left_ > 0 ? State::kFrameBody : State::kStart;
                }
                return 1;
            case State::kFrameBody: {
                const size_t take = std::min(size, left_);
                if (seen_ < 2 && seen_ + take >= 2) {
                    marker_ = (data[1 - seen_] & 0x80) != 0;  // second byte of the RTP header
                }
                seen_ += take;
                left_ -= take;
                if (left_ == 0) {
                    markers += channel_ == 0 && marker_ ? 1 : 0;
                    state_ = State::kStart;
                }
                return take;
            }
            case State::kTextHeader:
                header_.push_back(static_cast<char>(data[0]));
                if (header_.size() >= 4 && header_.compare(header_.size() - 4, 4, "\r\n\r\n") == 0) {
                    left_ = ContentLength(header_);
                    state_ = left_ > 0 ? State::kTextBody : State::kStart;
                }
                return 1;
            case State::kTextBody: {
                const size_t take = std::min(size, left_);
                left_ -= take;
                state_ = left_ == 0 ? State::kStart : State::kTextBody;
                return take;
            }
        }
        return size;
    }

    static size_t ContentLength(std::string header) {
        std::transform(header.begin(), header.end(), header.begin(), [](unsigned char c) { return std::tolower(c); });
        const size_t at = header.find("\ncontent-length:");
        return at == std::string::npos ? 0 : std::strtoul(header.c_str() + at + 16, nullptr, 10);
    }

    State state_ = State::kStart;
    std::string header_;
    uint8_t channel_ = 0;
    size_t left_ = 0;
    size_t seen_ = 0;
    bool marker_ = false;
};

uint16_t PortOf(const std::string& url) {
    const size_t host = url.find("://");
    const size_t colon = host == std::string::npos ? host : url.find(':', host + 3);
    if (colon == std::string::npos) {
        throw std::runtime_error("no port in " + url);
    }
    return static_cast<uint16_t>(std::stoi(url.substr(colon + 1)));
}

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

UniqueDescriptor ConnectTo(uint16_t port) {
    UniqueDescriptor socket(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in address = Loopback(port);
    if (!socket || ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return {};
    }
    const int on = 1;
    setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return socket;
}

bool SendAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

}  // namespace

RtpArrivalTap::RtpArrivalTap(const std::string& cameraUrl) : cameraPort_(PortOf(cameraUrl)) {
    listener_.reset(::socket(AF_INET, SOCK_STREAM, 0));
    stop_.reset(eventfd(0, 0));
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (!listener_ || !stop_ || ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_.get(), 4) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("the RTP arrival tap cannot listen");
    }
    const std::string camera = ":" + std::to_string(cameraPort_);
    url_ = cameraUrl;
    url_.replace(url_.find(camera), camera.size(), ":" + std::to_string(ntohs(address.sin_port)));
    thread_ = std::thread(&RtpArrivalTap::Run, this);
}

RtpArrivalTap::~RtpArrivalTap() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stop_.get(), &one, sizeof one);
    thread_.join();
}

std::vector<RtpArrivalTap::Clock::time_point> RtpArrivalTap::PictureArrivals() const {
    std::lock_guard lock(mutex_);
    return arrivals_;
}

void RtpArrivalTap::Run() {
    while (true) {
        pollfd waits[2] = {{listener_.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 || waits[1].revents != 0) {
            return;
        }
        UniqueDescriptor client(::accept(listener_.get(), nullptr, nullptr));
        if (client) {
            Relay(std::move(client));
        }
    }
}

// Copies both ways until either side closes or the tap stops; notes the time right after the last
// byte of each marker packet went to the client.
void RtpArrivalTap::Relay(UniqueDescriptor client) {
    const UniqueDescriptor camera = ConnectTo(cameraPort_);
    if (!camera) {
        return;
    }
    const int on = 1;
    setsockopt(client.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    {
        std::lock_guard lock(mutex_);
        arrivals_.clear();
    }
    InterleavedScanner scanner;
    std::vector<uint8_t> buffer(256 * 1024);
    while (true) {
        pollfd waits[3] = {{client.get(), POLLIN, 0}, {camera.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
        if (::poll(waits, 3, -1) < 0 || waits[2].revents != 0) {
            return;
        }
        for (int side = 0; side < 2; ++side) {
            if (waits[side].revents == 0) {
                continue;
            }
            const int from = waits[side].fd;
            const int to = side == 0 ? camera.get() : client.get();
            const ssize_t got = ::recv(from, buffer.data(), buffer.size(), 0);
            if (got <= 0 || !SendAll(to, buffer.data(), static_cast<size_t>(got))) {
                return;
            }
            if (side == 1) {
                const Clock::time_point handedOn = Clock::now();
                const int pictures = scanner.Feed(buffer.data(), static_cast<size_t>(got));
                std::lock_guard lock(mutex_);
                arrivals_.insert(arrivals_.end(), static_cast<size_t>(pictures), handedOn);
            }
        }
    }
}

}  // namespace bench_support
