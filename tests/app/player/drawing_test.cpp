// The drawing primitives of the views' overlays, and the on-screen-display record a view stores.
#include "app/player/osd_record.h"
#include "tests/app/player/view_test.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// Rows in which the column holds the luma value.
std::vector<int> RowsAt(const std::vector<uint8_t>& picture, int x, uint8_t luma) {
    std::vector<int> rows;
    for (int y = 0; y < kHeight; ++y) {
        if (picture[static_cast<size_t>(y) * kWidth + x] == luma) rows.push_back(y);
    }
    return rows;
}

class Drawing : public test_support::ViewTest {
protected:
    explicit Drawing(int windowWidth = 960) : ViewTest(windowWidth, windowWidth * 9 / 16) {
        view->SetPictureSize(kWidth, 1088, 8);
    }
    std::vector<uint8_t> picture = std::vector<uint8_t>(kWidth * kHeight * 3 / 2, 0);
    const DrawColour colour{200, 50, 60};
};

class DrawingFullWidth : public Drawing {
protected:
    DrawingFullWidth() : Drawing(1920) {}
};

TEST_F(Drawing, ALineOnAPictureTwiceTheWindowsWidthIsTwoPixelsThickInColoursWrittenUnchanged) {
    view->DrawInto(picture, [&] { view->DrawLine({100, 100}, {300, 100}, colour); });
    EXPECT_EQ(RowsAt(picture, 200, 200), (std::vector<int>{99, 100, 101}));
    const size_t chroma = static_cast<size_t>(50) * (kWidth / 2) + 100;
    EXPECT_EQ(picture[kWidth * kHeight + chroma], 50);
    EXPECT_EQ(picture[kWidth * kHeight * 5 / 4 + chroma], 60);
}

TEST_F(DrawingFullWidth, ALineOnAPictureAsWideAsTheWindowIsOnePixelThick) {
    view->DrawInto(picture, [&] { view->DrawLine({100, 100}, {300, 100}, colour); });
    EXPECT_EQ(RowsAt(picture, 200, 200), (std::vector<int>{100, 101}));
}

TEST_F(Drawing, RectanglesSquaresAndArrowHeadsAreMadeOfLines) {
    view->DrawInto(picture, [&] {
        view->DrawRect({400, 400}, {300, 500}, colour);
        view->DrawSquare(1000, 500, 41, colour);          // half of 41 is 20
        view->DrawArrowHead(colour, 500, 700, 500, 700);  // tail on the tip: nothing
    });
    EXPECT_EQ(RowsAt(picture, 350, 200), (std::vector<int>{399, 400, 401, 499, 500, 501}));
    EXPECT_EQ(RowsAt(picture, 1000, 200), (std::vector<int>{479, 480, 481, 519, 520, 521}));
    EXPECT_TRUE(RowsAt(picture, 500, 200).empty());
    // Tail to the left of the tip: wings of 50 pixels back towards the tail at 30 degrees.
    view->DrawInto(picture, [&] { view->DrawArrowHead(colour, 0, 700, 500, 700); });
    const std::vector<int> wing = RowsAt(picture, 500 - 22, 200);  // halfway along the wings
    EXPECT_FALSE(wing.empty());
    for (int y : wing) EXPECT_LE(std::abs(std::abs(y - 700) - 12), 2) << y;
}

TEST_F(Drawing, NothingIsDrawnBeforeThePictureSizeIsKnown) {
    view->SetPictureSize(0, 0, 0);
    view->DrawInto(picture, [&] { view->DrawLine({100, 100}, {300, 100}, colour); });
    EXPECT_EQ(std::count(picture.begin(), picture.end(), 0), static_cast<long>(picture.size()));
}

TEST_F(Drawing, AnOnScreenDisplayRecordIsTakenOnlyAt187BytesWithItsLocationCutToFit) {
    OsdRecord record{};
    record.year = 2024;
    std::memset(record.location, 'a', sizeof(record.location));  // no terminator
    std::vector<char> body(sizeof(record) + 1, 0);
    std::memcpy(body.data(), &record, sizeof(record));
    CVideoPlayer::OnDeviceData(1, body.data(), 186, view.get());
    CVideoPlayer::OnDeviceData(1, body.data(), 188, view.get());
    CVideoPlayer::OnDeviceData(2, body.data(), 187, view.get());
    EXPECT_EQ(view->Osd().year, 0);
    CVideoPlayer::OnDeviceData(1, body.data(), 187, view.get());
    EXPECT_EQ(view->Osd().year, 2024);
    EXPECT_EQ(std::strlen(view->Osd().location), 127u);
}

}  // namespace
