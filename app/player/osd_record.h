// The on-screen-display record: 187 packed little-endian bytes, exactly as the camera sends it in
// a device message of type 1; the view holds it under its frame lock.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
struct OsdRecord {
    int16_t weekday;  // 0 Sunday .. 6 Saturday
    int16_t year;
    int8_t month;
    int8_t day;
    int8_t hour;
    int8_t minute;
    int8_t second;
    char location[128];   // ANSI code page in the view, UTF-8 on the wire
    uint32_t dateFormat;  // 0..8
    uint32_t showFlags;   // kOsdShow*
    uint16_t channel;     // 0..6
    float dateposx;
    float dateposy;
    float timeposx;
    float timeposy;
    float weekposx;
    float weekposy;
    float chnposx;
    float chnposy;
    float locposx;
    float locposy;
};
#pragma pack(pop)

static_assert(sizeof(OsdRecord) == 187, "the OSD record travels as 187 bytes");

enum OsdShowFlag : uint32_t {
    kOsdShowDate = 0x1,
    kOsdShowTime = 0x2,
    kOsdShowWeekday = 0x4,
    kOsdShowChannel = 0x8,
    kOsdShowLocation = 0x10,
};
