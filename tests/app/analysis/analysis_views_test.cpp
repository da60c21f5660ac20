// The analytics views without a camera: the JSON each one saves, what it reads back, what it
// refuses, and the shapes, labels and marks it draws into a picture.
#include "app/analysis/analysis_setting_player.h"
#include "app/analysis/video_player_analysis_jk.h"
#include "app/analysis/video_player_analysis_old.h"
#include "app/analysis/video_player_analysis_old_cross.h"
#include "app/analysis/video_player_analysis_old_gun.h"
#include "app/analysis/video_player_analysis_old_gun_setting.h"
#include "app/api/view_factory.h"
#include "app/player/video_player_inner_ctrl.h"
#include "app/render/frame_line.h"
#include "app/render/text_renderer.h"
#include "host/plugin_window_win.h"
#include "tests/app/support/drawn_view.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/picture_overlay.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/app/support/refused_json_texts.h"
#include "tests/app/support/test_windows.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

namespace {

using test_support::DrawnView;
using test_support::Overlay;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kLabelSize = kHeight * 52 / 1080;

class AnalysisViews : public test_support::MachineTest {
protected:
    AnalysisViews() { machine.linkChineseFont(); }

    template <class View>
    std::unique_ptr<DrawnView<View>> Make() {
        auto view = std::make_unique<DrawnView<View>>(nullptr, window.get());
        view->SetPictureSize(kWidth, kHeight, 0);
        return view;
    }

    test_support::ScopedRecordingRenderers renderers;
    test_support::BrowserWindows windows{kWidth, kHeight};
    std::unique_ptr<FB::PluginWindowWin> window =
        std::make_unique<FB::PluginWindowWin>(FB::WindowContextWindowed(windows.plugin()));
};

// Lines one pixel thick (the picture is as wide as the window) with the colour as Y, U and V.
void Line(uint8_t* picture, float x0, float y0, float x1, float y1, const int32_t (&colour)[3]) {
    DrawLineIntoFrame(picture, kWidth, kHeight, x0, y0, x1, y1, 1, colour);
}

// The closed outline through the points.
void Outline(uint8_t* picture, const PointList& points, const int32_t (&colour)[3]) {
    for (size_t i = 0; i < points.size(); ++i) {
        const ShapePoint& to = points[(i + 1) % points.size()];
        Line(picture, points[i].x, points[i].y, to.x, to.y, colour);
    }
}

void Plus(uint8_t* picture, float x, float y, const int32_t (&colour)[3]) {
    for (auto [dx, dy] : {std::pair{20, 0}, {-20, 0}, {0, 20}, {0, -20}}) Line(picture, x, y, x + dx, y + dy, colour);
}

const int32_t kRed[3] = {255, 0, 0};
const int32_t kGreen[3] = {0, 255, 0};
const int32_t kBlue[3] = {0, 0, 255};

const char kLanes[] = R"({"monitorareacnt": 1, "monitorareas": [{"linearg": 1, "pointcnt": 3,
    "points": [{"x": 40, "y": 40}, {"x": 280, "y": 40}, {"x": 160, "y": 200}]}],
    "lanelinecnt": 1, "lanelines": [{"linearg": 2, "linename": "L1", "pointcnt": 2,
    "points": [{"x": 160, "y": 60}, {"x": 170, "y": 150}]}]})";

// A document of n shapes of the group, each named <prefix><i> with points (i, 10) onwards.
std::string Shapes(const std::string& arrayKey, const std::string& countKey, int n, int points,
                   const std::string& prefix) {
    std::string text = "{\"" + countKey + "\": " + std::to_string(n) + ", \"" + arrayKey + "\": [";
    for (int i = 1; i <= n; ++i) {
        text += (i > 1 ? ", " : "") + std::string("{\"name\": \"") + prefix + std::to_string(i) +
                "\", \"linename\": \"" + prefix + std::to_string(i) + "\", \"pointcnt\": " + std::to_string(points) +
                ", \"points\": [";
        for (int j = 0; j < points; ++j) {
            text += (j > 0 ? ", " : "") + std::string("{\"x\": ") + std::to_string(i + 20 * j) + ", \"y\": 10}";
        }
        text += "]}";
    }
    return text + "]}";
}

bool Holds(const std::string& document, const std::string& text) { return document.find(text) != std::string::npos; }

TEST_F(AnalysisViews, EveryAnalyticsFunctionTypeMakesItsOwnView) {
    const std::pair<int, const std::type_info*> made[] = {
        {3, &typeid(CVideoPlayerAnalysisOld)},      {4, &typeid(CVideoPlayerAnalysisJK)},
        {6, &typeid(CVideoPlayerInnerCtrl)},        {7, &typeid(CVideoPlayerAnalysisOldGun)},
        {8, &typeid(CVideoPlayerAnalysisOldCross)}, {9, &typeid(CVideoPlayerAnalysisOldGunSetting)},
    };
    for (const auto& [function, type] : made) {
        const std::unique_ptr<CVideoPlayer> view = MakeView(function, 0, nullptr, window.get());
        ASSERT_NE(view, nullptr) << function;
        EXPECT_EQ(typeid(*view), *type) << function;
    }
}

TEST_F(AnalysisViews, EmptyGroupsAreSavedWithCountsOfZeroAndNullArrays) {
    // A lane line just started, without a point yet, is no lane line: saving removes it.
    auto lanes = Make<CVideoPlayerAnalysisJK>();
    lanes->StartDrawWithName(1, "L1");
    EXPECT_EQ(lanes->SaveAnalyseParams(),
              "{\n   \"lanelinecnt\" : 0,\n   \"lanelines\" : null,\n   \"monitorareacnt\" : 0,\n"
              "   \"monitorareas\" : null\n}\n");
    const std::string areas =
        "   \"dingbiaoareacnt\" : 0,\n   \"dingbiaoareas\" : null,\n   \"monitorareacnt\" : 0,\n"
        "   \"monitorareas\" : null,\n   \"parkingareacnt\" : 0,\n   \"parkingareas\" : null,\n"
        "   \"unparkingareacnt\" : 0,\n   \"unparkingareas\" : null\n}\n";
    EXPECT_EQ(Make<CVideoPlayerAnalysisOldGun>()->SaveAnalyseParams(),
              "{\n   \"crossareacnt\" : 0,\n   \"crossareas\" : null,\n" + areas);
}

// A shape being drawn is saved (without points) while it is the current shape: a refused start
// leaves no trace in the document.
TEST_F(AnalysisViews, DrawingStopsAtEachGroupsLimitWhileDocumentsReadBeyondIt) {
    auto areas = Make<CVideoPlayerAnalysisOld>();
    areas->SetAnalyseParams(Shapes("parkingareas", "parkingareacnt", 31, 3, "P"));
    areas->StartDrawWithName(2, "new");
    EXPECT_TRUE(Holds(areas->SaveAnalyseParams(), "\"parkingareacnt\" : 32"));
    areas->StartDrawWithName(2, "33rd");
    EXPECT_FALSE(Holds(areas->SaveAnalyseParams(), "33rd"));
    areas->SetAnalyseParams(Shapes("parkingareas", "parkingareacnt", 40, 3, "P"));
    EXPECT_TRUE(Holds(areas->SaveAnalyseParams(), "\"parkingareacnt\" : 40"));

    auto gun = Make<CVideoPlayerAnalysisOldGun>();
    gun->SetAnalyseParams(Shapes("crossareas", "crossareacnt", 32, 1, "x"));
    gun->StartDrawWithName(4, "33rd");  // more than 32 refuse the next: the 33rd is allowed
    EXPECT_TRUE(Holds(gun->SaveAnalyseParams(), "\"crossareacnt\" : 33"));
    gun->SetAnalyseParams(Shapes("crossareas", "crossareacnt", 33, 1, "x"));
    gun->StartDrawWithName(4, "34th");
    EXPECT_FALSE(Holds(gun->SaveAnalyseParams(), "34th"));
    auto plain = Make<CVideoPlayerAnalysisOld>();
    plain->StartDrawWithName(4, "mark");  // cross marks belong to the gun variant only
    EXPECT_FALSE(Holds(plain->SaveAnalyseParams(), "mark"));

    auto lanes = Make<CVideoPlayerAnalysisJK>();
    lanes->SetAnalyseParams(Shapes("lanelines", "lanelinecnt", 12, 2, "L"));
    EXPECT_EQ(lanes->GetPLName(1, 11), "L12");
    lanes->StartDrawWithName(1, "new");
    EXPECT_EQ(lanes->GetPLName(1, 12), "");
}

TEST_F(AnalysisViews, DocumentsRoundTripAndMalformedOnesChangeNothing) {
    auto lanes = Make<CVideoPlayerAnalysisJK>();
    lanes->SetAnalyseParams(kLanes);
    const std::string saved = lanes->SaveAnalyseParams();
    lanes->SetAnalyseParams(saved);
    EXPECT_EQ(lanes->SaveAnalyseParams(), saved);
    for (const char* bad : {"{\"lanelinecnt\": 2, \"lanelines\": [{\"linename\": {}}]}", "{\"lanelinecnt\": 1"}) {
        lanes->SetAnalyseParams(bad);
        EXPECT_EQ(lanes->SaveAnalyseParams(), saved) << bad;
    }
    for (const std::string& refused : test_support::kTextsTheJsonReaderRefuses) {
        lanes->SetAnalyseParams(refused);
        EXPECT_EQ(lanes->SaveAnalyseParams(), saved) << refused;
    }

    auto gun = Make<CVideoPlayerAnalysisOldGun>();
    gun->SetAnalyseParams(R"({"crossareacnt": 1, "crossareas": [{"name": "x1", "pointcnt": 4,
        "points": [{"x": 10, "y": 20}, {"x": 30, "y": 40}]}], "dingbiaoareacnt": 1,
        "dingbiaoareas": [{"name": "c", "pointcnt": 2, "points": [{"x": 1, "y": 2}, {"x": 3, "y": 4}]}]})");
    const std::string gunSaved = gun->SaveAnalyseParams();
    EXPECT_NE(gunSaved.find("\"name\" : \"x1\",\n         \"pointcnt\" : 1,"), std::string::npos);  // one point kept
    gun->SetAnalyseParams(R"({"crossareacnt": 1, "crossareas": [{"name": "y", "pointcnt": 1, "points": [5]}]})");
    EXPECT_EQ(gun->SaveAnalyseParams(), gunSaved);
    for (const std::string& refused : test_support::kTextsTheJsonReaderRefuses) {
        gun->SetAnalyseParams(refused);
        EXPECT_EQ(gun->SaveAnalyseParams(), gunSaved) << refused;
    }
}

TEST_F(AnalysisViews, LaneLabelsFollowTheDetectionModeAndAreasTheirSequenceNumber) {
    PolyLineJk lane;
    lane.name = "L1";
    std::vector<std::string> labels;
    for (int mode : {1, 0, 2}) {
        lane.labelMode = mode;
        labels.push_back(CVideoPlayerAnalysisJK::MakeShapeLabel(true, lane));
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"L1", "L1:Hide", "L1:Auto"}));
    lane.sequenceNumber = 3;
    EXPECT_EQ(CVideoPlayerAnalysisJK::MakeShapeLabel(false, lane), "A3");
    lane.name = std::string(61, 'n') + "\xE8\xBD\xA6";  // a three-byte character across the 63rd byte
    lane.labelMode = 1;
    EXPECT_EQ(CVideoPlayerAnalysisJK::MakeShapeLabel(true, lane), std::string(61, 'n'));
}

TEST_F(AnalysisViews, TheLaneViewDrawsItsShapesAndLabelsInTheirGroupsColoursAndHidesHiddenGroups) {
    auto view = Make<CVideoPlayerAnalysisJK>();
    view->SetAnalyseParams(kLanes);
    TextRenderer text;
    const Overlay area(kWidth, kHeight, [&](uint8_t* picture) {
        Outline(picture, {{40, 40}, {280, 40}, {160, 200}}, kGreen);
        text.DrawText(picture, "A1", kWidth, kHeight, 160 - kLabelSize / 2, 44, kLabelSize, kGreen);
    });
    const Overlay lane(kWidth, kHeight, [&](uint8_t* picture) {
        Line(picture, 160, 60, 170, 150, kBlue);
        text.DrawText(picture, "L1:Auto", kWidth, kHeight, 165 - 6 * kLabelSize / 2, 109, kLabelSize, kBlue);
    });
    const std::vector<uint8_t> drawn = view->Drawn(128);
    EXPECT_TRUE(area.ShownIn(drawn));
    EXPECT_TRUE(lane.ShownIn(drawn));
    view->SetAreaHideFlag(2, 1);
    EXPECT_FALSE(lane.ShownIn(view->Drawn(128)));
    EXPECT_TRUE(area.ShownIn(view->Drawn(128)));
}

TEST_F(AnalysisViews, ASelectedShapeIsRedItsSelectedSegmentAndVertexWhiteAndItsMarkersSquares) {
    auto view = Make<CVideoPlayerAnalysisOld>();
    view->SetAnalyseParams(R"({"monitorareacnt": 1, "monitorareas": [{"name": "M", "pointcnt": 2,
        "points": [{"x": 40, "y": 100}, {"x": 200, "y": 100}]}]})");
    view->selectObjByName(0, "M");
    const Overlay red(kWidth, kHeight, [&](uint8_t* picture) { Line(picture, 40, 100, 200, 100, kRed); });
    EXPECT_TRUE(red.ShownIn(view->Drawn(128)));

    ShapeGroup group;
    group.Configure({"a", "acnt", 8}, DrawColour{0, 255, 0}, kClosedPolygon, view.get());
    PolyLine shape;
    PolyLine::ApplyGroup(&group, &shape);
    for (const ShapePoint& p : PointList{{40, 40}, {200, 40}, {200, 200}}) shape.AddPoint(p);
    shape.SelectSegment(3);  // the closing edge
    shape.SelectVertex(1);
    const int32_t white[3] = {255, 255, 255};
    const Overlay expected(kWidth, kHeight, [&](uint8_t* picture) {
        Line(picture, 40, 40, 200, 40, kGreen);
        Line(picture, 200, 40, 200, 200, kGreen);
        Line(picture, 200, 200, 40, 40, white);
        for (auto [x, y, colour] : {std::tuple{40, 40, &white}, {200, 40, &kGreen}, {200, 200, &kGreen}}) {
            Line(picture, x - 12, y - 12, x + 12, y - 12, *colour);
            Line(picture, x + 12, y - 12, x + 12, y + 12, *colour);
            Line(picture, x + 12, y + 12, x - 12, y + 12, *colour);
            Line(picture, x - 12, y + 12, x - 12, y - 12, *colour);
        }
    });
    EXPECT_TRUE(expected.ShownIn(view->DrawnWith(128, [&] { shape.Draw(DrawColour{0, 255, 0}, true); })));
}

TEST_F(AnalysisViews, NamedAreasShowTheirNamesTheCalibrationRectangleItsFourSidesAndHiddenGroupsNothing) {
    auto view = Make<CVideoPlayerAnalysisOld>();
    view->SetAnalyseParams(R"({"parkingareacnt": 1, "parkingareas": [{"name": "P1", "pointcnt": 3,
        "points": [{"x": 40, "y": 40}, {"x": 120, "y": 40}, {"x": 80, "y": 120}]}],
        "dingbiaoareacnt": 1, "dingbiaoareas": [{"name": "cal", "pointcnt": 2,
        "points": [{"x": 200, "y": 20}, {"x": 300, "y": 100}]}],
        "monitorareacnt": 1, "monitorareas": [{"name": "NAME", "pointcnt": 2,
        "points": [{"x": 0, "y": 200}, {"x": 10, "y": 200}]}]})");
    TextRenderer text;
    const int32_t calibrationGreen[3] = {0, 255, 128};
    const Overlay parking(kWidth, kHeight, [&](uint8_t* picture) {
        Outline(picture, {{40, 40}, {120, 40}, {80, 120}}, kBlue);
        text.DrawText(picture, "P1", kWidth, kHeight, 80 - kLabelSize / 2, 44, kLabelSize, kBlue);
    });
    const Overlay calibration(kWidth, kHeight, [&](uint8_t* picture) {
        Outline(picture, {{200, 20}, {300, 20}, {300, 100}, {200, 100}}, calibrationGreen);
    });
    // A label that would start left of the picture starts at x = 1.
    const Overlay monitor(kWidth, kHeight, [&](uint8_t* picture) {
        Line(picture, 0, 200, 10, 200, kGreen);
        text.DrawText(picture, "NAME", kWidth, kHeight, 1, 204, kLabelSize, kGreen);
    });
    const std::vector<uint8_t> drawn = view->Drawn(128);
    EXPECT_TRUE(parking.ShownIn(drawn));
    EXPECT_TRUE(calibration.ShownIn(drawn));
    EXPECT_TRUE(monitor.ShownIn(drawn));
    const Overlay calibrationLabel(kWidth, kHeight, [&](uint8_t* picture) {
        text.DrawText(picture, "cal", kWidth, kHeight, 250 - kLabelSize, 24, kLabelSize, calibrationGreen);
    });
    EXPECT_FALSE(calibrationLabel.ShownIn(drawn));  // rectangles carry no label

    view->SetAreaHideFlag(1, 1);
    view->SetAreaHideFlag(5, 1);
    const std::vector<uint8_t> hidden = view->Drawn(128);
    EXPECT_FALSE(monitor.ShownIn(hidden));
    EXPECT_FALSE(calibration.ShownIn(hidden));
    EXPECT_TRUE(parking.ShownIn(hidden));
}

// A document may place shapes anywhere a float reaches; once such a shape is selected for editing
// its markers are drawn too. Nothing outside the picture is drawn, and no coordinate overflows.
TEST_F(AnalysisViews, ShapesFarOutsideThePictureDrawNothingThereAndNeverOverflow) {
    auto view = Make<CVideoPlayerAnalysisOld>();
    ShapeGroup group;
    group.Configure({"a", "acnt", 8}, DrawColour{0, 255, 0}, kClosedPolygon, view.get());
    PolyLine shape;
    PolyLine::ApplyGroup(&group, &shape);
    shape.SetLabel("far");
    shape.SetLabelSize(kLabelSize);
    for (const ShapePoint& p : PointList{{3e9f, -3e9f}, {2147483647.0f, 2147483647.0f}, {-1e30f, 1e30f}}) {
        shape.AppendPoint(p);
    }
    shape.SelectVertex(2);
    const std::vector<uint8_t> untouched(static_cast<size_t>(kWidth) * kHeight * 3 / 2, 128);
    EXPECT_EQ(view->DrawnWith(128, [&] { shape.Draw(DrawColour{0, 255, 0}, true); }), untouched);

    // The setting view: a shield area with a vertex at the end of the int range, selected and
    // edited, has a marker on each vertex; the one inside the picture shows.
    auto setting = Make<CAnalysisSettingPlayer>();
    setting->SetAnalyseParams(R"({"eventInfo":{"sheildarea":[{"points":[{"x":40,"y":40},{"x":300,"y":40},)"
                              R"({"x":2147483647,"y":2147483647}]}]}})");
    setting->LockFrame();
    EXPECT_TRUE(setting->SelectShapeAt(ShapePoint{200.0f, 50.0f}));
    setting->UnlockFrame();
    setting->ResumeEditing();
    EXPECT_EQ(setting->Drawn(128)[40 * kWidth + 28], 255);  // the left side of the marker on (40, 40)
}

TEST_F(AnalysisViews, CrossMarksArePlusSignsTheSelectedOneRedMarksWithoutPointsAreSkipped) {
    auto gun = Make<CVideoPlayerAnalysisOldGun>();
    gun->SetAnalyseParams(R"({"crossareacnt": 3, "crossareas": [{"name": "x1", "pointcnt": 1,
        "points": [{"x": 100, "y": 100}]}, {"name": "x2"}, {"name": "x3", "pointcnt": 1, "points": [{"x": 250, "y": 60}]}]})");
    gun->selectObjByName(4, "x3");
    const Overlay marks(kWidth, kHeight, [&](uint8_t* picture) {
        Plus(picture, 100, 100, kGreen);
        Plus(picture, 250, 60, kRed);
    });
    EXPECT_TRUE(marks.ShownIn(gun->Drawn(128)));
    gun->SetAreaHideFlag(4, 1);
    EXPECT_FALSE(marks.ShownIn(gun->Drawn(128)));

    auto cross = Make<CVideoPlayerAnalysisOldCross>();
    const Overlay centre(kWidth, kHeight, [&](uint8_t* picture) { Plus(picture, 160, 120, kRed); });
    EXPECT_TRUE(centre.ShownIn(cross->Drawn(128)));
}

}  // namespace
