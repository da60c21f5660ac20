#include "app/player/osd_text.h"
#include "app/util/code_page_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string gbk(const char* utf8) {
    char out[1024] = {};
    Utf8ToAnsi(out, utf8, sizeof(out));
    return out;
}

// 2024-05-06 07:08:09, a Monday, channel three.
OsdRecord record(uint32_t flags, uint32_t dateFormat = 0) {
    OsdRecord r{};
    r.weekday = 1;
    r.year = 2024;
    r.month = 5;
    r.day = 6;
    r.hour = 7;
    r.minute = 8;
    r.second = 9;
    r.dateFormat = dateFormat;
    r.showFlags = flags;
    r.channel = 2;
    return r;
}

std::string line(const OsdRecord& r) {
    char out[kOsdLineSize];
    const size_t length = FormatOsdLine(r, out, sizeof(out));
    EXPECT_EQ(length, std::strlen(out));
    return out;
}

TEST(OsdText, EachDateFormatCodeOrdersTheFieldsAsItsPattern) {
    const struct {
        uint32_t code;
        const char* utf8;
    } cases[] = {
        {0, "2024-05-06"},          {1, "05-06-2024"}, {2, "06-05-2024"}, {3, "2024年5月6日"}, {4, "5月6日2024年"},
        {5, "6日5月2024年"},        {6, "2024/5/6"},   {7, "5/6/2024"},   {8, "6/5/2024"},     {9, "2024-05-06"},
        {0xFFFFFFFF, "2024-05-06"},
    };
    for (const auto& c : cases) EXPECT_EQ(line(record(0x1, c.code)), gbk(c.utf8)) << "code " << c.code;
}

TEST(OsdText, ItemsAreSeparatedOnlyFromWhatPrecedesThem) {
    EXPECT_EQ(line(record(0x3, 3)), gbk("2024年5月6日 07:08:09"));
    EXPECT_EQ(line(record(0x6)), gbk("07:08:09 星期一"));
    EXPECT_EQ(line(record(0x8)), gbk("通道三"));
    EXPECT_EQ(line(record(0x9)), gbk("2024-05-06            通道三"));
    EXPECT_EQ(line(record(0x4)), gbk("星期一"));
    EXPECT_EQ(line(record(0xF, 7)), gbk("5/6/2024 07:08:09 星期一            通道三"));
    EXPECT_EQ(line(record(0x10)), "");  // the location is not part of the line
    EXPECT_EQ(line(record(0)), "");
}

TEST(OsdText, AWeekdayOrChannelBeyondTheNamesIsLeftOut) {
    OsdRecord r = record(0xE);
    r.weekday = 7;
    r.channel = 7;
    EXPECT_EQ(line(r), "07:08:09");
    r.weekday = -1;
    r.channel = 0xFFFF;
    EXPECT_EQ(line(r), "07:08:09");
    r = record(0xC);
    r.weekday = 9;
    EXPECT_EQ(line(r), gbk("通道三"));  // nothing precedes it any more
}

TEST(OsdText, ALineLongerThanTheBufferIsCut) {
    char out[8];
    EXPECT_EQ(FormatOsdLine(record(0x3), out, sizeof(out)), 7u);
    EXPECT_STREQ(out, "2024-05");
    char one[1] = {'x'};
    EXPECT_EQ(FormatOsdLine(record(0x3), one, sizeof(one)), 0u);
    EXPECT_EQ(one[0], '\0');
}

TEST(OsdText, A720RowPictureHasSize34AndTheLocationIsReadNoFurtherThanItsField) {
    OsdRecord r = record(0x13);
    std::memset(r.location, 'A', sizeof(r.location));  // no terminator in the field
    OsdText text;
    LayOutOsd(r, 1280, 720, &text);
    EXPECT_EQ((std::vector<int>{text.size, text.lineX, text.lineY}), (std::vector<int>{34, 26, 652}));
    EXPECT_EQ(text.location, std::string(128, 'A'));
    EXPECT_EQ(text.locationX, 640 - 128 * 34 / 4);
    r.showFlags = 0x1;
    LayOutOsd(r, 1280, 720, &text);
    EXPECT_EQ(text.location, std::string());
}

}  // namespace
