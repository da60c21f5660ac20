// The hit tests the analytics views rely on, and the mapping from window to picture pixels.
#include "tests/app/player/view_test.h"

#include <gtest/gtest.h>

namespace {

using Points = PointList;

class HitTests : public test_support::ViewTest {
protected:
    HitTests() : ViewTest(960, 540) { view->SetPictureSize(1920, 1088, 8); }
};

TEST_F(HitTests, SegmentsAndPointsAreFoundCountedFromOneWithinTheirMargins) {
    const Points line{{0, 0}, {100, 0}, {100, 100}};
    EXPECT_EQ(view->FindSegmentAt({50, 0.1f}, line), 1);
    EXPECT_EQ(view->FindSegmentAt({50, 10}, line), 0);
    EXPECT_EQ(view->FindSegmentAt({100.1f, 50}, line), 2);
    EXPECT_EQ(view->FindSegmentAt({50, 99.9f}, line), 0);  // the closing segment is not tested
    EXPECT_EQ(view->FindSegmentAt({0, 0}, Points{{0, 0}}), 0);
    const Points points{{500, 500}, {100, 100}};
    EXPECT_EQ(view->FindPointAt({111, 100}, points), 2);
    EXPECT_EQ(view->FindPointAt({113, 100}, points), 0);
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
    EXPECT_FALSE(PointInPolygon({5, 5}, Points{}));
    // Edges on or left of x = 0 count like any other.
    EXPECT_TRUE(PointInPolygon({5, 5}, Points{{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    EXPECT_FALSE(PointInPolygon({150, 10}, Points{{-2, -2}, {22, -2}, {22, 22}, {-2, 22}}));
    EXPECT_FALSE(PointInPolygon({10, 10}, Points{{0, 0}, {20, 20}}));
}

TEST_F(HitTests, SegmentsCrossOnlyInsideBothNeverWhenTouchingOrCollinear) {
    EXPECT_TRUE(CVideoPlayer::SegmentsIntersect(0, 0, 10, 10, 0, 10, 10, 0));
    EXPECT_FALSE(CVideoPlayer::SegmentsIntersect(0, 0, 10, 10, 10, 10, 20, 0));  // touching ends
    EXPECT_FALSE(CVideoPlayer::SegmentsIntersect(0, 0, 10, 0, 5, 0, 15, 0));     // overlapping
    EXPECT_FALSE(CVideoPlayer::SegmentsIntersect(0, 0, 10, 0, 5, -5, 5, 0));     // a T
}

TEST_F(HitTests, ScaleFactorsMapTheWindowOntoTheShownPictureOrItsZoomRectangle) {
    float sx = 0, sy = 0;
    view->GetScaleFactors(&sx, &sy);
    EXPECT_EQ((std::vector<float>{sx, sy}), (std::vector<float>{2.0f, 2.0f}));
    view->SetZoomRect(true, 100, 50, 960, 548);
    view->GetScaleFactors(&sx, &sy);
    EXPECT_EQ((std::vector<float>{sx, sy}), (std::vector<float>{1.0f, 1.0f}));
    view->SetWindow(nullptr);  // without a window size nothing is written
    sx = sy = -1;
    view->GetScaleFactors(&sx, &sy);
    EXPECT_EQ((std::vector<float>{sx, sy}), (std::vector<float>{-1.0f, -1.0f}));
}

}  // namespace
