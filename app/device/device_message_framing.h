// The framing of the device link, apart from the socket so that it can be driven from memory: every
// message is a little-endian 32-bit type, a little-endian 32-bit body length and the body.
#pragma once

#include "app/device/device_message.h"

#include <algorithm>
#include <array>
#include <cstdint>

// Room for the longest body the link hands on and the zero byte after it.
typedef std::array<char, kMaxDeviceMessageBody + 1> DeviceMessageBuffer;

// The link's log: printf rules, one line per call.
typedef void (*DeviceLinkLog)(const char* format, ...);

constexpr int kDeviceWordSize = 4;

inline int32_t GetDeviceWord(const char* at) {
    uint32_t value = 0;
    for (int i = kDeviceWordSize - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(at[i]);
    return static_cast<int32_t>(value);
}

// Reads one message through receive(bytes, count), which fills exactly count bytes or answers false
// when the link broke, and hands it to deliver(type, body, length): at most kMaxDeviceMessageBody
// bytes, followed by a zero byte in the buffer. The rest of a longer body is read and dropped, so that
// the next message starts where it should. False when the link broke or the message announced a
// length below 1: the stream cannot be followed past that, and the link is dropped.
template <typename Receive, typename Deliver>
bool ReadDeviceMessage(Receive&& receive, DeviceMessageBuffer& buffer, Deliver&& deliver, DeviceLinkLog log) {
    char word[kDeviceWordSize];
    if (!receive(word, kDeviceWordSize)) return false;
    const int type = GetDeviceWord(word);
    log("receive msg type: %d", type);

    if (!receive(word, kDeviceWordSize)) return false;
    const int length = GetDeviceWord(word);
    const int kept = std::min(length, kMaxDeviceMessageBody);
    log("receive msg content len: %d", kept);
    if (kept <= 0) return false;

    if (!receive(buffer.data(), kept)) return false;
    buffer[kept] = 0;
    deliver(type, buffer.data(), kept);
    for (int rest = length - kept; rest > 0;) {
        const int chunk = std::min(rest, kMaxDeviceMessageBody);
        if (!receive(buffer.data(), chunk)) return false;
        rest -= chunk;
    }
    return true;
}
