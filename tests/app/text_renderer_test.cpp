#include "app/render/text_renderer.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 120;
const int32_t kWhite[3] = {255, 255, 255};
constexpr uint8_t kWhiteY = 235;  // trunc(0.859 * 255 + 16)

std::vector<uint8_t> blankPicture(int w = kWidth, int h = kHeight) {
    return std::vector<uint8_t>(static_cast<size_t>(w * h * 3 / 2), 100);
}

// Advances read with FreeType directly from the same font, to place expected glyphs independently.
class FontMetrics {
public:
    explicit FontMetrics(const std::filesystem::path& font, int size) {
        FT_Init_FreeType(&library_);
        FT_New_Face(library_, font.c_str(), 0, &face_);
        FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(size));
    }
    ~FontMetrics() {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    int advance(char c) {
        FT_Load_Char(face_, static_cast<FT_ULong>(c), FT_LOAD_RENDER | FT_LOAD_MONOCHROME);
        return static_cast<int>(face_->glyph->advance.x / 64);
    }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

class TextRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.linkChineseFont();
        renderer = std::make_unique<TextRenderer>();
        ASSERT_TRUE(renderer->loaded());
    }
    std::filesystem::path fontFile() const { return machine.driveRoot() / "c" / "Windows" / "Fonts" / "simhei.ttf"; }
    std::vector<uint8_t> draw(const char* text, int x, int y, int size = 24, int width = kWidth) {
        auto picture = blankPicture(width);
        renderer->DrawText(picture.data(), text, width, kHeight, x, y, size, kWhite);
        return picture;
    }

    test_support::ScopedMachineFolders machine;
    std::unique_ptr<TextRenderer> renderer;
};

TEST_F(TextRendererTest, ChineseTextRendersInTheColourWithABlackShadow) {
    const auto picture = draw("\xD6\xD0\xCE\xC4", 10, 10);  // 中文 in GBK
    size_t white = 0, black = 0;
    int rightmost = 0;
    for (int row = 0; row < kHeight; ++row) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t y = picture[static_cast<size_t>(row * kWidth + x)];
            if (y == kWhiteY) ++white, rightmost = std::max(rightmost, x);
            if (y == 0) ++black;
        }
    }
    EXPECT_GT(white, 50u);
    EXPECT_GT(black, 20u);
    EXPECT_GT(rightmost, 10 + 24);  // two glyphs side by side
    EXPECT_LT(rightmost, 10 + 3 * 24);
}

TEST_F(TextRendererTest, UnderscoreTakesItsRoomButIsNotDrawn) {
    FontMetrics metrics(fontFile(), 24);
    auto expected = draw("A", 10, 10);
    renderer->DrawText(expected.data(), "B", kWidth, kHeight, 10 + metrics.advance('A') + metrics.advance('_'), 10, 24,
                       kWhite);
    EXPECT_EQ(draw("A_B", 10, 10), expected);
}

TEST_F(TextRendererTest, LineFeedAndRightEdgeStartANewLineOneSizeLower) {
    auto expected = draw("A", 10, 10);
    renderer->DrawText(expected.data(), "B", kWidth, kHeight, 10, 34, 24, kWhite);
    EXPECT_EQ(draw("A\nB", 10, 10), expected);

    FontMetrics metrics(fontFile(), 24);
    const int narrow = 10 + metrics.advance('A') + metrics.advance('B');  // B would reach the edge
    auto wrappedExpected = draw("A", 10, 10, 24, narrow);
    renderer->DrawText(wrappedExpected.data(), "B", narrow, kHeight, 10, 34, 24, kWhite);
    EXPECT_EQ(draw("AB", 10, 10, 24, narrow), wrappedExpected);
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

TEST_F(TextRendererTest, GlyphBitsPaintColourUpLeftAndBlackInPlace) {
    unsigned char bits[1] = {0x81};  // first and last of eight columns
    FT_Bitmap bitmap{};
    bitmap.rows = 1;
    bitmap.width = 8;
    bitmap.pitch = 1;
    bitmap.buffer = bits;
    bitmap.pixel_mode = FT_PIXEL_MODE_MONO;
    const int32_t red[3] = {255, 0, 0};  // Y 81, U 90, V 239
    auto picture = std::vector<uint8_t>(16 * 16 * 3 / 2, 100);
    renderer->DrawGlyph(picture.data(), &bitmap, 4, 6, 16, 16, red);
    auto luma = [&](int x, int y) { return picture[static_cast<size_t>(y * 16 + x)]; };
    auto chromaU = [&](int x, int y) { return picture[static_cast<size_t>(256 + (y / 2) * 8 + x / 2)]; };
    EXPECT_EQ(luma(2, 4), 81);
    EXPECT_EQ(luma(9, 4), 81);
    EXPECT_EQ(chromaU(2, 4), 90);
    EXPECT_EQ(luma(4, 6), 0);
    EXPECT_EQ(luma(11, 6), 0);
    EXPECT_EQ(chromaU(4, 6), 128);
    EXPECT_EQ(luma(3, 4), 100);

    // At the picture's top left the coloured copy would land before the start: it is skipped.
    auto corner = std::vector<uint8_t>(16 * 16 * 3 / 2, 100);
    renderer->DrawGlyph(corner.data(), &bitmap, 0, 0, 16, 16, red);
    EXPECT_EQ(corner[0], 0);
    EXPECT_EQ(corner[7], 0);
    EXPECT_EQ(std::count(corner.begin(), corner.begin() + 256, 81), 0);
}

TEST_F(TextRendererTest, TextAtTheEdgesOrBeyondTheLayoutLimitStaysInsideThePicture) {
    const std::string longText(3000, 'W');
    auto small = blankPicture(40, 30);
    renderer->DrawText(small.data(), longText.c_str(), 40, 30, 0, 0, 8, kWhite);
    renderer->DrawText(small.data(), "AB", 40, 30, 39, 29, 24, kWhite);
    renderer->DrawText(small.data(), "AB", 40, 30, -5, -20, 24, kWhite);
    EXPECT_EQ(small.size(), 40u * 30u * 3u / 2u);

    const auto before = blankPicture();
    EXPECT_EQ(draw("A", kWidth + 1, 10), before);  // starting beyond the width draws nothing
    EXPECT_EQ(draw("A", 10, kHeight + 1), before);
    EXPECT_EQ(draw("A", 10, 10, 0), before);
}

TEST(TextRendererWithoutFont, DamagedFontFileLeavesTheRendererUnloaded) {
    test_support::ScopedMachineFolders machine;
    const auto fonts = machine.driveRoot() / "c" / "Windows" / "Fonts";
    std::filesystem::create_directories(fonts);
    std::ofstream(fonts / "simhei.ttf") << "not a font at all";
    EXPECT_FALSE(std::make_unique<TextRenderer>()->loaded());
}

TEST(TextRendererWithoutFont, DrawsNothing) {
    test_support::ScopedMachineFolders machine;  // no simhei.ttf linked
    auto renderer = std::make_unique<TextRenderer>();
    EXPECT_FALSE(renderer->loaded());
    auto picture = blankPicture();
    renderer->DrawText(picture.data(), "A", kWidth, kHeight, 10, 10, 24, kWhite);
    EXPECT_EQ(picture, blankPicture());
}

}  // namespace
