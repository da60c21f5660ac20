// The drawing primitives of the views' overlays: lines about one screen pixel wide whatever the
// scaling, rectangles, squares, arrow heads, text, and nothing at all before there is a picture.
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

class Drawing : public app_test::ViewTest {
protected:
    explicit Drawing(int windowWidth = 960) : ViewTest(windowWidth, windowWidth * 9 / 16) {
        view->SetPictureSize(kWidth, 1088, 8);
    }
    std::vector<uint8_t> picture = std::vector<uint8_t>(kWidth * kHeight * 3 / 2, 0);
    const DrawColour white{200, 50, 60};
};

class DrawingFullWidth : public Drawing {
protected:
    DrawingFullWidth() : Drawing(1920) {}
};

TEST_F(Drawing, ALineOnAPictureTwiceTheWindowsWidthIsTwoPixelsThickInColoursWrittenUnchanged) {
    view->DrawInto(picture, [&] { view->DrawLine({100, 100}, {300, 100}, white); });
    EXPECT_EQ(RowsAt(picture, 200, 200), (std::vector<int>{99, 100, 101}));
    const size_t chroma = static_cast<size_t>(50) * (kWidth / 2) + 100;
    EXPECT_EQ(picture[kWidth * kHeight + chroma], 50);
    EXPECT_EQ(picture[kWidth * kHeight * 5 / 4 + chroma], 60);
}

TEST_F(DrawingFullWidth, ALineOnAPictureAsWideAsTheWindowIsOnePixelThick) {
    view->DrawInto(picture, [&] { view->DrawLine({100, 100}, {300, 100}, white); });
    EXPECT_EQ(RowsAt(picture, 200, 200), (std::vector<int>{100, 101}));
}

TEST_F(Drawing, RectanglesSquaresAndArrowHeadsAreMadeOfLines) {
    view->DrawInto(picture, [&] {
        view->DrawRect({400, 400}, {300, 500}, white);
        view->DrawSquare(1000, 500, 41, white);  // half of 41 is 20
    });
    EXPECT_EQ(RowsAt(picture, 350, 200), (std::vector<int>{399, 400, 401, 499, 500, 501}));
    EXPECT_EQ(RowsAt(picture, 1000, 200), (std::vector<int>{479, 480, 481, 519, 520, 521}));

    std::fill(picture.begin(), picture.end(), 0);
    view->DrawInto(picture, [&] { view->DrawArrowHead(white, 500, 700, 500, 700); });
    EXPECT_EQ(std::count(picture.begin(), picture.end(), 200), 0);
    // Tail to the left of the tip: wings of 50 pixels back towards the tail at 30 degrees.
    view->DrawInto(picture, [&] { view->DrawArrowHead(white, 0, 700, 500, 700); });
    const int wingX = 500 - 22;  // 50 cos 30 ~ 43.3: halfway along the wing
    EXPECT_FALSE(RowsAt(picture, wingX, 200).empty());
    for (int y : RowsAt(picture, wingX, 200)) EXPECT_TRUE(std::abs(std::abs(y - 700) - 12) <= 2) << y;
}

TEST_F(Drawing, NothingIsDrawnBeforeThePictureSizeIsKnownOrWithoutAPicture) {
    view->SetPictureSize(0, 0, 0);
    view->DrawInto(picture, [&] {
        view->DrawLine({100, 100}, {300, 100}, white);
        view->DrawText(10, 10, "12", 24, white);
    });
    EXPECT_EQ(std::count(picture.begin(), picture.end(), 0), static_cast<long>(picture.size()));
    view->SetPictureSize(kWidth, 1088, 8);
    view->DrawLine({100, 100}, {300, 100}, white);  // no current picture
    view->DrawDragRect();
}

TEST_F(Drawing, TextIsDrawnWithTheFontInTheColourReadAsRedGreenAndBlue) {
    machine.linkChineseFont();
    auto fonted = std::make_unique<app_test::ViewUnderTest>(window.get());
    fonted->SetPictureSize(kWidth, 1088, 8);
    fonted->DrawInto(picture, [&] { fonted->DrawText(100, 100, "\xCD\xA8\xB5\xC0", 52, DrawColour{255, 255, 255}); });
    EXPECT_GT(std::count(picture.begin(), picture.begin() + kWidth * kHeight, 235), 50);  // white in studio range
}

TEST_F(Drawing, AnOnScreenDisplayRecordOf187BytesIsStoredWithItsLocationInTheAnsiCodePage) {
    OsdRecord record{};
    record.year = 2024;
    record.showFlags = kOsdShowLocation;
    std::strcpy(record.location, "\xE8\xB7\xAF\xE5\x8F\xA3 7");  // "路口 7" in UTF-8
    std::vector<char> body(sizeof(record) + 1, 0);
    std::memcpy(body.data(), &record, sizeof(record));
    CVideoPlayer::OnDeviceData(1, body.data(), 186, view.get());
    CVideoPlayer::OnDeviceData(1, body.data(), 188, view.get());
    CVideoPlayer::OnDeviceData(2, body.data(), 187, view.get());
    EXPECT_EQ(view->Osd().year, 0);
    CVideoPlayer::OnDeviceData(1, body.data(), 187, view.get());
    EXPECT_EQ(view->Osd().year, 2024);
    EXPECT_STREQ(view->Osd().location, "\xC2\xB7\xBF\xDA 7");  // GBK
    // A location filling its whole field without a terminator is cut to fit.
    std::memset(record.location, 'a', sizeof(record.location));
    std::memcpy(body.data(), &record, sizeof(record));
    CVideoPlayer::OnDeviceData(1, body.data(), 187, view.get());
    EXPECT_EQ(std::strlen(view->Osd().location), 127u);
}

}  // namespace
