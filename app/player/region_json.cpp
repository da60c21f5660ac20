#include "app/player/region_json.h"

#include <json/value.h>
#include <json/writer.h>

std::string RegionJsonText(int channel, float left, float right, float top, float bottom) {
    Json::Value region(Json::objectValue);
    region["channelno"] = channel;
    region["left"] = left;
    region["right"] = right;
    region["top"] = top;
    region["bottom"] = bottom;
    return Json::StyledWriter().write(region);
}
