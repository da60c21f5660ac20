#include "app/render/text_renderer.h"

#include "app/render/cached_text.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <fstream>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 120;
const int32_t kWhite[3] = {255, 255, 255};

std::vector<uint8_t> blankPicture(int w = kWidth, int h = kHeight) {
    return std::vector<uint8_t>(static_cast<size_t>(w * h * 3 / 2), 100);
}

class TextRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.linkChineseFont();
        renderer = std::make_unique<TextRenderer>();
        ASSERT_TRUE(renderer->loaded());
    }
    // The advance of a character at 24 pixels, read with FreeType directly from the same font.
    int advance(FT_ULong c) {
        FT_Library newLibrary = nullptr;
        FT_Init_FreeType(&newLibrary);
        const FreeTypeLibraryPtr library(newLibrary);
        FT_Face newFace = nullptr;
        FT_New_Face(library.get(), (machine.driveRoot() / "c/Windows/Fonts/simhei.ttf").c_str(), 0, &newFace);
        const FreeTypeFacePtr face(newFace);
        FT_Set_Pixel_Sizes(face.get(), 0, 24);
        FT_Load_Char(face.get(), c, FT_LOAD_RENDER | FT_LOAD_MONOCHROME);
        return static_cast<int>(face->glyph->advance.x / 64);
    }
    std::vector<uint8_t> draw(const char* text, int x, int y, int size = 24, int width = kWidth,
                              std::vector<uint8_t> picture = {}) {
        if (picture.empty()) picture = blankPicture(width);
        renderer->DrawText(picture.data(), text, width, kHeight, x, y, size, kWhite);
        return picture;
    }

    test_support::ScopedMachineFolders machine;
    std::unique_ptr<TextRenderer> renderer;
};

TEST_F(TextRendererTest, GbkTextIsLaidOutWithUnderscoreRoomLineFeedsAndWrapsAtTheRightEdge) {
    const char* const zhong = "\xD6\xD0";  // 中 (U+4E2D) in GBK
    EXPECT_NE(draw(zhong, 10, 10), blankPicture());
    const int bAt = 10 + advance(0x4E2D) + advance('_');
    EXPECT_EQ(draw("\xD6\xD0_B", 10, 10), draw("B", bAt, 10, 24, kWidth, draw(zhong, 10, 10)));
    EXPECT_EQ(draw("A\nB", 10, 10), draw("B", 10, 34, 24, kWidth, draw("A", 10, 10)));
    const int narrow = 10 + advance('A') + advance('B');  // B would reach the edge
    EXPECT_EQ(draw("AB", 10, 10, 24, narrow), draw("B", 10, 34, 24, narrow, draw("A", 10, 10, 24, narrow)));
}

TEST_F(TextRendererTest, AnotherSizeReloadsTheFontAndEmptiesTheCache) {
    draw("A", 10, 10, 16);
    EXPECT_EQ(renderer->fontSize(), 16);
    const auto afterResize = draw("A", 10, 10, 24);
    EXPECT_EQ(renderer->fontSize(), 24);
    TextRenderer fresh;
    auto picture = blankPicture();
    fresh.DrawText(picture.data(), "A", kWidth, kHeight, 10, 10, 24, kWhite);
    EXPECT_EQ(afterResize, picture);
}

TEST_F(TextRendererTest, GlyphBitsPaintColourUpLeftAndBlackInPlaceSkippingWritesBeforeThePicture) {
    unsigned char bits[1] = {0x81};                                      // first and last of eight columns
    FT_Bitmap bitmap{1, 8, 1, bits, 0, FT_PIXEL_MODE_MONO, 0, nullptr};  // one row of eight 1-bit pixels
    const int32_t red[3] = {255, 0, 0};                                  // Y 81, U 90, V 239
    auto picture = std::vector<uint8_t>(16 * 16 * 3 / 2, 100);
    renderer->DrawGlyph(picture.data(), &bitmap, 4, 6, 16, 16, red);
    auto luma = [&](int x, int y) { return picture[static_cast<size_t>(y * 16 + x)]; };
    auto chromaU = [&](int x, int y) { return picture[static_cast<size_t>(256 + (y / 2) * 8 + x / 2)]; };
    EXPECT_EQ((std::vector<int>{luma(2, 4), luma(9, 4), chromaU(2, 4)}), (std::vector<int>{81, 81, 90}));
    EXPECT_EQ((std::vector<int>{luma(4, 6), luma(11, 6), chromaU(4, 6)}), (std::vector<int>{0, 0, 128}));
    EXPECT_EQ(luma(3, 4), 100);

    auto corner = std::vector<uint8_t>(16 * 16 * 3 / 2, 100);
    renderer->DrawGlyph(corner.data(), &bitmap, 0, 0, 16, 16, red);
    EXPECT_EQ(corner[0] + corner[7], 0);
    EXPECT_EQ(std::count(corner.begin(), corner.begin() + 256, 81), 0);
}

TEST_F(TextRendererTest, TextAtTheEdgesOrBeyondTheLayoutLimitStaysInsideThePicture) {
    const auto drawn = [&](const std::string& text, int width, int height, int x, int y, int size) {
        auto picture = blankPicture(width, height);
        renderer->DrawText(picture.data(), text.c_str(), width, height, x, y, size, kWhite);
        return picture;
    };
    // The layout holds 1,024 characters: the rest of a longer text is left out.
    const auto layoutFull = drawn(std::string(1024, 'W'), 640, 480, 0, 0, 8);
    EXPECT_EQ(drawn(std::string(3000, 'W'), 640, 480, 0, 0, 8), layoutFull);
    EXPECT_NE(drawn(std::string(1023, 'W'), 640, 480, 0, 0, 8), layoutFull);
    // No room for a glyph before the bottom right corner: nothing is drawn.
    EXPECT_EQ(drawn("AB", 40, 30, 39, 29, 24), blankPicture(40, 30));
    // Text starting above and left of the picture shows exactly its part inside.
    const auto clipped = drawn("AB", 40, 30, -5, -20, 24);
    const auto whole = drawn("AB", 45, 50, 0, 0, 24);
    EXPECT_NE(clipped, blankPicture(40, 30));
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) ASSERT_EQ(clipped[y * 40 + x], whole[(y + 20) * 45 + x + 5]) << x << ", " << y;
    }
    // A pen anywhere an int reaches (a camera's label may put it there) draws nothing outside.
    for (const auto& [x, y] : {std::pair{INT_MIN, 5}, {5, INT_MIN}, {INT_MIN, INT_MIN}, {-40, INT_MAX}}) {
        EXPECT_EQ(drawn("AB", 40, 30, x, y, 24), blankPicture(40, 30)) << x << ", " << y;
    }
    EXPECT_EQ(draw("A", kWidth + 1, 10), blankPicture());  // starting beyond the width draws nothing
    EXPECT_EQ(draw("A", 10, kHeight + 1), blankPicture());
    EXPECT_EQ(draw("A", 10, 10, 0), blankPicture());
}

// One cached text through a run of changes, each drawn twice (made afresh, then taken from the
// cache) over a picture of varied samples, against DrawText on the same picture.
TEST_F(TextRendererTest, ACachedTextDrawsWhatDrawTextDrawsAndIsRedrawnWhenAnythingChanges) {
    const int32_t red[3] = {255, 0, 0};
    const struct {
        const char* text;
        int width, height, x, y, size;
        const int32_t* rgb;
    } draws[] = {
        {"12:00:01", 240, 120, 10, 80, 24, kWhite},
        {"12:00:02", 240, 120, 10, 80, 24, kWhite},  // the clock's next second
        {"12:00:02", 240, 120, 12, 80, 24, kWhite},
        {"12:00:02", 240, 120, 12, 80, 17, kWhite},
        {"12:00:02", 240, 120, 12, 80, 17, red},
        {"12:00:02", 241, 121, 12, 80, 17, red},
        {"M", 237, 121, 220, 7, 24, red},  // odd sides: the last column's chroma is the next row's
        {"\xD6\xD0_A\nBB WWWWWWWWWW", 120, 90, -6, -9, 24, kWhite},  // 中, underscore, line feed, wrap, clipped
        {"AB", 40, 30, 20, 5, 24, kWhite},
        {"", 240, 120, 10, 10, 24, kWhite},
        {"A", 240, 120, 241, 10, 24, kWhite},
        {"12:00:01", 240, 120, 10, 80, 24, kWhite},
    };
    CachedText cached;
    int builds = 0;
    for (const auto& d : draws) {
        SCOPED_TRACE(std::string(d.text) + " at " + std::to_string(d.x) + ", " + std::to_string(d.y));
        std::vector<uint8_t> varied(static_cast<size_t>(d.width * d.height * 3 / 2));
        for (size_t i = 0; i < varied.size(); ++i) varied[i] = static_cast<uint8_t>(i * 7 % 251);
        auto direct = varied;
        renderer->DrawText(direct.data(), d.text, d.width, d.height, d.x, d.y, d.size, d.rgb);
        for (int time = 0; time < 2; ++time) {
            auto fromCache = varied;
            cached.Draw(*renderer, fromCache.data(), d.text, d.width, d.height, d.x, d.y, d.size, d.rgb);
            EXPECT_EQ(fromCache, direct) << "drawing " << time;
            EXPECT_EQ(cached.builds(), builds + 1) << "drawing " << time;  // each row changes one thing
        }
        builds = cached.builds();
    }
}

TEST(TextRendererWithoutFont, MissingOrDamagedFontLeavesTheRendererUnloadedAndDrawsNothing) {
    test_support::ScopedMachineFolders machine;  // no simhei.ttf linked
    auto picture = blankPicture();
    TextRenderer unloaded;
    unloaded.DrawText(picture.data(), "A", kWidth, kHeight, 10, 10, 24, kWhite);
    CachedText().Draw(unloaded, picture.data(), "A", kWidth, kHeight, 10, 10, 24, kWhite);
    EXPECT_EQ(picture, blankPicture());
    const auto fonts = machine.driveRoot() / "c" / "Windows" / "Fonts";
    std::filesystem::create_directories(fonts);
    std::ofstream(fonts / "simhei.ttf") << "not a font at all";
    EXPECT_FALSE(std::make_unique<TextRenderer>()->loaded());
}

}  // namespace
