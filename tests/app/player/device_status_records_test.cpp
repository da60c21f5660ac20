// The status records walked within their layout: counts bounded by the record's room, nothing read
// past its bytes, whatever the counts claim.
#include "app/player/device_status_records.h"
#include "tests/support/device_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using test_support::StatusLabel;
using test_support::StatusLine;

// Counts what a walk draws; keeps the last segment's end and label text.
struct CountingCanvas : StatusRecordCanvas {
    void DrawStatusLine(const ShapePoint&, const ShapePoint& to, const StatusColour&) override {
        ++lines;
        lastEnd = to;
    }
    void DrawStatusLabel(int, int, const char* text, const StatusColour&) override {
        ++labels;
        lastText = text;
    }
    int lines = 0;
    int labels = 0;
    ShapePoint lastEnd;
    std::string lastText;
};

StatusLine Path(int points) {
    StatusLine line{1, 2, 3, {}};
    for (int i = 0; i < points; ++i) line.points.push_back({10 * i, 100 + i});
    return line;
}

// Exactly the record's bytes on the heap, so that the sanitizer build catches a read past them.
std::vector<uint8_t> Bytes(const std::string& record, size_t cut = 0) {
    return std::vector<uint8_t>(record.begin(), record.end() - static_cast<std::ptrdiff_t>(cut));
}

CountingCanvas WalkLines(const std::vector<uint8_t>& record, int maxEntries) {
    CountingCanvas canvas;
    WalkLineSet(record.data(), record.size(), maxEntries, canvas);
    return canvas;
}

TEST(DeviceStatusRecords, LineSetsDrawOpenPathsOfAtMostTenPointsAndAtMostTheirEntries) {
    EXPECT_EQ(WalkLines(Bytes(test_support::encodeLineSet(2, {Path(1), Path(0)})), 5).lines, 0);
    const CountingCanvas twelve = WalkLines(Bytes(test_support::encodeLineSet(3, {Path(12)})), 32);
    EXPECT_EQ(twelve.lines, 9);  // points 0 to 9
    EXPECT_EQ(twelve.lastEnd.x, 90);
    EXPECT_EQ(WalkLines(Bytes(test_support::encodeLineSet(2, std::vector(7, Path(2)))), 5).lines, 5);
    EXPECT_EQ(WalkLines(Bytes(test_support::encodeLineSet(10, std::vector(40, Path(2)))), 32).lines, 32);
    auto negative = Bytes(test_support::encodeLineSet(2, {Path(3)}));
    std::fill(negative.begin() + 4, negative.begin() + 8, 0xFF);  // entry count -1
    EXPECT_EQ(WalkLines(negative, 5).lines, 0);
}

TEST(DeviceStatusRecords, FigureSetsDrawAtMost32LinesThen10LabelsCutAtTheirFieldsEnd) {
    auto record = Bytes(
        test_support::encodeFigureSet(std::vector(40, Path(2)), std::vector(12, StatusLabel{1, 2, 3, 4, 5, "x"})));
    const size_t lastTextAt = 2924 + 9 * 79 + 15;
    std::fill(record.begin() + lastTextAt, record.begin() + lastTextAt + 64, 'A');  // no terminator
    CountingCanvas canvas;
    WalkFigureSet(record.data(), record.size(), canvas);
    EXPECT_EQ(canvas.lines, 32);
    EXPECT_EQ(canvas.labels, 10);
    EXPECT_EQ(canvas.lastText, std::string(64, 'A'));
}

TEST(DeviceStatusRecords, ARecordShorterThanItsLayoutIsNotRead) {
    EXPECT_EQ(WalkLines(Bytes(test_support::encodeLineSet(3, {Path(3)}), 1), 32).lines, 0);
    CountingCanvas canvas;
    const auto figures = Bytes(test_support::encodeFigureSet({Path(3)}, {}), 1);
    WalkFigureSet(figures.data(), figures.size(), canvas);
    WalkFigureSet(nullptr, 0, canvas);
    EXPECT_EQ(canvas.lines, 0);
}

}  // namespace
