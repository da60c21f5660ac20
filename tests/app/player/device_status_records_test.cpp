#include "app/player/device_status_records.h"

#include "tests/support/device_records.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using test_support::StatusLabel;
using test_support::StatusLine;
using test_support::StatusPoint;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Writes down what a walk would draw, one text per call.
class RecordingCanvas : public StatusRecordCanvas {
public:
    void DrawStatusLine(const ShapePoint& from, const ShapePoint& to, const StatusColour& colour) override {
        drawn.push_back(describe(from) + "-" + describe(to) + describe(colour));
    }
    void DrawStatusLabel(int x, int y, const char* text, const StatusColour& colour) override {
        drawn.push_back("'" + std::string(text) + "' at " + std::to_string(x) + "," + std::to_string(y) +
                        describe(colour));
    }
    std::vector<std::string> drawn;

private:
    static std::string describe(const ShapePoint& p) {
        return std::to_string(static_cast<int>(p.x)) + "," + std::to_string(static_cast<int>(p.y));
    }
    static std::string describe(const StatusColour& c) {
        return " (" + std::to_string(c.red) + " " + std::to_string(c.green) + " " + std::to_string(c.blue) + ")";
    }
};

// A heap copy of exactly the record's bytes, so that a read past them is caught by the sanitizers.
std::vector<uint8_t> bytes(const std::string& record, size_t length) {
    return std::vector<uint8_t>(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(length));
}
std::vector<uint8_t> bytes(const std::string& record) { return bytes(record, record.size()); }

StatusLine line(uint8_t red, int points) {
    StatusLine l{red, 2, 3, {}};
    for (int i = 0; i < points; ++i) l.points.push_back(StatusPoint{10 * i, 100 + i});
    return l;
}

std::vector<std::string> walkLineSet(int type, const std::vector<StatusLine>& lines, int maxEntries) {
    const auto record = bytes(test_support::encodeLineSet(type, lines));
    RecordingCanvas canvas;
    WalkLineSet(record.data(), record.size(), maxEntries, canvas);
    return canvas.drawn;
}

TEST(DeviceStatusRecords, AnEntryDrawsTheOpenPathThroughAtMostTenPoints) {
    EXPECT_THAT(walkLineSet(2, {line(1, 1)}, kLineSetShortEntries), IsEmpty());
    EXPECT_THAT(walkLineSet(2, {line(1, 0)}, kLineSetShortEntries), IsEmpty());
    EXPECT_THAT(walkLineSet(2, {line(1, 3)}, kLineSetShortEntries),
                ElementsAre("0,100-10,101 (1 2 3)", "10,101-20,102 (1 2 3)"));
    const auto twelve = walkLineSet(3, {line(1, 12)}, kLineSetEntries);  // the count says 12
    ASSERT_EQ(twelve.size(), 9u);
    EXPECT_EQ(twelve.back(), "80,108-90,109 (1 2 3)");
}

TEST(DeviceStatusRecords, EntriesStopAtTheCountOrAtTheRecordsRoom) {
    std::vector<StatusLine> seven;
    for (int i = 0; i < 7; ++i) seven.push_back(line(static_cast<uint8_t>(i), 2));
    const auto five = walkLineSet(2, seven, kLineSetShortEntries);
    ASSERT_EQ(five.size(), 5u);
    EXPECT_EQ(five.back(), "0,100-10,101 (4 2 3)");
    EXPECT_EQ(walkLineSet(10, seven, kLineSetEntries).size(), 7u);
    std::vector<StatusLine> forty(40, line(9, 2));
    EXPECT_EQ(walkLineSet(3, forty, kLineSetEntries).size(), 32u);
}

TEST(DeviceStatusRecords, NegativeCountsDrawNothing) {
    auto record = bytes(test_support::encodeLineSet(2, {line(1, 3)}));
    RecordingCanvas canvas;
    record[8] = 0xFF;  // point count of the first entry: -253
    record[9] = record[10] = record[11] = 0xFF;
    WalkLineSet(record.data(), record.size(), kLineSetShortEntries, canvas);
    record[4] = record[5] = record[6] = record[7] = 0xFF;  // entry count -1
    WalkLineSet(record.data(), record.size(), kLineSetShortEntries, canvas);
    EXPECT_THAT(canvas.drawn, IsEmpty());
}

TEST(DeviceStatusRecords, ARecordShorterThanItsLayoutIsNotRead) {
    const std::string full = test_support::encodeLineSet(3, {line(1, 3)});
    RecordingCanvas canvas;
    const auto shortSet = bytes(full, full.size() - 1);
    WalkLineSet(shortSet.data(), shortSet.size(), kLineSetEntries, canvas);
    const auto shortFigures = bytes(test_support::encodeFigureSet({line(1, 3)}, {}), kFigureSetSize - 1);
    WalkFigureSet(shortFigures.data(), shortFigures.size(), canvas);
    WalkLineSet(nullptr, 0, kLineSetEntries, canvas);
    WalkFigureSet(nullptr, 0, canvas);
    EXPECT_THAT(canvas.drawn, IsEmpty());
    const auto longer = bytes(full);  // a line set of 32 entries read as one of 5 reads its first 443 bytes
    WalkLineSet(longer.data(), longer.size(), kLineSetShortEntries, canvas);
    EXPECT_EQ(canvas.drawn.size(), 2u);
}

TEST(DeviceStatusRecords, AFigureSetDrawsItsLinesThenItsLabels) {
    const std::vector<StatusLabel> labels = {{7, 8, 9, 30, 40, "lane 1"}, {1, 1, 1, -5, 2000, ""}};
    const auto record = bytes(test_support::encodeFigureSet({line(5, 2), line(6, 12)}, labels));
    RecordingCanvas canvas;
    WalkFigureSet(record.data(), record.size(), canvas);
    ASSERT_EQ(canvas.drawn.size(), 1u + 9u + 2u);
    EXPECT_EQ(canvas.drawn[0], "0,100-10,101 (5 2 3)");
    EXPECT_EQ(canvas.drawn[9], "80,108-90,109 (6 2 3)");
    EXPECT_EQ(canvas.drawn[10], "'lane 1' at 30,40 (7 8 9)");
    EXPECT_EQ(canvas.drawn[11], "'' at -5,2000 (1 1 1)");
}

TEST(DeviceStatusRecords, AtMostThirtyTwoFigureLinesAndTenLabelsAreDrawn) {
    const std::vector<StatusLine> lines(40, line(1, 2));
    const std::vector<StatusLabel> labels(12, StatusLabel{1, 2, 3, 4, 5, "x"});
    const auto record = bytes(test_support::encodeFigureSet(lines, labels));
    RecordingCanvas canvas;
    WalkFigureSet(record.data(), record.size(), canvas);
    EXPECT_EQ(canvas.drawn.size(), 32u + 10u);
}

TEST(DeviceStatusRecords, ALabelTextIsCutAtItsFieldsEnd) {
    auto record = bytes(test_support::encodeFigureSet({}, {StatusLabel{1, 2, 3, 4, 5, "x"}}));
    const size_t textAt = 2924 + 15;
    std::fill(record.begin() + textAt, record.begin() + textAt + 64, 'A');  // no terminator
    record[textAt + 64] = 'B';  // the second label's colour, beyond the field
    RecordingCanvas canvas;
    WalkFigureSet(record.data(), record.size(), canvas);
    EXPECT_THAT(canvas.drawn, ElementsAre("'" + std::string(64, 'A') + "' at 4,5 (1 2 3)"));
}

}  // namespace
