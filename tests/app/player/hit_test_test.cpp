// The hit tests the analytics views rely on, and the mapping from window to picture pixels.
#include "host/events/mouse_events.h"
#include "tests/app/player/view_test.h"

#include <gtest/gtest.h>

namespace {

using Points = PointList;

class HitTests : public app_test::ViewTest {
protected:
    HitTests() : ViewTest(960, 540) { view->SetPictureSize(1920, 1088, 8); }
};

TEST_F(HitTests, APointOnASegmentWithinItsThinEllipseFindsItCountedFromOne) {
    const Points line{{0, 0}, {100, 0}, {100, 100}};
    EXPECT_EQ(view->FindSegmentAt({50, 0.1f}, line), 1);
    EXPECT_EQ(view->FindSegmentAt({50, 10}, line), 0);
    EXPECT_EQ(view->FindSegmentAt({100.1f, 50}, line), 2);
    EXPECT_EQ(view->FindSegmentAt({50, 99.9f}, line), 0);  // the closing segment is not tested
    EXPECT_EQ(view->FindSegmentAt({0, 0}, Points{{0, 0}}), 0);
    EXPECT_EQ(view->FindSegmentAt({0, 0}, Points{}), 0);
}

TEST_F(HitTests, APointWithin12PixelsOfAListPointFindsIt) {
    const Points points{{500, 500}, {100, 100}};
    EXPECT_EQ(view->FindPointAt({111, 100}, points), 2);
    EXPECT_EQ(view->FindPointAt({113, 100}, points), 0);
    EXPECT_EQ(view->FindPointAt({100, 89}, points), 2);
    EXPECT_EQ(view->FindPointAt({500, 500}, points), 1);
}

TEST_F(HitTests, PolygonsNeedThreePointsAndCountCrossingsOfAProbeLine) {
    const Points square{{10, 10}, {20, 10}, {20, 20}, {10, 20}};
    EXPECT_TRUE(PointInPolygon({15, 15}, square));
    EXPECT_TRUE(PointInPolygon({15, 10}, square));  // the probe runs 0.1 below the edge
    EXPECT_FALSE(PointInPolygon({25, 15}, square));
    EXPECT_FALSE(PointInPolygon({15, 20}, square));
    const Points concave{{5, 0}, {30, 0}, {30, 30}, {20, 30}, {20, 10}, {10, 10}, {10, 30}, {5, 30}};
    EXPECT_FALSE(PointInPolygon({15, 20}, concave));
    EXPECT_TRUE(PointInPolygon({25, 20}, concave));
    for (const ShapePoint& probe : {ShapePoint{5, 5}, ShapePoint{10, 10}, ShapePoint{0, 0}}) {
        EXPECT_FALSE(PointInPolygon(probe, Points{}));
        EXPECT_FALSE(PointInPolygon(probe, Points{{10, 10}}));
        EXPECT_FALSE(PointInPolygon(probe, Points{{0, 0}, {20, 20}}));
    }
}

TEST_F(HitTests, SegmentsCrossOnlyInsideBothNeverWhenTouchingOrCollinear) {
    EXPECT_TRUE(CVideoPlayer::SegmentsIntersect(0, 0, 10, 10, 0, 10, 10, 0));
    EXPECT_FALSE(CVideoPlayer::SegmentsIntersect(0, 0, 10, 10, 10, 10, 20, 0));  // touching ends
    EXPECT_FALSE(CVideoPlayer::SegmentsIntersect(0, 0, 10, 0, 5, 0, 15, 0));     // overlapping
    EXPECT_FALSE(CVideoPlayer::SegmentsIntersect(0, 0, 10, 0, 5, 1, 5, 10));     // apart
    EXPECT_FALSE(CVideoPlayer::SegmentsIntersect(0, 0, 10, 0, 5, -5, 5, 0));     // a T
}

TEST_F(HitTests, ScaleFactorsMapTheWindowOntoTheShownPictureOrItsZoomRectangle) {
    float sx = 0, sy = 0;
    view->GetScaleFactors(&sx, &sy);
    EXPECT_EQ((std::vector<float>{sx, sy}), (std::vector<float>{2.0f, 2.0f}));
    view->SetZoomRect(true, 100, 50, 960, 548);
    view->GetScaleFactors(&sx, &sy);
    EXPECT_EQ((std::vector<float>{sx, sy}), (std::vector<float>{1.0f, 1.0f}));
    // Without a window size nothing is written.
    view->SetWindow(nullptr);
    sx = sy = -1;
    view->GetScaleFactors(&sx, &sy);
    EXPECT_EQ((std::vector<float>{sx, sy}), (std::vector<float>{-1.0f, -1.0f}));
}

TEST_F(HitTests, ARegionPressTakesItsFirstCornerInPictureCoordinatesAndARightPressTakesNone) {
    view->SetPlaying(true);
    FB::MouseDownEvent right(1, 100, 50, 0);
    FB::MouseDownEvent left(0, 100, 50, 0);
    EXPECT_TRUE(view->onMouseDown(&left, window.get()));  // handled though region mode is off
    view->ToggleRegionMode();
    EXPECT_TRUE(view->onMouseDown(&right, window.get()));
    std::vector<uint8_t> picture(1920 * 1080 * 3 / 2, 0);
    view->DrawInto(picture, [&] { view->DrawDragRect(); });
    EXPECT_EQ(std::count(picture.begin(), picture.end(), 255), 0);
    EXPECT_TRUE(view->onMouseDown(&left, window.get()));
    FB::MouseMoveEvent moved(20, 150);
    EXPECT_TRUE(view->onMouseMove(&moved, window.get()));  // the button is up: the drag ends
    view->SetPlaying(false);
    EXPECT_FALSE(view->onMouseDown(&left, window.get()));
    EXPECT_FALSE(view->onMouseMove(&moved, window.get()));
}

}  // namespace
