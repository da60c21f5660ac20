#include "app/render/frame_bitmap_blend.h"
#include "app/render/frame_line.h"
#include "app/render/i420_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

using Pixels = std::set<std::pair<int, int>>;

// An I420 picture filled with one value, with accessors by pixel.
struct Picture {
    Picture(int w, int h, uint8_t fill = 0) : width(w), height(h), bytes(static_cast<size_t>(w * h * 3 / 2), fill) {}
    uint8_t& y(int x, int row) { return bytes[static_cast<size_t>(row * width + x)]; }
    uint8_t& u(int x, int row) { return bytes[chroma(x, row)]; }
    uint8_t& v(int x, int row) { return bytes[chroma(x, row) + static_cast<size_t>(width * height / 4)]; }
    size_t chroma(int x, int row) const { return static_cast<size_t>(width * height + row / 2 * (width / 2) + x / 2); }
    Pixels lumaEqualTo(uint8_t value) {
        Pixels pixels;
        for (int row = 0; row < height; ++row)
            for (int x = 0; x < width; ++x)
                if (y(x, row) == value) pixels.insert({x, row});
        return pixels;
    }
    int width;
    int height;
    std::vector<uint8_t> bytes;
};

const int32_t kColour[3] = {200, 10, 20};

Pixels block(int x0, int y0, int x1, int y1) {
    Pixels pixels;
    for (int row = y0; row <= y1; ++row)
        for (int x = x0; x <= x1; ++x) pixels.insert({x, row});
    return pixels;
}

// Luma pixels painted by one line on a blank 8 x 8 picture.
Pixels line(float x0, float y0, float x1, float y1, int thickness) {
    Picture picture(8, 8);
    DrawLineIntoFrame(picture.bytes.data(), 8, 8, x0, y0, x1, y1, thickness, kColour);
    return picture.lumaEqualTo(200);
}

TEST(DrawLineIntoFrame, PaintsTheSquareBrushAlongBresenhamWithTheColourAsYuv) {
    Picture picture(8, 8);
    DrawLineIntoFrame(picture.bytes.data(), 8, 8, 1.9f, 2.0f, 4.0f, 2.5f, 1, kColour);
    // Ends truncate to (1, 2) and (4, 2); 2 x 2 brushes at x = 1, 2, 3 (the last end is left out).
    EXPECT_EQ(picture.lumaEqualTo(200), block(1, 2, 4, 3));
    EXPECT_EQ(picture.u(2, 2), 10);
    EXPECT_EQ(picture.v(2, 2), 20);
    EXPECT_EQ(picture.u(6, 6), 0);
    // Thickness 0 paints the single pixel at offset (1, 1) of each point, showing the steps.
    EXPECT_EQ(line(4, 2, 0, 0, 0), (Pixels{{1, 1}, {2, 1}, {3, 2}, {4, 2}}));
    EXPECT_EQ(line(0, 0, 2, 4, 0), (Pixels{{1, 1}, {1, 2}, {2, 3}, {2, 4}}));
    EXPECT_EQ(line(3, 3, 3, 4, 2), block(2, 2, 4, 4));  // 3 x 3
    EXPECT_EQ(line(2, 2, 2, 3, 3), block(0, 0, 4, 4));  // 5 x 5
}

// Clipping, ends beyond the picture and the widest brushes are checked against the definition below.
TEST(DrawLineIntoFrame, NegativeThicknessesNullPicturesAndNullColoursDrawNothing) {
    EXPECT_EQ(line(0, 0, 1, 0, INT_MIN), Pixels{});
    Picture untouched(8, 8);
    DrawLineIntoFrame(untouched.bytes.data(), 8, 8, 0.0f, 0.0f, 4.0f, 4.0f, 1, nullptr);
    DrawLineIntoFrame(nullptr, 8, 8, 0.0f, 0.0f, 4.0f, 4.0f, 1, kColour);
    EXPECT_EQ(untouched.bytes, Picture(8, 8).bytes);
}

// The line as the definition states it: the square brush painted pixel by pixel at every step of
// the Bresenham walk.
void ReferenceLine(uint8_t* data, int width, int height, float x0, float y0, float x1, float y1, int thickness,
                   const int32_t colour[3]) {
    auto within = [](float value, int limit) { return value >= 0.0f && value <= static_cast<float>(limit); };
    if (!within(x0, width) || !within(x1, width) || !within(y0, height) || !within(y1, height)) return;
    I420Picture picture(data, width, height);
    const YuvColour yuv{static_cast<uint8_t>(colour[0]), static_cast<uint8_t>(colour[1]),
                        static_cast<uint8_t>(colour[2])};
    int major0 = static_cast<int>(x0), minor0 = static_cast<int>(y0);
    int major1 = static_cast<int>(x1), minor1 = static_cast<int>(y1);
    const bool steep = std::abs(minor1 - minor0) > std::abs(major1 - major0);
    if (steep) {
        std::swap(major0, minor0);
        std::swap(major1, minor1);
    }
    if (major0 > major1) {
        std::swap(major0, major1);
        std::swap(minor0, minor1);
    }
    const int dx = major1 - major0;
    const int dy = std::abs(minor1 - minor0);
    const int step = minor0 < minor1 ? 1 : -1;
    thickness = std::clamp(thickness, -1, std::max(width, height) + 1);
    const int first = 1 - thickness;
    const int last = std::max(thickness, 2) - 1;
    int error = dx / 2;
    int minor = minor0;
    for (int major = major0; major < major1; ++major) {
        for (int a = first; a <= last; ++a) {
            for (int b = first; b <= last; ++b) {
                if (steep) {
                    picture.put(minor + b, major + a, yuv);
                } else {
                    picture.put(major + a, minor + b, yuv);
                }
            }
        }
        error -= dy;
        if (error < 0) {
            minor += step;
            error += dx;
        }
    }
}

// Every sample, luma and both chroma planes, odd picture sizes included.
TEST(DrawLineIntoFrame, WritesExactlyTheSamplesOfTheBrushPaintedAtEveryStep) {
    std::mt19937 random(20240506);
    const int sizes[][2] = {{8, 8}, {13, 9}, {1, 5}, {32, 17}, {7, 30}};
    for (const auto& size : sizes) {
        const int width = size[0], height = size[1];
        std::uniform_real_distribution<float> xs(-0.5f, static_cast<float>(width) + 0.25f);
        std::uniform_real_distribution<float> ys(-0.5f, static_cast<float>(height) + 0.25f);
        for (int trial = 0; trial < 400; ++trial) {
            const float x0 = xs(random), y0 = ys(random);
            float x1 = xs(random), y1 = ys(random);
            if (trial % 4 == 0) y1 = y0;  // horizontal
            if (trial % 4 == 1) x1 = x0;  // vertical
            const int thickness = trial % 9 == 8 ? INT_MAX : trial % 9 - 1;
            Picture drawn(width, height, 7), expected(width, height, 7);
            DrawLineIntoFrame(drawn.bytes.data(), width, height, x0, y0, x1, y1, thickness, kColour);
            ReferenceLine(expected.bytes.data(), width, height, x0, y0, x1, y1, thickness, kColour);
            ASSERT_EQ(drawn.bytes, expected.bytes) << width << "x" << height << " (" << x0 << ", " << y0 << ") to ("
                                                   << x1 << ", " << y1 << ") thickness " << thickness;
        }
    }
}

TEST(BlendBitmapIntoFrame, NearWhiteIsTransparentAndOtherPixelsBlendHalfAndHalf) {
    Picture picture(4, 4, 100);
    // (255, 255, 1) sums to 511 and is transparent; (255, 255, 0) sums to 510 and blends.
    const uint8_t bitmap[] = {255, 255, 1, 255, 255, 0};
    BlendBitmapIntoFrame(picture.bytes.data(), 4, 4, 0, 0, bitmap, 2, 1, 6);
    EXPECT_EQ(picture.y(0, 0), 100);
    // (255, 255, 0) is Y 210, U 16, V 146: each sample becomes the truncated mean with 100.
    EXPECT_EQ(picture.y(1, 0), 155);
    EXPECT_EQ(picture.u(1, 0), 58);
    EXPECT_EQ(picture.v(1, 0), 123);

    Picture shared(4, 4, 0);
    const uint8_t black[12] = {};  // 2 x 2 black: Y 16, U 128, V 128
    BlendBitmapIntoFrame(shared.bytes.data(), 4, 4, 2, 2, black, 2, 2, 6);
    EXPECT_EQ(shared.y(3, 3), 8);
    EXPECT_EQ(shared.u(2, 2), 120);  // the shared sample is blended once per pixel: 0, 64, 96, 112, 120
    EXPECT_EQ(shared.u(0, 0), 0);
}

TEST(BlendBitmapIntoFrame, PartsOutsideThePictureAreLeftOut) {
    Picture picture(4, 4, 0);
    const std::vector<uint8_t> black(6 * 6 * 3, 0);
    BlendBitmapIntoFrame(picture.bytes.data(), 4, 4, -1, -1, black.data(), 6, 6, 18);
    BlendBitmapIntoFrame(picture.bytes.data(), 4, 4, 3, 3, black.data(), 6, 6, 18);
    EXPECT_EQ(picture.y(0, 0), 8);
    EXPECT_EQ(picture.y(3, 3), 12);  // blended by both
}

}  // namespace
