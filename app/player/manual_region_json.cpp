#include "app/player/manual_region_json.h"

#include <json/value.h>
#include <json/writer.h>

#include <algorithm>

std::string ManualRegionJson(int16_t channel, const ShapePoint& corner, const ShapePoint& oppositeCorner) {
    Json::Value region(Json::objectValue);
    region["channelno"] = channel;
    region["left"] = static_cast<double>(std::min(corner.x, oppositeCorner.x));
    region["right"] = static_cast<double>(std::max(corner.x, oppositeCorner.x));
    region["top"] = static_cast<double>(std::min(corner.y, oppositeCorner.y));
    region["bottom"] = static_cast<double>(std::max(corner.y, oppositeCorner.y));
    return Json::StyledWriter().write(region);
}
