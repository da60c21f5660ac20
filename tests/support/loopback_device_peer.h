// The camera's end of the device link, on loopback: listens, accepts the link, checks what the link
// sends (greeting, stop word) and sends it messages whole, split across segments, packed together,
// with lengths that lie, or drops the connection. Every wait has a time-out, so a faulty link fails
// a test instead of hanging it. Used by one thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace test_support {

class LoopbackDevicePeer {
public:
    using Timeout = std::chrono::milliseconds;
    static constexpr Timeout kDefaultTimeout{5000};

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

    // Accepts the next connection (dropping the current one); false when none came in time.
    bool acceptLink(Timeout timeout = kDefaultTimeout);
    // True while a link is connected (a link that closed its end is noticed by the next read).
    bool linked() const { return link_ >= 0; }
    // Connections accepted so far.
    int acceptedCount() const { return accepted_; }
    // Reads the 8-byte greeting; true when it holds the words 123 and 0.
    bool expectGreeting(Timeout timeout = kDefaultTimeout);
    // Reads exactly count bytes; fewer when the link closed (the connection is then dropped) or the
    // time ran out.
    std::string receiveBytes(size_t count, Timeout timeout = kDefaultTimeout);
    // Reads until the link closes the connection (which is then dropped); closed tells whether it
    // did in time.
    std::string receiveUntilClosed(bool& closed, Timeout timeout = kDefaultTimeout);
    // True when no connection is waiting to be accepted within the time given.
    bool noConnectionWithin(Timeout timeout);

    bool sendMessage(int32_t type, const std::string& body);
    bool sendRaw(const std::string& bytes);
    // Sends the bytes in chunks of segmentSize, pausing between them so they travel separately.
    bool sendInSegments(const std::string& bytes, size_t segmentSize);
    void dropConnection();

    // type, length and body as they go on the wire; the length may differ from the body's size.
    static std::string encodeFrame(int32_t type, int32_t length, const std::string& body);
    static std::string encodeMessage(int32_t type, const std::string& body);
    static uint32_t decodeWord(const std::string& bytes, size_t offset);

private:
    bool openListener(int backlog);
    bool waitReadable(int fd, Timeout timeout);
    // Reads up to count bytes; closed tells whether the link ended the connection meanwhile.
    std::string receive(size_t count, Timeout timeout, bool& closed);

    std::string address_;
    uint16_t port_ = 0;
    int listener_ = -1;
    int link_ = -1;
    int filler_ = -1;
    int accepted_ = 0;
};

}  // namespace test_support
