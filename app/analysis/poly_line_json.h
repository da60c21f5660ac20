// The JSON form in which the analytics views exchange their shapes with the page: per group a count
// member and an array member, each shape {"pointcnt", "points": [{"x", "y"}, ...]} with its name
// ("name", or "linearg" and "linename" in the lane view), coordinates as whole picture pixels.
//
// Reading never throws and never changes anything half-way: a document is read whole into
// records, or refused.
#pragma once

#include "app/player/shape_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline bool operator==(const ShapePoint& a, const ShapePoint& b) { return a.x == b.x && a.y == b.y; }

// One shape as the document carries it.
struct ShapeRecord {
    std::string name;       // "linename" or "name"
    int32_t labelMode = 0;  // "linearg", lane view only
    PointList points;

    bool operator==(const ShapeRecord&) const = default;
};
using ShapeRecords = std::vector<ShapeRecord>;

// Which members name a shape.
enum class ShapeNaming {
    Lane,   // "linearg" and "linename"
    Named,  // "name"
};

// Where a group lives in the document and how many points one of its shapes keeps.
struct ShapeGroupKeys {
    const char* arrayKey;
    const char* countKey;
    uint32_t pointLimit;
};

// The shapes of every group, in the order of the keys. A group holds as many shapes as its count
// member says, but never more than its array holds; a shape as many points as "pointcnt" says, up
// to the group's point limit (a missing point entry reads as (0, 0)); missing members read as 0 or
// "". Nothing when the text does not parse or a member has a type that cannot be read as what it
// stands for.
std::optional<std::vector<ShapeRecords>> ReadShapeDocument(const std::string& text,
                                                           const std::vector<ShapeGroupKeys>& keys, ShapeNaming naming);

// The document of the groups, written by the JSON library's styled writer (members in key order).
// An empty group, and a shape without points, write null for their arrays; coordinates are
// truncated toward zero.
std::string WriteShapeDocument(const std::vector<ShapeRecords>& groups, const std::vector<ShapeGroupKeys>& keys,
                               ShapeNaming naming);
