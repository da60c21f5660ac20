// The calibration's arithmetic against values worked out by hand: the perspective transform and
// its adjugate, the per-row target-size model, the two target boxes, and the chessboard search's
// region made 4:3, straightness test, corner construction and pattern size.
#include "app/analysis/ground_plane_transform.h"
#include "app/analysis/target_boxes.h"
#include "app/analysis/target_size_model.h"
#include "app/calib/chessboard_search.h"
#include "app/util/registry_settings.h"
#include "tests/app/support/machine_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

std::vector<float> Values(const PerspectiveTransform& t) { return {t.m.begin(), t.m.end()}; }

std::vector<int> Box(const TargetBox& box) { return {box.x, box.y, box.w, box.h}; }

// w = x + 1 maps the unit square's corners (0, 0), (1, 0), (1, 1), (0, 1) onto (0, 0), (1/2, 0),
// (1/2, 1/2), (0, 1).
TEST(Perspective, FindsTheTransformOfFourPointPairsAndItsAdjugateMapsBack) {
    const ShapePoint source[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const ShapePoint destination[4] = {{0, 0}, {0.5f, 0}, {0.5f, 0.5f}, {0, 1}};
    PerspectiveTransform forward;
    PerspectiveTransform inverse;
    ASSERT_EQ(ComputePerspectiveInverse(source, destination, &forward, &inverse), 1);
    const std::vector<float> expected{1, 0, 0, 0, 1, 0, 1, 0, 1};
    for (size_t i = 0; i < 9; ++i) EXPECT_NEAR(Values(forward)[i], expected[i], 1e-6) << i;
    const std::vector<float> adjugate{1, 0, 0, 0, 1, 0, -1, 0, 1};
    for (size_t i = 0; i < 9; ++i) EXPECT_NEAR(Values(inverse)[i], adjugate[i], 1e-6) << i;
    const ShapePoint mapped = ApplyPerspective({2, 3}, forward);
    EXPECT_NEAR(mapped.x, 2.0 / 3.0, 1e-6);
    EXPECT_NEAR(mapped.y, 1.0, 1e-6);
    const ShapePoint back = ApplyPerspective(mapped, inverse);
    EXPECT_NEAR(back.x, 2.0, 1e-5);
    EXPECT_NEAR(back.y, 3.0, 1e-5);

    // Three points on one line admit no transform; an all-zero system is singular.
    const ShapePoint collinear[4] = {{0, 0}, {1, 1}, {2, 2}, {0, 1}};
    EXPECT_EQ(ComputePerspective(collinear, destination, &forward), 0);
    const double zero[8][8] = {};
    const double b[8] = {};
    double x[8];
    EXPECT_EQ(SolveLinear8(zero, b, x), -1);
}

// A picture quadrilateral whose far side is half as wide: picture to ground is u = (x - 200) / w,
// v = 2y / w with w = 1 + y / 100, onto a 100 x 100 rectangle.
const PointList kTrapezoid{{200, 0}, {300, 0}, {400, 100}, {200, 100}};

TEST(Perspective, GroundDistancesShrinkWhereThePictureSeesTheGroundSmaller) {
    PerspectiveTransform toGround;
    PerspectiveTransform toPicture;
    ASSERT_EQ(ComputeCalibrationTransform(kTrapezoid.data(), 100, 100, &toGround, &toPicture), 1);
    EXPECT_NEAR(GroundDistance(toGround, {195, 0}, {205, 0}), 10.0, 1e-3);
    EXPECT_NEAR(GroundDistance(toGround, {395, 100}, {405, 100}), 5.0, 1e-3);
    const ShapePoint corner = ApplyPerspective({100, 100}, toPicture);
    EXPECT_NEAR(corner.x, 400.0, 1e-2);
    EXPECT_NEAR(corner.y, 100.0, 1e-2);
}

TEST(TargetSizeModel, InterpolatesTheScaledSizesOverEveryRowAndRefusesDegenerateRows) {
    TargetSizeModel model;
    EXPECT_EQ(model.factors(), (std::array<float, 4>{1, 1, 1, 1}));
    // k = 2.2 / 1.8: 3.6 at row 2 and 9 at row 8 become 4.4 and 11, 1.1 a row, plus 0.5.
    ASSERT_EQ(model.Build(10, 2, 8, 9.0f, 2.0f, 1.8f, 3.6f), 1);
    EXPECT_NEAR(model.SizeAt(2), 4.9, 1e-5);
    EXPECT_NEAR(model.SizeAt(8), 11.5, 1e-5);
    EXPECT_NEAR(model.SizeAt(0), 2.7, 1e-5);  // outside the samples: on the same line
    EXPECT_NEAR(model.ScaledSizeAt(2), 9.8, 1e-5);
    EXPECT_EQ(model.factors(), (std::array<float, 4>{1, 1, 2.2f, 4.4f}));
    EXPECT_EQ(model.Build(0, 2, 8, 9, 1, 1.8f, 3.6f), -1);
    EXPECT_EQ(model.Build(10, 5, 5, 9, 1, 1.8f, 3.6f), -1);
    EXPECT_EQ(model.Build(10, 2, 11, 9, 1, 1.8f, 3.6f), -1);
    EXPECT_EQ(model.Build(10, 2, 8, 9, 0, 1.8f, 3.6f), -1);
    EXPECT_NEAR(model.SizeAt(2), 4.9, 1e-5);                  // a refusal keeps the tables
    EXPECT_EQ(model.Build(10, -3, 10, 9, 1, 1.8f, 3.6f), 1);  // rows -3 and 10 only anchor the line
    EXPECT_EQ(model.rows(), 10);
}

// On the trapezoid 1.8 ground units span 1.8 pixels at row 0 and 3.6 at row 100: sizes
// 2.7 + 0.022 i on a 2000 x 1000 picture. The smallest side is 2, the largest that fits 24 (row
// 987); both are below 70, so the range runs from 70 down to 24.
TEST(TargetBoxes, SidesComeFromTheSizeRangeAndBoxesSitWhereATargetHasThatSize) {
    TargetBox smaller;
    TargetBox larger;
    ASSERT_TRUE(ComputeTargetBoxes(kTrapezoid, 100, 100, 1000, 0, 2000, 1000, &smaller, &larger));
    EXPECT_EQ(Box(smaller), (std::vector<int>{988, 957, 24, 24}));  // 24 first exceeded at row 969
    EXPECT_EQ(Box(larger), (std::vector<int>{988, 957, 24, 24}));
    ASSERT_TRUE(ComputeTargetBoxes(kTrapezoid, 100, 100, 0, 1000, 2000, 1000, &smaller, &larger));
    EXPECT_EQ(Box(smaller), (std::vector<int>{965, 965, 70, 70}));  // never exceeded: the last row
    EXPECT_EQ(Box(larger), (std::vector<int>{988, 988, 24, 24}));

    // Sizes so large that no row has room stop the operation; so do top and bottom on one row.
    const PointList square{{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    larger = TargetBox{1, 2, 3, 4};
    EXPECT_FALSE(ComputeTargetBoxes(square, 0.001f, 0.001f, 0, 0, 2000, 1000, &smaller, &larger));
    EXPECT_EQ(Box(larger), (std::vector<int>{1, 2, 3, 4}));
    const PointList flat{{0, 0.2f}, {100, 0.4f}, {100, 0.9f}, {0, 0.7f}};
    EXPECT_FALSE(ComputeTargetBoxes(flat, 10, 10, 0, 0, 2000, 1000, &smaller, &larger));
}

TEST(ChessboardCorners, BordersMustBeStraightAndNeighbouringBordersMustMeet) {
    const CornerLine alongX{1, 0, 0, 0};
    EXPECT_FALSE(CheckPointLineDistance({{0, 0}, {1, 0}, {2, 1}}, alongX));  // score 2 x 0.5 / 3
    EXPECT_TRUE(CheckPointLineDistance({{0, 0}, {1, 0}, {2, 3}}, alongX));   // 2 x 1.345 x 2.3275 / 3
    std::vector<CornerLine> lines;
    // A 3 x 2 pattern whose last row bends away, and one with a corner missing.
    EXPECT_FALSE(FitCornerLines({{0, 0}, {10, 0}, {20, 0}, {0, 10}, {10, 10}, {20, 20}}, {3, 2}, &lines));
    EXPECT_FALSE(FitCornerLines({{0, 0}, {10, 0}, {20, 0}, {0, 10}, {10, 10}}, {3, 2}, &lines));
    const std::vector<cv::Point2f> grid{{0, 0}, {10, 0}, {20, 0}, {0, 10}, {10, 10}, {20, 10}};
    ASSERT_TRUE(FitCornerLines(grid, {3, 2}, &lines));
    std::vector<cv::Point2f> corners;
    ASSERT_TRUE(OrderChessboardCorners(lines, &corners));
    const std::vector<cv::Point2f> expected{{0, 0}, {20, 0}, {20, 10}, {0, 10}};
    ASSERT_EQ(corners.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(corners[i].x, expected[i].x, 1e-3) << i;
        EXPECT_NEAR(corners[i].y, expected[i].y, 1e-3) << i;
    }
    EXPECT_FALSE(OrderChessboardCorners({alongX, alongX, {0, 1, 5, 0}, {0, 1, 0, 0}}, &corners));
}

std::vector<int> Sides(const cv::Rect& r) { return {r.x, r.y, r.width, r.height}; }

// The search region is made 4:3 about its centre: a wide region gets the height of its width, a
// tall one the width of its height, each shrunk where the image leaves no room about the centre.
TEST(ChessboardRegion, WideAndTallRegionsBecomeFourByThreeAboutTheirCentresWithinTheImage) {
    struct Case {
        cv::Rect region;
        cv::Size image;
        std::vector<int> expected;  // left, top, width, height
    };
    const std::vector<Case> cases = {
        {{0, 0, 300, 100}, {300, 100}, {84, 0, 133, 100}},    // wide, t = 50: 8t / 3 wide
        {{0, 100, 300, 100}, {300, 400}, {0, 38, 300, 225}},  // wide with room: 3 x 300 / 4 high
        {{200, 0, 100, 300}, {800, 300}, {50, 0, 400, 300}},  // tall with room: 4 x 300 / 3 wide
        {{0, 0, 100, 300}, {100, 300}, {0, 113, 100, 75}},    // tall, t = 50: 2t wide, 6t / 4 high
        {{10, 20, 40, 30}, {60, 60}, {10, 20, 40, 30}},       // already 4:3
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sides(FourByThree(c.region, c.image)), c.expected) << c.region;
    }
}

// A board in the middle of a region three times as wide as high is found in the 133 x 100 part
// the search cuts out of it, and its corners come back in image coordinates.
TEST(ChessboardRegion, ABoardInAWideRegionIsFoundInItsFourByThreeMiddle) {
    cv::Mat image(100, 300, CV_8UC1, cv::Scalar(235));
    for (int y = 10; y < 90; ++y) {  // 6 x 4 squares from 90 to 210: only just inside 84 to 217
        for (int x = 90; x < 210; ++x) {
            if (((x - 90) / 20 + (y - 10) / 20) % 2 == 0) image.at<uint8_t>(y, x) = 16;
        }
    }
    std::vector<cv::Point2f> corners;
    ASSERT_TRUE(SearchChessboardAtScales(&corners, image, cv::Rect(0, 0, 300, 100), {5, 3}));
    ASSERT_EQ(corners.size(), 4u);
    const std::vector<cv::Point2f> outer{{110, 30}, {190, 30}, {190, 70}, {110, 70}};
    for (const cv::Point2f& expected : outer) {
        const bool found = std::any_of(corners.begin(), corners.end(), [&](const cv::Point2f& corner) {
            return std::fabs(corner.x - expected.x) < 1.0f && std::fabs(corner.y - expected.y) < 1.0f;
        });
        EXPECT_TRUE(found) << expected.x << ", " << expected.y;
    }
}

class PatternSetting : public test_support::MachineTest {};

TEST_F(PatternSetting, MissingOrUnusableValuesGiveFourBySix) {
    EXPECT_EQ(ReadPatternSize().width, 4);
    EXPECT_EQ(ReadPatternSize().height, 6);
    RegistrySettings::SetString(L"PatternWidth", "0");
    RegistrySettings::SetString(L"PatternHeight", "7");
    EXPECT_EQ(ReadPatternSize().width, 4);
    EXPECT_EQ(ReadPatternSize().height, 7);
    RegistrySettings::SetString(L"PatternWidth", "abc");
    EXPECT_EQ(ReadPatternSize().width, 4);
    RegistrySettings::SetString(L"PatternWidth", "5");
    EXPECT_EQ(ReadPatternSize().width, 5);
}

}  // namespace
