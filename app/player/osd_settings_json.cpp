#include "app/player/osd_settings_json.h"

#include "app/util/code_page_text.h"
#include "app/util/json_text.h"

#include <json/value.h>

#include <cstddef>
#include <cstring>

namespace {

struct ShowSwitch {
    const char* key;
    uint32_t flag;
};

constexpr ShowSwitch kShowSwitches[] = {
    {"showdate", kOsdShowDate},       {"showtime", kOsdShowTime},         {"showweek", kOsdShowWeekday},
    {"showchannel", kOsdShowChannel}, {"showlocation", kOsdShowLocation},
};

// The ten positions, in the record's order.
struct Position {
    const char* key;
    size_t offset;
};

constexpr Position kPositions[] = {
    {"dateposx", offsetof(OsdRecord, dateposx)}, {"dateposy", offsetof(OsdRecord, dateposy)},
    {"timeposx", offsetof(OsdRecord, timeposx)}, {"timeposy", offsetof(OsdRecord, timeposy)},
    {"weekposx", offsetof(OsdRecord, weekposx)}, {"weekposy", offsetof(OsdRecord, weekposy)},
    {"chnposx", offsetof(OsdRecord, chnposx)},   {"chnposy", offsetof(OsdRecord, chnposy)},
    {"locposx", offsetof(OsdRecord, locposx)},   {"locposy", offsetof(OsdRecord, locposy)},
};

// The library's own conversions; a member it cannot convert raises its exception.
void ReadSettings(const Json::Value& settings, OsdRecord* record) {
    record->dateFormat = static_cast<uint32_t>(settings["dateformat"].asInt());
    const std::string location = settings["location"].asString();
    Utf8ToAnsi(record->location, location.c_str(), static_cast<int>(sizeof(record->location)));
    for (const Position& position : kPositions) {
        const float value = settings[position.key].asFloat();
        // The record is packed: its floats may lie at any address.
        std::memcpy(reinterpret_cast<char*>(record) + position.offset, &value, sizeof(value));
    }
    for (const ShowSwitch& show : kShowSwitches) {
        if (settings[show.key].asBool()) record->showFlags |= show.flag;
    }
}

}  // namespace

bool ReadOsdSettings(const std::string& json, OsdRecord* record) {
    if (record == nullptr) return false;
    OsdRecord read;
    std::memset(&read, 0, sizeof(read));
    try {
        Json::Value root;
        if (!ParseJsonText(json, &root)) return false;
        ReadSettings(root["result"], &read);
    } catch (const Json::Exception&) {
        return false;
    }
    *record = read;
    return true;
}
