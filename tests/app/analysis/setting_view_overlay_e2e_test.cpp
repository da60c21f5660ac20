// What the analytics setting view burns into each picture of a 320 x 240 stream shown in a window of
// the same size (lines 2 pixels wide, text 11 pixels high): the shapes in their colours with their
// labels, the selected shape in red, the hints that count down by pictures, the mesh, the zoom
// rectangle being dragged; and the chessboard search on a picture that holds a board.
#include "tests/app/analysis/setting_page.h"

#include "app/util/registry_settings.h"

#include <json/reader.h>

#include <cmath>
#include <tuple>
#include <string>
#include <vector>

namespace {

using test_support::kBlueLine;
using test_support::kBlueText;
using test_support::kGreenLine;
using test_support::kGreenText;
using test_support::kMagentaLine;
using test_support::kRedLine;
using test_support::kRedText;
using test_support::kTextSize;
using test_support::kYellowLine;
using test_support::PixelOf;

class SettingViewOverlay : public test_support::SettingPageTest {
protected:
    void DecodeMany(int count) {
        for (int i = 0; i < count; ++i) Decode();
    }
};

const char* const kShapes = R"({
  "clbcoord":{"points":[{"x":20.0,"y":130.0},{"x":100.0,"y":130.0},{"x":100.0,"y":200.0},{"x":20.0,"y":200.0}]},
  "eventInfo":{
    "minsize":{"points":[{"x":220,"y":130},{"x":300,"y":200}]},
    "sheildarea":[{"points":[{"x":20,"y":20},{"x":100,"y":20},{"x":100,"y":100},{"x":20,"y":100}]}],
    "stoparea":[{"points":[{"x":120,"y":20},{"x":200,"y":20},{"x":200,"y":100},{"x":120,"y":100}]}],
    "lane":[{"lanedirect":{"points":[{"x":260,"y":90},{"x":260,"y":40}]},
             "laneline":{"points":[{"x":220,"y":20},{"x":300,"y":20},{"x":300,"y":100},{"x":220,"y":100}]}}],
    "solidline":[{"points":[{"x":120,"y":160},{"x":200,"y":160}]}]}})";

TEST_F(SettingViewOverlay, ShapesShowInTheirColoursWithLabelsAndTheSelectedShapeInRed) {
    Open();
    page.Invoke("SetAnalyseParams", std::string(kShapes));
    std::vector<uint8_t> shown = Shown();
    EXPECT_EQ(PixelOf(shown, 60, 20), kBlueLine);      // shield area
    EXPECT_EQ(PixelOf(shown, 160, 20), kGreenLine);    // stop area
    EXPECT_EQ(PixelOf(shown, 60, 130), kMagentaLine);  // calibration
    EXPECT_EQ(PixelOf(shown, 220, 160), kYellowLine);  // size rectangle
    EXPECT_NE(PixelOf(shown, 300, 60), kGreenLine);    // lanes and lines belong to other event types
    EXPECT_NE(PixelOf(shown, 130, 160), kYellowLine);
    // "N1" left of the first side's middle by (len - 1) x s / 2, "P1" by len x s / 2, 4 below.
    EXPECT_TRUE(ShowsText(shown, "N1", 60 - kTextSize / 2, 24, kTextSize, kBlueText));
    EXPECT_TRUE(ShowsText(shown, "P1", 160 - kTextSize, 24, kTextSize, kGreenText));
    EXPECT_TRUE(ShowsText(shown, "\xBF\xED", 60 - kTextSize, 134, kTextSize, {255, 0, 255}));  // "宽"

    Click(160, 60);
    shown = Shown();
    EXPECT_EQ(PixelOf(shown, 160, 20), kRedLine);
    EXPECT_TRUE(ShowsText(shown, "P1", 160 - kTextSize, 24, kTextSize, kRedText));

    page.Invoke("SetEventType", 2);
    shown = Shown();
    EXPECT_EQ(PixelOf(shown, 300, 60), kGreenLine);    // lane
    EXPECT_EQ(PixelOf(shown, 130, 160), kYellowLine);  // solid line, away from its label
    EXPECT_NE(PixelOf(shown, 220, 160), kYellowLine);
    EXPECT_EQ(PixelOf(shown, 60, 20), kBlueLine);  // shield areas show for every event type
}

TEST_F(SettingViewOverlay, TheTargetSquareAndTheTargetBoxesShowForSeventyPictures) {
    Open();
    page.Invoke("SetTargetWidth", 100);
    std::vector<uint8_t> shown = Shown();
    EXPECT_EQ(PixelOf(shown, 160, 70), kRedLine);  // a 100-pixel square about the middle
    EXPECT_TRUE(ShowsText(shown, "Target", 160 - kTextSize, 120 - kTextSize / 2, 3 * kTextSize / 4, kRedText));
    DecodeMany(68);
    EXPECT_EQ(PixelOf(Shown(), 160, 70), kRedLine);  // the 70th picture
    EXPECT_NE(PixelOf(Shown(), 160, 70), kRedLine);

    // Without a calibration there is nothing to size the boxes by.
    page.Invoke("SetTargetSize", 300.0, 220.0, 0, 0);
    EXPECT_NE(PixelOf(Shown(), 160, 205), kRedLine);

    // A calibration that maps the picture onto the ground without perspective: a target is as
    // large everywhere, so both boxes take the smallest side, 70, and end below the picture,
    // where they are cut to 10 pixels above its bottom.
    page.Invoke("SetAnalyseParams", test_support::kRectangleCalibration);
    page.Invoke("SetTargetSize", 300.0, 220.0, 0, 0);
    shown = Shown();
    EXPECT_EQ(PixelOf(shown, 160, 205), kRedLine);
    EXPECT_EQ(PixelOf(shown, 125, 220), kRedLine);
    EXPECT_EQ(PixelOf(shown, 160, 230), kRedLine);
    DecodeMany(68);
    EXPECT_EQ(PixelOf(Shown(), 160, 205), kRedLine);
    EXPECT_NE(PixelOf(Shown(), 160, 205), kRedLine);
}

TEST_F(SettingViewOverlay, ACheckLineShowsItsMeasuredDistanceForTwoHundredPictures) {
    Open();
    // The ground rectangle is the picture's own 300 x 220 pixels: distances come out in pixels.
    page.Invoke("SetAnalyseParams", test_support::kRectangleCalibration);
    page.Invoke("SetTargetSize", 300.0, 220.0, -1, 0);
    page.Invoke("StartDraw", 3);
    Click(20, 50);
    platform::testing::mouseMove(page.pluginWindow(), 60, 50);
    platform::testing::pumpPendingMessages();
    std::vector<uint8_t> shown = Shown();
    EXPECT_EQ(PixelOf(shown, 50, 50), kRedLine);  // while one point exists, to the mouse
    EXPECT_NE(PixelOf(shown, 90, 50), kRedLine);
    Click(120, 50);
    shown = Shown();
    EXPECT_EQ(PixelOf(shown, 90, 50), kRedLine);
    EXPECT_TRUE(ShowsText(shown, "100.00", 70 - 6 * kTextSize / 2, 54, kTextSize, kRedText));
    DecodeMany(197);
    EXPECT_EQ(PixelOf(Shown(), 90, 50), kRedLine);  // the 199th picture
    EXPECT_NE(PixelOf(Shown(), 90, 50), kRedLine);
}

TEST_F(SettingViewOverlay, TheMeshAndTheZoomRectangleBeingDragged) {
    Open();
    page.Invoke("OpenMesh", 1, 80);
    std::vector<uint8_t> shown = Shown();
    for (int x : {80, 160, 240}) EXPECT_EQ(PixelOf(shown, x, 100), kBlueLine) << x;
    page.Invoke("OpenMesh", 1, 210);  // one line, clear of the text
    shown = Shown();
    EXPECT_EQ(PixelOf(shown, 210, 8), kBlueLine);
    EXPECT_TRUE(ShowsText(shown, "SCALE:210pixel", 160 - 4 * kTextSize, 240 - kTextSize - 8, kTextSize, kRedText));
    page.Invoke("OpenMesh", 1, 320);  // not smaller than the width: no mesh
    EXPECT_NE(PixelOf(Shown(), 210, 100), kBlueLine);

    page.Invoke("StartDraw", 11);
    Click(50, 50);
    platform::testing::mouseMove(page.pluginWindow(), 150, 100);
    platform::testing::pumpPendingMessages();
    shown = Shown();
    EXPECT_EQ(PixelOf(shown, 100, 50), kRedLine);  // to the mouse
    EXPECT_EQ(PixelOf(shown, 150, 75), kRedLine);
    EXPECT_EQ(PixelOf(shown, 50, 38), kRedLine);  // the 24-pixel marker on the first corner
}

// A board of columns x rows squares of the side at (left, top) on white.
std::vector<uint8_t> Chessboard(int left, int top, int columns, int rows, int side) {
    std::vector<uint8_t> picture =
        test_support::BlackPicture(test_support::kPictureWidth, test_support::kPictureHeight);
    for (int y = 0; y < test_support::kPictureHeight; ++y) {
        for (int x = 0; x < test_support::kPictureWidth; ++x) {
            const bool board = x >= left && x < left + columns * side && y >= top && y < top + rows * side;
            const bool dark = board && ((x - left) / side + (y - top) / side) % 2 == 0;
            picture[static_cast<size_t>(y) * test_support::kPictureWidth + x] = dark ? 16 : 235;
        }
    }
    return picture;
}

TEST_F(SettingViewOverlay, TheChessboardSearchReplacesTheRectangleByTheBoardsCornersToSave) {
    Open();
    page.Invoke("StartDraw", 12);
    Clicks({{30, 30}, {270, 210}});  // the release queues the search on the next picture
    Shown(Chessboard(100, 50, 5, 7, 20));  // 4 x 6 inner corners
    EXPECT_EQ(Menu(150, 120, L"保存")[2], "保存");
    const Json::Value points = SavedValue()["clbcoord"]["points"];
    ASSERT_EQ(points.size(), 4u);
    // The outermost inner corners, in the order first row, last column, last row, first column.
    const std::vector<std::pair<double, double>> corners{{120, 70}, {180, 70}, {180, 170}, {120, 170}};
    for (const auto& [x, y] : corners) {
        bool found = false;
        for (const Json::Value& point : points) {
            found = found || (std::fabs(point["x"].asDouble() - x) < 1.0 && std::fabs(point["y"].asDouble() - y) < 1.0);
        }
        EXPECT_TRUE(found) << x << ", " << y << " in " << points.toStyledString();
    }

    // A board small enough for a rectangle 30 pixels high is found there; a rectangle narrower or
    // lower than 30 pixels is dropped without a search.
    RegistrySettings::SetString(L"PatternWidth", "3");
    RegistrySettings::SetString(L"PatternHeight", "3");
    for (const auto& [width, height, found] : {std::tuple{40, 30, true}, {40, 29, false}, {29, 40, false}}) {
        page.Invoke("StartDraw", 12);
        Clicks({{150 - width / 2, 115 - height / 2}, {150 - width / 2 + width, 115 - height / 2 + height}});
        Shown(Chessboard(142, 107, 4, 4, 4));
        Menu(150, 120, L"保存");
        EXPECT_EQ(SavedValue()["clbcoord"]["pointcnt"].asInt(), found ? 4 : 0) << width << " x " << height;
    }
}

}  // namespace
