// The analytics shapes' geometry and their JSON form.
#include "app/analysis/poly_line.h"
#include "app/analysis/poly_line_group.h"
#include "app/analysis/poly_line_json.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Group : ShapeGroup {
    Group(int32_t shapeKind, uint32_t limit) {
        kind = shapeKind;
        pointLimit = limit;
    }
};

PointList Shape(int32_t kind, uint32_t limit, const PointList& clicks, std::vector<int>* results = nullptr) {
    Group group(kind, limit);
    PolyLine shape;
    PolyLine::ApplyGroup(&group, &shape);
    for (const ShapePoint& click : clicks) {
        const int result = shape.AddPoint(click);
        if (results) results->push_back(result);
    }
    return shape.points();
}

TEST(PolyLineShape, RectanglesOrderTheirCornersAndRefuseAThirdPointPolylinesStopAtTheirLimit) {
    std::vector<int> results;
    EXPECT_EQ(Shape(kRectangle, 8, {{90, 10}, {30, 70}, {5, 5}}, &results), (PointList{{30, 10}, {90, 70}}));
    EXPECT_EQ(results, (std::vector<int>{1, 0, 0}));
    results.clear();
    EXPECT_EQ(Shape(kOpenPolyline, 2, {{1, 1}, {2, 2}, {3, 3}}, &results), (PointList{{1, 1}, {2, 2}}));
    EXPECT_EQ(results, (std::vector<int>{1, 1, 0}));

    Group group(kClosedPolygon, 3);
    PolyLine shape;
    PolyLine::ApplyGroup(&group, &shape);
    shape.AddPoint({0, 0});
    shape.AddPoint({100, 0});
    EXPECT_EQ(shape.selectedVertex(), 2);  // the point last appended
    EXPECT_EQ(shape.group(), &group);
}

TEST(PolyLineShape, HitsAreSegmentsWithinTwentyPixelsBetweenTheirEndsAndTheClosingEdgeOfPolygons) {
    Group polygons(kClosedPolygon, 15);
    Group lines(kOpenPolyline, 15);
    PolyLine polygon;
    PolyLine line;
    PolyLine::ApplyGroup(&polygons, &polygon);
    PolyLine::ApplyGroup(&lines, &line);
    for (const ShapePoint& p : PointList{{0, 0}, {100, 0}, {100, 100}}) {
        polygon.AddPoint(p);
        line.AddPoint(p);
    }
    EXPECT_EQ(polygon.HitTest({50, 19}), 1);
    EXPECT_EQ(polygon.HitTest({50, -21}), 0);
    EXPECT_EQ(polygon.HitTest({110, 50}), 2);
    EXPECT_EQ(polygon.HitTest({50, 45}), 3);  // the closing edge from (100, 100) back to (0, 0)
    EXPECT_EQ(line.HitTest({50, 45}), 0);
    EXPECT_EQ(HitTestPolylineSegments({-10, 0}, PointList{{0, 0}, {100, 0}}), 0);  // before A
    EXPECT_EQ(HitTestPolylineSegments({110, 0}, PointList{{0, 0}, {100, 0}}), 0);  // beyond B
    EXPECT_EQ(HitTestPolylineSegments({0, 0}, PointList{{0, 0}, {0.0005f, 0}}), 0);
    PolyLine lone;
    PolyLine::ApplyGroup(&polygons, &lone);
    lone.AddPoint({5, 5});
    EXPECT_EQ(lone.HitTest({5, 5}), 0);
}

TEST(PolyLineShape, VerticesAreErasedAndInsertedOnlyWhereTheSelectionAllows) {
    Group group(kClosedPolygon, 4);
    PolyLine shape;
    PolyLine::ApplyGroup(&group, &shape);
    for (const ShapePoint& p : PointList{{0, 0}, {100, 0}, {100, 100}}) shape.AddPoint(p);
    shape.SelectSegment(shape.HitTest({50, 50}));  // the closing edge: inserted after the last vertex
    EXPECT_TRUE(shape.InsertAfterSelectedSegment({0, 100}));
    EXPECT_EQ(shape.points().back(), (ShapePoint{0, 100}));
    EXPECT_FALSE(shape.InsertAfterSelectedSegment({5, 5}));  // at its limit
    shape.SelectVertex(4);
    EXPECT_TRUE(shape.EraseSelectedVertex());
    EXPECT_EQ(shape.selectedVertex(), 0);  // beyond the new count
    shape.SelectVertex(9);
    EXPECT_FALSE(shape.EraseSelectedVertex());
    EXPECT_FALSE(shape.MoveVertex(4, {1, 1}));

    Group rectangles(kRectangle, 8);
    PolyLine rectangle;
    PolyLine::ApplyGroup(&rectangles, &rectangle);
    rectangle.AddPoint({10, 10});
    rectangle.AddPoint({50, 50});
    rectangle.SelectSegment(rectangle.HitTest({30, 10}));
    EXPECT_FALSE(rectangle.InsertAfterSelectedSegment({30, 10}));  // two corners are the whole rectangle
}

TEST(PolyLineCoordinates, PixelsTruncateTowardZeroAndSaturate) {
    EXPECT_EQ(PixelOf(12.9f), 12);
    EXPECT_EQ(PixelOf(-12.9f), -12);
    EXPECT_EQ(PixelOf(2147483647.0f), INT_MAX);  // the float is 2^31
    EXPECT_EQ(PixelOf(-1e30f), INT_MIN);
    EXPECT_EQ(PixelOf(std::nanf("")), 0);
}

const std::vector<ShapeGroupKeys> kKeys{{"areas", "areacnt", 3}, {"lines", "linecnt", 18}};

std::optional<std::vector<ShapeRecords>> Read(const std::string& text) {
    return ReadShapeDocument(text, kKeys, ShapeNaming::Named);
}

TEST(ShapeDocument, CountsAreBoundedByTheArrayAndPointsByTheLimitMissingPointsReadAsZero) {
    const auto read = Read(R"({"areacnt": 1000000, "areas": [
        {"name": "a", "pointcnt": 5, "points": [{"x": 1, "y": 2}, {"x": 3.9, "y": -4}, {"x": 5, "y": 6}, {"x": 7}]},
        {"name": "b", "pointcnt": 2, "points": [{"x": 9, "y": 9}]},
        {"name": "c", "pointcnt": -3}],
        "linecnt": 1, "lines": null})");
    ASSERT_TRUE(read);
    ASSERT_EQ((*read)[0].size(), 3u);
    EXPECT_EQ((*read)[0][0].points, (PointList{{1, 2}, {3, -4}, {5, 6}}));
    EXPECT_EQ((*read)[0][1].points, (PointList{{9, 9}, {0, 0}}));
    EXPECT_TRUE((*read)[0][2].points.empty());
    EXPECT_EQ((*read)[0][2].name, "c");
    EXPECT_TRUE((*read)[1].empty());
}

TEST(ShapeDocument, TextsThatDoNotParseOrHoldWronglyTypedValuesAreRefusedWhole) {
    for (const char* text : {"", "{", "[1, 2]", R"({"areacnt": "2"})", R"({"areacnt": 1, "areas": {"0": {}}})",
                             R"({"areacnt": 1, "areas": [7]})", R"({"areacnt": 1, "areas": [{"pointcnt": {}}]})",
                             R"({"areacnt": 1, "areas": [{"pointcnt": 1, "points": "x"}]})",
                             R"({"areacnt": 1, "areas": [{"pointcnt": 1, "points": [{"x": 1e12}]}]})",
                             R"({"areacnt": 1, "areas": [{"name": [1]}]})", R"({"linecnt": 4294967295})"}) {
        EXPECT_FALSE(Read(text)) << text;
    }
    EXPECT_TRUE(Read("null"));  // no groups at all: every group empty
}

TEST(ShapeDocument, WrittenShapesReadBackWithTheirCoordinatesTruncatedAndEmptyGroupsNull) {
    const std::vector<ShapeRecords> groups{{ShapeRecord{"L1", 2, {{1.9f, 2}, {-3.5f, 4}}}}, {}};
    const std::string text = WriteShapeDocument(groups, kKeys, ShapeNaming::Lane);
    EXPECT_NE(text.find("\"lines\" : null"), std::string::npos);
    const auto read = ReadShapeDocument(text, kKeys, ShapeNaming::Lane);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (std::vector<ShapeRecords>{{ShapeRecord{"L1", 2, {{1, 2}, {-3, 4}}}}, {}}));
}

}  // namespace
