// The OSD settings reader takes JSON text from the page. Whatever the text, it answers without
// throwing; a refusal changes nothing, and an accepted text leaves a record the drawing can trust:
// the location terminated inside its field, the camera's fields zero, only known show flags.
#include "app/player/osd_settings_json.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    OsdRecord record;
    std::memset(&record, 0x5A, sizeof(record));
    const OsdRecord before = record;
    const bool read = ReadOsdSettings(std::string(reinterpret_cast<const char*>(data), size), &record);
    if (!read) {
        if (std::memcmp(&record, &before, sizeof(record)) != 0) __builtin_trap();
        return 0;
    }
    if (std::memchr(record.location, '\0', sizeof(record.location)) == nullptr) __builtin_trap();
    if (record.weekday != 0 || record.year != 0 || record.month != 0 || record.day != 0 || record.hour != 0 ||
        record.minute != 0 || record.second != 0 || record.channel != 0) {
        __builtin_trap();
    }
    if ((record.showFlags & ~0x1Fu) != 0) __builtin_trap();
    return 0;
}
