// The status records a camera sends to the preview views, read from their stored bytes (packed,
// little-endian) and walked through a canvas: each open polyline as its segments, each label as
// its text and place. Counts are bounded by the record's own layout, and a record shorter than its
// layout is not read at all, so no walk reads past the bytes it is given.
//
// DeviceLineSet (types 2, 3 and 10): 4 unread bytes, entry count (int32), then 87-byte entries of
// point count (int32), colour (red, green, blue) and 10 points (x, y as int32).
// DeviceFigureSet (type 4): 4 unread bytes, line count (int32), 32 lines of 91 bytes (colour,
// 4 unread bytes, point count, 10 points), label count (int32), 10 labels of 79 bytes (colour,
// 4 unread bytes, x, y, 64 bytes of ANSI text).
#pragma once

#include "app/player/shape_point.h"

#include <cstddef>
#include <cstdint>

struct StatusColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

class StatusRecordCanvas {
public:
    virtual ~StatusRecordCanvas() = default;
    // One segment of a polyline, in picture pixels.
    virtual void DrawStatusLine(const ShapePoint& from, const ShapePoint& to, const StatusColour& colour) = 0;
    // A label's zero-terminated ANSI text with its pen at (x, y).
    virtual void DrawStatusLabel(int x, int y, const char* text, const StatusColour& colour) = 0;
};

constexpr int kLineSetShortEntries = 5;  // type 2
constexpr int kLineSetEntries = 32;      // types 3 and 10

// Bytes of a line set with room for this many entries: 443 for 5, 2792 for 32.
constexpr size_t LineSetSize(int entries) { return 8 + 87 * static_cast<size_t>(entries); }
constexpr size_t kFigureSetSize = 3714;

// Draws entries 0 up to the entry count, at most maxEntries; in each the segments between
// consecutive points of the first min(point count, 10). Nothing when length is below
// LineSetSize(maxEntries).
void WalkLineSet(const uint8_t* record, size_t length, int maxEntries, StatusRecordCanvas& canvas);

// Draws up to 32 lines as WalkLineSet does, then up to 10 labels, each text cut at its
// terminator or at its field's end. Nothing when length is below kFigureSetSize.
void WalkFigureSet(const uint8_t* record, size_t length, StatusRecordCanvas& canvas);
