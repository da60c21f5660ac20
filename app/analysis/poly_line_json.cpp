#include "app/analysis/poly_line_json.h"

#include "app/analysis/poly_line_pixel.h"
#include "app/util/json_text.h"

#include <json/value.h>
#include <json/writer.h>

#include <algorithm>

namespace {

// The library's own conversions below raise its exception for a value of the wrong type.
PointList ReadPoints(const Json::Value& shape, uint32_t pointLimit) {
    const int pointCount = shape["pointcnt"].asInt();
    const uint32_t n = pointCount > 0 ? std::min(static_cast<uint32_t>(pointCount), pointLimit) : 0;
    const Json::Value& points = shape["points"];
    PointList read;
    read.reserve(n);
    for (Json::ArrayIndex j = 0; j < n; ++j) {
        const Json::Value& point = points[j];
        read.push_back(ShapePoint{static_cast<float>(point["x"].asInt()), static_cast<float>(point["y"].asInt())});
    }
    return read;
}

ShapeRecord ReadShape(const Json::Value& shape, uint32_t pointLimit, ShapeNaming naming) {
    ShapeRecord record;
    if (naming == ShapeNaming::Lane) {
        record.labelMode = shape["linearg"].asInt();
        record.name = shape["linename"].asString();
    } else {
        record.name = shape["name"].asString();
    }
    record.points = ReadPoints(shape, pointLimit);
    return record;
}

// As many shapes as the count member asks for and the array holds.
ShapeRecords ReadGroup(const Json::Value& root, const ShapeGroupKeys& keys, ShapeNaming naming) {
    const int count = root[keys.countKey].asInt();
    if (count <= 0) return {};
    const Json::Value& shapes = root[keys.arrayKey];
    if (!shapes.isNull() && !shapes.isArray()) throw Json::LogicError("shape list is not an array");
    const Json::ArrayIndex n = std::min(static_cast<Json::ArrayIndex>(count), shapes.size());
    ShapeRecords records;
    records.reserve(n);
    for (Json::ArrayIndex i = 0; i < n; ++i) records.push_back(ReadShape(shapes[i], keys.pointLimit, naming));
    return records;
}

Json::Value ShapeJson(const ShapeRecord& record, ShapeNaming naming) {
    Json::Value shape(Json::objectValue);
    if (naming == ShapeNaming::Lane) {
        shape["linearg"] = record.labelMode;
        shape["linename"] = record.name;
    } else {
        shape["name"] = record.name;
    }
    shape["pointcnt"] = static_cast<Json::UInt>(record.points.size());
    Json::Value points;  // null until the first point
    for (const ShapePoint& point : record.points) {
        Json::Value entry(Json::objectValue);
        entry["x"] = PixelOf(point.x);
        entry["y"] = PixelOf(point.y);
        points.append(entry);
    }
    shape["points"] = points;
    return shape;
}

}  // namespace

std::optional<std::vector<ShapeRecords>> ReadShapeDocument(const std::string& text,
                                                           const std::vector<ShapeGroupKeys>& keys,
                                                           ShapeNaming naming) {
    std::vector<ShapeRecords> groups;
    try {
        Json::Value root;
        if (!ParseJsonText(text, &root)) return std::nullopt;
        for (const ShapeGroupKeys& group : keys) groups.push_back(ReadGroup(root, group, naming));
    } catch (const Json::Exception&) {
        return std::nullopt;
    }
    return groups;
}

std::string WriteShapeDocument(const std::vector<ShapeRecords>& groups, const std::vector<ShapeGroupKeys>& keys,
                               ShapeNaming naming) {
    Json::Value root(Json::objectValue);
    for (size_t g = 0; g < keys.size() && g < groups.size(); ++g) {
        Json::Value shapes;  // null for an empty group
        for (const ShapeRecord& record : groups[g]) shapes.append(ShapeJson(record, naming));
        root[keys[g].countKey] = static_cast<Json::UInt>(groups[g].size());
        root[keys[g].arrayKey] = shapes;
    }
    return Json::StyledWriter().write(root);
}
