// The messages a camera sends over its device link, and the sink that receives them.
//
// On the wire every message is a little-endian 32-bit type, a little-endian 32-bit body length and
// the body. The link hands each body to a DeviceMessageCallback on its reader thread; the body is
// valid only during the call and is followed by a zero byte, so a text body can be read as a
// zero-terminated string.
#pragma once

#include <cstdint>

// (message type, body bytes, body length, the user data given to DeviceMessageClient::Start).
typedef void (*DeviceMessageCallback)(int type, const char* body, int length, void* user);

// The camera listens for the link on this TCP port.
constexpr uint16_t kDeviceMessagePort = 8081;

// Longest body the link hands on; the excess of a longer one is read and discarded.
constexpr int kMaxDeviceMessageBody = 10240;

// Words the link sends: twice (greeting word, 0) after each connect, the greeting word alone on stop.
constexpr uint32_t kDeviceGreetingWord = 123;

// The message types the camera views understand.
enum DeviceMessageType : int {
    kDeviceAlarmText = 0,       // zero-terminated alarm text
    kDeviceOsdRecord = 1,       // the 187-byte on-screen-display record
    kDeviceLineSetShort = 2,    // line set of 5 entries, 443 bytes
    kDeviceLineSet = 3,         // line set of 32 entries, 2792 bytes
    kDeviceFigureSet = 4,       // lines and labels, 3714 bytes
    kDeviceAlarmTextOther = 5,  // zero-terminated alarm text of the second kind
    kDeviceLineSetBall = 10,    // line set of 32 entries, 2792 bytes, for dome cameras
};

constexpr int kOsdRecordSize = 187;
constexpr int kDeviceLineSetShortSize = 443;
constexpr int kDeviceLineSetSize = 2792;
constexpr int kDeviceFigureSetSize = 3714;
