#include "app/player/manual_region_json.h"

#include <gtest/gtest.h>

namespace {

TEST(ManualRegionJson, CornersAreOrderedWhicheverWayTheRectangleWasDragged) {
    const std::string expected =
        "{\n"
        "   \"bottom\" : 300.0,\n"
        "   \"channelno\" : 3,\n"
        "   \"left\" : 40.0,\n"
        "   \"right\" : 200.0,\n"
        "   \"top\" : 100.5\n"
        "}\n";
    EXPECT_EQ(ManualRegionJson(3, {200, 300}, {40, 100.5f}), expected);  // lower right to upper left
    EXPECT_EQ(ManualRegionJson(3, {40, 100.5f}, {200, 300}), expected);
    EXPECT_EQ(ManualRegionJson(3, {200, 100.5f}, {40, 300}), expected);
}

TEST(ManualRegionJson, TheChannelIsWrittenAsTheSigned16BitNumberStored) {
    const std::string json = ManualRegionJson(-1, {0, 0}, {0, 0});
    EXPECT_NE(json.find("\"channelno\" : -1,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"left\" : 0.0,"), std::string::npos) << json;
}

}  // namespace
