// The camera's end of one accepted device link, on loopback: checks what the link sends (greeting,
// stop word) and sends it messages whole, split across segments, packed together or with lengths
// that lie. Every wait has a time-out, so a faulty link fails a test instead of hanging it.
// Owns the connection (closed on destruction); used by one thread at a time.
#pragma once

#include "platform/net/unique_descriptor.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace test_support {

class DeviceLinkEnd {
public:
    using Timeout = std::chrono::milliseconds;
    static constexpr Timeout kDefaultTimeout{5000};

    DeviceLinkEnd() = default;
    explicit DeviceLinkEnd(platform::detail::UniqueDescriptor connected);

    // True while connected (a link that closed its end is noticed by the next read).
    bool open() const { return static_cast<bool>(fd_); }
    // Reads the 8-byte greeting; true when it holds the words 123 and 0.
    bool expectGreeting(Timeout timeout = kDefaultTimeout);
    // Reads exactly count bytes; fewer when the link closed (the connection is then dropped) or the
    // time ran out.
    std::string receiveBytes(size_t count, Timeout timeout = kDefaultTimeout);
    // Reads until the link closes the connection (which is then dropped); closed tells whether it
    // did in time.
    std::string receiveUntilClosed(bool& closed, Timeout timeout = kDefaultTimeout);

    bool sendMessage(int32_t type, const std::string& body);
    bool sendRaw(const std::string& bytes);
    // Sends the bytes in chunks of segmentSize, pausing between them so they travel separately.
    bool sendInSegments(const std::string& bytes, size_t segmentSize);
    void close();

private:
    // Reads up to count bytes; closed tells whether the link ended the connection meanwhile.
    std::string receive(size_t count, Timeout timeout, bool& closed);

    platform::detail::UniqueDescriptor fd_;
};

// True when the descriptor has something to read (or has been closed) within the time given.
bool waitReadable(int fd, DeviceLinkEnd::Timeout timeout);

// A device message as it goes on the wire: type, length and body; the length may differ from the
// body's size.
std::string encodeDeviceFrame(int32_t type, int32_t length, const std::string& body);
std::string encodeDeviceMessage(int32_t type, const std::string& body);
// The little-endian 32-bit word at offset.
uint32_t decodeDeviceWord(const std::string& bytes, size_t offset);

}  // namespace test_support
