#include "app/player/device_status_records.h"

#include "app/device/device_message.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kCountAt = 4;  // after 4 bytes the views do not read
constexpr size_t kEntriesAt = 8;
constexpr int kMaxPoints = 10;

constexpr size_t kLineEntrySize = 87;
constexpr size_t kLineEntryColourAt = 4;
constexpr size_t kLineEntryPointsAt = 7;

constexpr int kFigureLines = 32;
constexpr size_t kFigureLineSize = 91;
constexpr size_t kFigureLineCountAt = 7;  // after the colour and 4 unread bytes
constexpr size_t kFigureLinePointsAt = 11;
constexpr size_t kLabelCountAt = kEntriesAt + kFigureLines * kFigureLineSize;
constexpr int kLabels = 10;
constexpr size_t kLabelSize = 79;
constexpr size_t kLabelXAt = 7;
constexpr size_t kLabelYAt = 11;
constexpr size_t kLabelTextAt = 15;
constexpr size_t kLabelTextSize = 64;

static_assert(LineSetSize(kLineSetShortEntries) == kDeviceLineSetShortSize);
static_assert(LineSetSize(kLineSetEntries) == kDeviceLineSetSize);
static_assert(kLabelCountAt + 4 + kLabels * kLabelSize == kFigureSetSize);
static_assert(kFigureSetSize == kDeviceFigureSetSize);

int32_t readInt32(const uint8_t* at) {
    return static_cast<int32_t>(static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                                static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24);
}

// A count of the record bounded to 0..limit.
int boundedCount(const uint8_t* at, int limit) { return std::clamp(readInt32(at), 0, limit); }

StatusColour readColour(const uint8_t* at) { return StatusColour{at[0], at[1], at[2]}; }

ShapePoint readPoint(const uint8_t* at) {
    return ShapePoint{static_cast<float>(readInt32(at)), static_cast<float>(readInt32(at + 4))};
}

// The open path through the first min(count, 10) of the points at `points`.
void walkPolyline(const uint8_t* countAt, const uint8_t* points, const StatusColour& colour,
                  StatusRecordCanvas& canvas) {
    const int count = boundedCount(countAt, kMaxPoints);
    for (int j = 1; j < count; ++j)
        canvas.DrawStatusLine(readPoint(points + 8 * (j - 1)), readPoint(points + 8 * j), colour);
}

void walkLabel(const uint8_t* label, StatusRecordCanvas& canvas) {
    char text[kLabelTextSize + 1];
    const uint8_t* field = label + kLabelTextAt;
    const size_t length = std::find(field, field + kLabelTextSize, 0) - field;
    std::memcpy(text, field, length);
    text[length] = '\0';
    canvas.DrawStatusLabel(readInt32(label + kLabelXAt), readInt32(label + kLabelYAt), text, readColour(label));
}

}  // namespace

void WalkLineSet(const uint8_t* record, size_t length, int maxEntries, StatusRecordCanvas& canvas) {
    if (!record || maxEntries < 0 || length < LineSetSize(maxEntries)) return;
    const int entries = boundedCount(record + kCountAt, maxEntries);
    for (int i = 0; i < entries; ++i) {
        const uint8_t* entry = record + kEntriesAt + i * kLineEntrySize;
        walkPolyline(entry, entry + kLineEntryPointsAt, readColour(entry + kLineEntryColourAt), canvas);
    }
}

void WalkFigureSet(const uint8_t* record, size_t length, StatusRecordCanvas& canvas) {
    if (!record || length < kFigureSetSize) return;
    const int lines = boundedCount(record + kCountAt, kFigureLines);
    for (int i = 0; i < lines; ++i) {
        const uint8_t* line = record + kEntriesAt + i * kFigureLineSize;
        walkPolyline(line + kFigureLineCountAt, line + kFigureLinePointsAt, readColour(line), canvas);
    }
    const int labels = boundedCount(record + kLabelCountAt, kLabels);
    for (int i = 0; i < labels; ++i) walkLabel(record + kLabelCountAt + 4 + i * kLabelSize, canvas);
}
