#include "tests/support/device_records.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace test_support {

namespace {

constexpr size_t kOsdRecordSize = 187;
constexpr size_t kMaxPoints = 10;
constexpr size_t kSetHeaderSize = 8;    // 4 bytes the views do not read, then the entry count
constexpr size_t kLineEntrySize = 87;   // point count, colour, points
constexpr size_t kFigureLineSize = 91;  // colour, 4 unread bytes, point count, points
constexpr size_t kFigureLines = 32;
constexpr size_t kLabelSize = 79;  // colour, 4 unread bytes, x, y, 64-byte text
constexpr size_t kFigureLabels = 10;
constexpr size_t kLabelTextSize = 64;
constexpr size_t kLabelCountAt = kSetHeaderSize + kFigureLines * kFigureLineSize;  // 2920

void put(std::string& record, size_t at, uint32_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) record[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

void putColour(std::string& record, size_t at, uint8_t red, uint8_t green, uint8_t blue) {
    record[at] = static_cast<char>(red);
    record[at + 1] = static_cast<char>(green);
    record[at + 2] = static_cast<char>(blue);
}

// The point count at countAt, the points that fit (x then y) from pointsAt.
void putPoints(std::string& record, size_t countAt, size_t pointsAt, const std::vector<StatusPoint>& points) {
    put(record, countAt, static_cast<uint32_t>(points.size()), 4);
    for (size_t i = 0; i < std::min(points.size(), kMaxPoints); ++i) {
        put(record, pointsAt + 8 * i, static_cast<uint32_t>(points[i].x), 4);
        put(record, pointsAt + 8 * i + 4, static_cast<uint32_t>(points[i].y), 4);
    }
}

}  // namespace

std::string encodeOsdRecord(const OsdRecordFields& fields) {
    const std::tm& clock = fields.clock;
    std::string record(kOsdRecordSize, '\0');
    put(record, 0, static_cast<uint32_t>(clock.tm_wday), 2);
    put(record, 2, static_cast<uint32_t>(clock.tm_year + 1900), 2);
    record[4] = static_cast<char>(clock.tm_mon + 1);
    record[5] = static_cast<char>(clock.tm_mday);
    record[6] = static_cast<char>(clock.tm_hour);
    record[7] = static_cast<char>(clock.tm_min);
    record[8] = static_cast<char>(clock.tm_sec);
    std::memcpy(&record[9], fields.location.data(), std::min<size_t>(fields.location.size(), 127));
    put(record, 137, fields.dateFormat, 4);
    put(record, 141, fields.showFlags, 4);
    put(record, 145, fields.channel, 2);
    return record;
}

std::string encodeOsdRecord(const std::string& location) {
    OsdRecordFields fields;
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &fields.clock);
    fields.location = location;
    return encodeOsdRecord(fields);
}

std::string encodeLineSet(int32_t type, const std::vector<StatusLine>& lines) {
    if (type != kLineSetShortType && type != kLineSetType && type != kLineSetBallType)
        throw std::invalid_argument("no line set has type " + std::to_string(type));
    const size_t entries = type == kLineSetShortType ? 5 : 32;
    std::string record(kSetHeaderSize + entries * kLineEntrySize, '\0');
    put(record, 4, static_cast<uint32_t>(lines.size()), 4);
    for (size_t i = 0; i < std::min(lines.size(), entries); ++i) {
        const size_t at = kSetHeaderSize + i * kLineEntrySize;
        putPoints(record, at, at + 7, lines[i].points);
        putColour(record, at + 4, lines[i].red, lines[i].green, lines[i].blue);
    }
    return record;
}

std::string encodeFigureSet(const std::vector<StatusLine>& lines, const std::vector<StatusLabel>& labels) {
    std::string record(kLabelCountAt + 4 + kFigureLabels * kLabelSize, '\0');
    put(record, 4, static_cast<uint32_t>(lines.size()), 4);
    for (size_t i = 0; i < std::min(lines.size(), kFigureLines); ++i) {
        const size_t at = kSetHeaderSize + i * kFigureLineSize;
        putColour(record, at, lines[i].red, lines[i].green, lines[i].blue);
        putPoints(record, at + 7, at + 11, lines[i].points);
    }
    put(record, kLabelCountAt, static_cast<uint32_t>(labels.size()), 4);
    for (size_t i = 0; i < std::min(labels.size(), kFigureLabels); ++i) {
        const size_t at = kLabelCountAt + 4 + i * kLabelSize;
        const StatusLabel& label = labels[i];
        putColour(record, at, label.red, label.green, label.blue);
        put(record, at + 7, static_cast<uint32_t>(label.x), 4);
        put(record, at + 11, static_cast<uint32_t>(label.y), 4);
        std::memcpy(&record[at + 15], label.text.data(), std::min(label.text.size(), kLabelTextSize - 1));
    }
    return record;
}

}  // namespace test_support
