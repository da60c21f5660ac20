// Bodies of the device messages a camera sends, laid out as the camera views read them (packed,
// little-endian): the on-screen-display record (type 1) and the status records the preview views
// draw, line sets (types 2, 3 and 10) and the figure set of lines and labels (type 4).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace test_support {

struct StatusPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// One polyline of a status record, in picture pixels.
struct StatusLine {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    std::vector<StatusPoint> points;
};

// One label of the figure set; the text is in the ANSI code page.
struct StatusLabel {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    int32_t x = 0;
    int32_t y = 0;
    std::string text;
};

constexpr int32_t kLineSetShortType = 2;
constexpr int32_t kLineSetType = 3;
constexpr int32_t kFigureSetType = 4;
constexpr int32_t kLineSetBallType = 10;

// The 187-byte on-screen-display record of the camera's clock (date, time and weekday of the moment
// given) with the location text (UTF-8, as on the wire), the date-format code, the show flags and
// the channel index.
struct OsdRecordFields {
    std::tm clock{};
    std::string location;
    uint32_t dateFormat = 1;    // "%02d-%02d-%d"
    uint32_t showFlags = 0x1f;  // date, time, weekday, channel and location
    uint16_t channel = 0;       // channel one
};
std::string encodeOsdRecord(const OsdRecordFields& fields);
// The same for the local time now, everything shown, date format 1, channel one.
std::string encodeOsdRecord(const std::string& location);

// Each count written is the size given (so a test can claim more entries or points than the record
// holds); the entries and points that fit are stored, the rest of the record is zero.
// A line set of type 2 (443 bytes, 5 entries), 3 or 10 (2792 bytes, 32 entries); throws
// std::invalid_argument for any other type.
std::string encodeLineSet(int32_t type, const std::vector<StatusLine>& lines);
// The figure set of type 4 (3714 bytes): up to 32 lines and 10 labels.
std::string encodeFigureSet(const std::vector<StatusLine>& lines, const std::vector<StatusLabel>& labels);

}  // namespace test_support
