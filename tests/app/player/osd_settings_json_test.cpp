// The page's on-screen-display settings read into a record: every member where it belongs, missing
// ones as zero, the location in GBK cut to its field; anything malformed or of the wrong kind is
// refused without a change.
#include "app/player/osd_settings_json.h"
#include "tests/app/support/refused_json_texts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<float> Positions(const OsdRecord& r) {
    return {r.dateposx, r.dateposy, r.timeposx, r.timeposy, r.weekposx,
            r.weekposy, r.chnposx,  r.chnposy,  r.locposx,  r.locposy};
}

TEST(OsdSettingsJson, ReadsEveryMemberIntoAFreshRecordAndCutsTheLocationTo127Bytes) {
    OsdRecord record;
    std::memset(&record, 0x5A, sizeof(record));  // what a camera record left
    ASSERT_TRUE(ReadOsdSettings(
        R"({"result": {"dateformat": 3, "location": "路口 7", "showdate": true, "showtime": false,
            "showweek": true, "showchannel": 1, "showlocation": true, "dateposx": 0.25, "dateposy": 2,
            "timeposx": 3.5, "timeposy": 4, "weekposx": 5, "weekposy": 6, "chnposx": 7, "chnposy": 8,
            "locposx": 9, "locposy": 10.75}})",
        &record));
    EXPECT_EQ(uint32_t{record.dateFormat}, 3u);           // copied: the record is packed
    EXPECT_STREQ(record.location, "\xC2\xB7\xBF\xDA 7");  // GBK
    EXPECT_EQ(uint32_t{record.showFlags}, 0x1du);
    EXPECT_EQ(Positions(record), (std::vector<float>{0.25f, 2, 3.5f, 4, 5, 6, 7, 8, 9, 10.75f}));
    // The camera's fields read 0 until it sends a record.
    EXPECT_EQ((std::vector<int>{record.weekday, record.year, record.month, record.day, record.hour, record.minute,
                                record.second, record.channel}),
              std::vector<int>(8, 0));

    ASSERT_TRUE(ReadOsdSettings(R"({"result": {"location": ")" + std::string(200, 'a') + "\"}}", &record));
    EXPECT_EQ(std::string(record.location), std::string(127, 'a'));
    std::string wide;  // 100 characters of 2 GBK bytes: 63 whole ones fit
    for (int i = 0; i < 100; ++i) wide += "路";
    ASSERT_TRUE(ReadOsdSettings(R"({"result": {"location": ")" + wide + "\"}}", &record));
    EXPECT_EQ(std::strlen(record.location), 126u);

    ASSERT_TRUE(ReadOsdSettings(R"({"result": {}})", &record));
    OsdRecord zero;
    std::memset(&zero, 0, sizeof(zero));
    EXPECT_EQ(std::memcmp(&record, &zero, sizeof(record)), 0);
}

TEST(OsdSettingsJson, MalformedOrWronglyTypedSettingsAnswerFalseAndChangeNothing) {
    OsdRecord before;
    std::memset(&before, 0, sizeof(before));
    ASSERT_TRUE(ReadOsdSettings(R"({"result": {"showtime": true, "location": "gate"}})", &before));
    for (const char* bad : {"", "{", "[1, 2]", "7", R"({"result": 7})", R"({"result": []})",
                            R"({"result": {"showtime": "yes"}})", R"({"result": {"dateformat": "3"}})",
                            R"({"result": {"dateformat": 1e40}})", R"({"result": {"location": {"a": 1}}})",
                            R"({"result": {"locposx": "left"}})", R"({"result": {"showdate": [true]}})"}) {
        OsdRecord record = before;
        EXPECT_FALSE(ReadOsdSettings(bad, &record)) << bad;
        EXPECT_EQ(std::memcmp(&record, &before, sizeof(record)), 0) << bad;
    }
    for (const std::string& refused : test_support::kTextsTheJsonReaderRefuses) {
        OsdRecord record = before;
        EXPECT_FALSE(ReadOsdSettings(refused, &record)) << refused;
        EXPECT_EQ(std::memcmp(&record, &before, sizeof(record)), 0) << refused;
    }
}

}  // namespace
