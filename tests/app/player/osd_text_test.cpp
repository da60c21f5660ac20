#include "app/player/osd_drawing.h"
#include "app/player/osd_text.h"
#include "app/util/code_page_text.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
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

TEST(OsdText, DateAndTimeAreJoinedByOneBlank) {
    EXPECT_EQ(line(record(0x3, 3)), gbk("2024年5月6日 07:08:09"));
}

TEST(OsdText, EachDateFormatCodeOrdersTheFieldsAsItsPattern) {
    const struct {
        uint32_t code;
        const char* utf8;
    } cases[] = {
        {0, "2024-05-06"},  {1, "05-06-2024"},       {2, "06-05-2024"},       {3, "2024年5月6日"},
        {4, "5月6日2024年"}, {5, "6日5月2024年"},      {6, "2024/5/6"},         {7, "5/6/2024"},
        {8, "6/5/2024"},    {9, "2024-05-06"},       {0xFFFFFFFF, "2024-05-06"},
    };
    for (const auto& c : cases) EXPECT_EQ(line(record(0x1, c.code)), gbk(c.utf8)) << "code " << c.code;
}

TEST(OsdText, ItemsAreSeparatedOnlyFromWhatPrecedesThem) {
    EXPECT_EQ(line(record(0x6)), gbk("07:08:09 星期一"));
    EXPECT_EQ(line(record(0x8)), gbk("通道三"));
    EXPECT_EQ(line(record(0x9)), gbk("2024-05-06            通道三"));
    EXPECT_EQ(line(record(0x4)), gbk("星期一"));
    EXPECT_EQ(line(record(0xF, 7)), gbk("5/6/2024 07:08:09 星期一            通道三"));
    EXPECT_EQ(line(record(0x10)), "");  // the location is not part of the line
    EXPECT_EQ(line(record(0)), "");
}

TEST(OsdText, EveryWeekdayAndChannelHasItsName) {
    const char* const weekdays[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
    const char* const channels[] = {"通道一", "通道二", "通道三", "通道四", "通道五", "通道六", "通道七"};
    for (int i = 0; i < 7; ++i) {
        OsdRecord r = record(0xC);
        r.weekday = static_cast<int16_t>(i);
        r.channel = static_cast<uint16_t>(i);
        EXPECT_EQ(line(r), gbk(weekdays[i]) + "            " + gbk(channels[i])) << i;
    }
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

TEST(OsdText, TextSizeAndPlacesFollowThePictureSize) {
    OsdText text;
    LayOutOsd(record(0x3), 1280, 720, &text);
    EXPECT_EQ(text.size, 34);
    EXPECT_EQ(text.lineX, 26);
    EXPECT_EQ(text.lineY, 652);
    LayOutOsd(record(0x3), 1920, 1080, &text);
    EXPECT_EQ(text.size, 52);
    EXPECT_EQ(text.lineX, 44);
    EXPECT_EQ(text.lineY, 976);
}

TEST(OsdText, LocationIsCentredByItsByteLengthAndReadNoFurtherThanItsField) {
    OsdRecord r = record(0x10);
    const std::string place = gbk("北京路口");  // 8 bytes
    std::memcpy(r.location, place.data(), place.size());
    OsdText text;
    LayOutOsd(r, 1280, 720, &text);
    EXPECT_EQ(text.line, std::string());
    EXPECT_EQ(text.location, place);
    EXPECT_EQ(text.locationX, 640 - 8 * 34 / 4);
    EXPECT_EQ(text.locationY, 102);
    std::memset(r.location, 'A', sizeof(r.location));  // no terminator in the field
    LayOutOsd(r, 1280, 720, &text);
    EXPECT_EQ(text.location, std::string(128, 'A'));
    EXPECT_EQ(text.locationX, 640 - 128 * 34 / 4);
    r.showFlags = 0x1;
    LayOutOsd(r, 1280, 720, &text);
    EXPECT_EQ(text.location, std::string());
}

class OsdDrawing : public ::testing::Test {
protected:
    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 720;

    void SetUp() override {
        machine.linkChineseFont();
        renderer = std::make_unique<TextRenderer>();  // loads the font linked just now
        ASSERT_TRUE(renderer->loaded());
    }
    static std::vector<uint8_t> blank() { return std::vector<uint8_t>(kWidth * kHeight * 3 / 2, 60); }
    std::vector<uint8_t> osd(const OsdRecord& r) {
        auto picture = blank();
        DrawOsdIntoPicture(*renderer, picture.data(), kWidth, kHeight, r);
        return picture;
    }
    std::vector<uint8_t> text(const std::string& ansi, int x, int y, std::vector<uint8_t> picture = blank()) {
        const int32_t white[3] = {255, 255, 255};
        renderer->DrawText(picture.data(), ansi.c_str(), kWidth, kHeight, x, y, 34, white);
        return picture;
    }

    test_support::ScopedMachineFolders machine;
    std::unique_ptr<TextRenderer> renderer;
};

TEST_F(OsdDrawing, TheLineIsDrawnWhiteAtTheBottomLeft) {
    const auto drawn = osd(record(0x3, 3));
    EXPECT_NE(drawn, blank());
    EXPECT_EQ(drawn, text(gbk("2024年5月6日 07:08:09"), 26, 652));
}

TEST_F(OsdDrawing, TheLocationAloneIsDrawnCentredNearTheTop) {
    OsdRecord r = record(0x10);
    const std::string place = gbk("北京路口");
    std::memcpy(r.location, place.data(), place.size());
    EXPECT_EQ(osd(r), text(place, 640 - 8 * 34 / 4, 102));
    r.showFlags = 0x12;
    EXPECT_EQ(osd(r), text("07:08:09", 26, 652, text(place, 572, 102)));
}

TEST_F(OsdDrawing, NothingIsDrawnWithoutAPictureASizeOrAnythingShown) {
    EXPECT_EQ(osd(OsdRecord{}), blank());  // a fresh view's record
    OsdRecord r = record(0x1F);
    std::memset(r.location, 'A', sizeof(r.location));
    DrawOsdIntoPicture(*renderer, nullptr, kWidth, kHeight, r);
    auto picture = blank();
    DrawOsdIntoPicture(*renderer, picture.data(), 0, kHeight, r);
    DrawOsdIntoPicture(*renderer, picture.data(), kWidth, 0, r);
    EXPECT_EQ(picture, blank());
}

}  // namespace
