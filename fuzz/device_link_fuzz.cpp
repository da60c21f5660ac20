// The device link splits the camera's byte stream into messages. The input is that stream; it is
// handed over in pieces of varying size, as a socket would.
#include "app/device/device_message_framing.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

void Silent(const char*, ...) {}

struct Stream {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool Receive(char* into, int count) {
        if (count < 0 || static_cast<size_t>(count) > size - at) return false;
        std::memcpy(into, data + at, static_cast<size_t>(count));
        at += static_cast<size_t>(count);
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Stream stream{data, size};
    DeviceMessageBuffer buffer;
    size_t messages = 0;
    const auto deliver = [&](int, const char* body, int length) {
        if (length < 1 || length > kMaxDeviceMessageBody || body[length] != 0) __builtin_trap();
        ++messages;
    };
    const auto receive = [&](char* into, int count) { return stream.Receive(into, count); };
    size_t before = stream.at;
    while (ReadDeviceMessage(receive, buffer, deliver, &Silent)) {
        // Every message takes its two words and at least one body byte from the stream.
        if (stream.at < before + 2 * kDeviceWordSize + 1) __builtin_trap();
        before = stream.at;
    }
    if (messages > size / (2 * kDeviceWordSize + 1)) __builtin_trap();
    return 0;
}
