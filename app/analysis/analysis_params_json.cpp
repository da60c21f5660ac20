#include "app/analysis/analysis_params_json.h"

#include "app/analysis/json_members.h"
#include "app/analysis/saturating_conversion.h"
#include "app/util/json_text.h"

#include <json/writer.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

namespace {

constexpr int kCheckWidthKind = 9;
// Four calibration points this close to each other are taken for one point.
constexpr float kSamePointTolerance = 0.00001f;

enum class Number { Int, Real };

// Writes lists of one sort: empty ones as null until one of them had an entry, then as [].
class ListWriter {
public:
    template <class Items, class WriteItem>
    Json::Value Write(const Items& items, WriteItem write) {
        if (items.empty()) return written_ ? Json::Value(Json::arrayValue) : Json::Value();
        written_ = true;
        Json::Value list(Json::arrayValue);
        for (const auto& item : items) list.append(write(item));
        return list;
    }

private:
    bool written_ = false;
};

Json::Value PointValue(const ShapePoint& point, Number number) {
    Json::Value value(Json::objectValue);
    if (number == Number::Int) {
        value["x"] = SaturatingInt(point.x);
        value["y"] = SaturatingInt(point.y);
    } else {
        value["x"] = static_cast<double>(point.x);
        value["y"] = static_cast<double>(point.y);
    }
    return value;
}

Json::Value ShapeRecord(const PointList& points, Number number, ListWriter& pointLists) {
    Json::Value record(Json::objectValue);
    record["pointcnt"] = static_cast<int>(points.size());
    record["points"] = pointLists.Write(points, [number](const ShapePoint& p) { return PointValue(p, number); });
    return record;
}

class ParamsWriter {
public:
    Json::Value Calibration(const PointList& points) { return ShapeRecord(points, Number::Real, pointLists_); }
    Json::Value EventShape(const PointList& points) { return ShapeRecord(points, Number::Int, pointLists_); }

    // "<key>" and "<key>cnt" of one group.
    void Group(Json::Value& eventInfo, const char* key, const ShapeList& shapes) {
        eventInfo[key] = groups_.Write(shapes, [this](const PointList& shape) { return EventShape(shape); });
        eventInfo[std::string(key) + "cnt"] = static_cast<int>(shapes.size());
    }

    void Lanes(Json::Value& eventInfo, const ShapeList& outlines, const ShapeList& directions) {
        const size_t count = std::min(outlines.size(), directions.size());
        std::vector<size_t> lanes(count);
        for (size_t i = 0; i < count; ++i) lanes[i] = i;
        eventInfo["lane"] = groups_.Write(lanes, [&](size_t i) {
            Json::Value lane(Json::objectValue);
            lane["lanedirect"] = EventShape(directions[i]);
            lane["laneline"] = EventShape(outlines[i]);
            return lane;
        });
        eventInfo["lanecnt"] = static_cast<int>(count);
    }

private:
    ListWriter pointLists_;
    ListWriter groups_;
};

// The point of an array element: its "x" and "y" through the reader given, each 0 when it does not
// fit; an element that is not an object is the point (0, 0).
template <class Coordinate>
ShapePoint ReadPoint(const Json::Value& points, Json::ArrayIndex index) {
    Json::Value element;
    Coordinate x{};
    Coordinate y{};
    if (GetJsonArrayElement(points, index, &element)) {
        if constexpr (std::is_same_v<Coordinate, int32_t>) {
            GetJsonIntMember(element, "x", &x);
            GetJsonIntMember(element, "y", &y);
        } else {
            GetJsonDoubleMember(element, "x", &x);
            GetJsonDoubleMember(element, "y", &y);
        }
    }
    return ShapePoint{SaturatingFloat(static_cast<double>(x)), SaturatingFloat(static_cast<double>(y))};
}

PointList ReadIntPoints(const Json::Value& points, Json::ArrayIndex count) {
    PointList shape;
    for (Json::ArrayIndex i = 0; i < count; ++i) shape.push_back(ReadPoint<int32_t>(points, i));
    return shape;
}

// The "points" array of a record, or nothing when the record or its "points" has the wrong type.
bool PointsOf(const Json::Value& container, const char* key, Json::Value* points) {
    Json::Value record;
    return GetJsonObjectMember(container, key, &record) && GetJsonArrayMember(record, "points", points);
}

bool Coincide(const ShapePoint& a, const ShapePoint& b) {
    return std::fabs(a.x - b.x) < kSamePointTolerance && std::fabs(a.y - b.y) < kSamePointTolerance;
}

PointList ReadCalibration(const Json::Value& root) {
    Json::Value points;
    if (!PointsOf(root, "clbcoord", &points) || points.size() != 4) return {};
    PointList calibration;
    for (Json::ArrayIndex i = 0; i < 4; ++i) calibration.push_back(ReadPoint<double>(points, i));
    if (Coincide(calibration[1], calibration[0]) && Coincide(calibration[2], calibration[1]) &&
        Coincide(calibration[3], calibration[2])) {
        return {};
    }
    return calibration;
}

// "minsize" or "maxsize": its first two points, when it has at least two.
void ReadSizeRect(const Json::Value& eventInfo, const char* key, ShapeList* sizeRects) {
    Json::Value points;
    if (PointsOf(eventInfo, key, &points) && points.size() >= 2) sizeRects->push_back(ReadIntPoints(points, 2));
}

// The elements of a group array, at most cap of them, each read by readElement.
template <class ReadElement>
void ReadGroup(const Json::Value& eventInfo, const char* key, size_t cap, ReadElement readElement) {
    Json::Value group;
    if (!GetJsonArrayMember(eventInfo, key, &group)) return;
    const Json::ArrayIndex count = std::min<Json::ArrayIndex>(group.size(), static_cast<Json::ArrayIndex>(cap));
    for (Json::ArrayIndex i = 0; i < count; ++i) {
        Json::Value element;
        GetJsonArrayElement(group, i, &element);  // an element that is not an object reads as null
        readElement(element);
    }
}

// Areas and lines: every point; an element whose "points" is not an array is skipped.
void ReadShapes(const Json::Value& eventInfo, const char* key, size_t cap, ShapeList* shapes) {
    ReadGroup(eventInfo, key, cap, [shapes](const Json::Value& element) {
        Json::Value points;
        if (GetJsonArrayMember(element, "points", &points)) shapes->push_back(ReadIntPoints(points, points.size()));
    });
}

void ReadLanes(const Json::Value& eventInfo, AnalysisShapes* shapes) {
    ReadGroup(eventInfo, "lane", kMaxGroupShapes, [shapes](const Json::Value& lane) {
        Json::Value direction;
        Json::Value outline;
        if (!PointsOf(lane, "lanedirect", &direction) || direction.size() != 2) return;
        if (!PointsOf(lane, "laneline", &outline) || outline.size() != 4) return;
        shapes->laneDirections.push_back(ReadIntPoints(direction, 2));
        shapes->laneLines.push_back(ReadIntPoints(outline, 4));
    });
}

}  // namespace

std::string WriteAnalyseParams(const AnalysisShapes& shapes) {
    ParamsWriter writer;
    Json::Value root(Json::objectValue);
    root["clbcoord"] = writer.Calibration(shapes.calibrationPoints);
    Json::Value eventInfo(Json::objectValue);
    if (!shapes.sizeRects.empty()) eventInfo["minsize"] = writer.EventShape(shapes.sizeRects.front());
    if (shapes.sizeRects.size() >= 2) eventInfo["maxsize"] = writer.EventShape(shapes.sizeRects.back());
    writer.Group(eventInfo, "sheildarea", shapes.shieldAreas);
    writer.Group(eventInfo, "stoparea", shapes.stopAreas);
    writer.Lanes(eventInfo, shapes.laneLines, shapes.laneDirections);
    writer.Group(eventInfo, "solidline", shapes.solidLines);
    writer.Group(eventInfo, "uturnline", shapes.uturnLines);
    writer.Group(eventInfo, "changeline", shapes.changeLines);
    root["eventInfo"] = eventInfo;
    return Json::StyledWriter().write(root);
}

bool ReadAnalyseParams(const std::string& text, AnalysisShapes* shapes, size_t stopAreaCap) {
    Json::Value root;
    if (shapes == nullptr || !ParseJsonText(text, &root)) return false;
    AnalysisShapes read;
    read.calibrationPoints = ReadCalibration(root);
    Json::Value eventInfo;
    if (GetJsonObjectMember(root, "eventInfo", &eventInfo)) {
        ReadSizeRect(eventInfo, "minsize", &read.sizeRects);
        ReadSizeRect(eventInfo, "maxsize", &read.sizeRects);
        ReadShapes(eventInfo, "sheildarea", kMaxShieldAreas, &read.shieldAreas);
        ReadShapes(eventInfo, "stoparea", stopAreaCap, &read.stopAreas);
        ReadLanes(eventInfo, &read);
        ReadShapes(eventInfo, "solidline", kMaxGroupShapes, &read.solidLines);
        ReadShapes(eventInfo, "uturnline", kMaxGroupShapes, &read.uturnLines);
        ReadShapes(eventInfo, "changeline", kMaxGroupShapes, &read.changeLines);
    }
    *shapes = std::move(read);
    return true;
}

std::string WriteCheckLine(const PointList& calibrationPoints, const PointList& checkLinePoints, int kind) {
    PointList line = checkLinePoints;
    if (kind == kCheckWidthKind && !line.empty()) {
        const ShapePoint first = line.front();
        const ShapePoint last = line.back();
        const float middle = (last.y + first.y) * 0.5f;
        line = {{first.x, middle}, {last.x, middle}};
    }
    ListWriter pointLists;
    Json::Value root(Json::objectValue);
    root["clbcoord"] = ShapeRecord(calibrationPoints, Number::Real, pointLists);
    root["checkLine"] = ShapeRecord(line, Number::Real, pointLists);
    return Json::StyledWriter().write(root);
}
