#include "app/render/video_render_gdi.h"
#include "render_test_pictures.h"
#include "tests/support/pixel_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using test_support::makePicture;
using test_support::PixelWindow;
using test_support::solidPicture;
using test_support::Yuv;

namespace {

constexpr uint32_t kBlack = 0xFF000000u;

// The B, G, R bytes of one converted pixel.
struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};

Bgr convertOne(Yuv colour, SampleRange range = SampleRange::Full) {
    auto picture = solidPicture(2, 2, colour);
    unsigned char out[12];
    EXPECT_TRUE(VideoRenderGDI::ConvertI420ToBgr(picture.data(), out, 2, 2, range));
    return Bgr{out[0], out[1], out[2]};
}

// The B, G, R bytes of each level of a grey ramp from 0 to 255.
std::vector<Bgr> greyRamp(SampleRange range) {
    auto grey = makePicture(256, 2, [](int x, int) { return Yuv{static_cast<uint8_t>(x), 128, 128}; });
    std::vector<unsigned char> out(256 * 2 * 3);
    EXPECT_TRUE(VideoRenderGDI::ConvertI420ToBgr(grey.data(), out.data(), 256, 2, range));
    std::vector<Bgr> ramp;
    for (int x = 0; x < 256; ++x) ramp.push_back(Bgr{out[x * 3], out[x * 3 + 1], out[x * 3 + 2]});
    return ramp;
}

// The conversion itself is held against the reference by the renderers' own tests; here the ends:
// full-range grey keeps its level, studio range stretches black and white to the ends, and what
// overshoots either end is clamped rather than wrapped.
TEST(I420ToBgr, GreyKeepsItsLevelOrIsStretchedToTheEndsAndOvershootsAreClamped) {
    const std::vector<Bgr> full = greyRamp(SampleRange::Full);
    for (int x = 0; x < 256; ++x) EXPECT_EQ(full[x], (Bgr{x, x, x})) << x;
    const std::vector<Bgr> studio = greyRamp(SampleRange::Studio);
    for (int x = 0; x <= 16; ++x) EXPECT_EQ(studio[x], (Bgr{0, 0, 0})) << x;
    for (int x = 235; x < 256; ++x) EXPECT_EQ(studio[x], (Bgr{255, 255, 255})) << x;
    EXPECT_EQ(convertOne(Yuv{255, 255, 128}).b, 255);  // 255 + 225
    EXPECT_EQ(convertOne(Yuv{0, 128, 0}).r, 0);        // 0 - 180
    EXPECT_EQ(convertOne(Yuv{255, 0, 0}).g, 255);
    const Bgr low = convertOne(Yuv{20, 0, 0}, SampleRange::Studio);  // 5 - 258 and 5 - 204
    EXPECT_EQ((std::vector<int>{low.b, low.r}), (std::vector<int>{0, 0}));
}

TEST(I420ToBgr, RowsComeOutBottomUpOddSizesReadNothingBeyondAndBadArgumentsAreRefused) {
    auto picture = makePicture(2, 2, [](int, int y) { return Yuv{static_cast<uint8_t>(y == 0 ? 10 : 200), 128, 128}; });
    unsigned char out[12] = {};
    ASSERT_TRUE(VideoRenderGDI::ConvertI420ToBgr(picture.data(), out, 2, 2, SampleRange::Full));
    EXPECT_EQ((std::vector<int>{out[0], out[6]}), (std::vector<int>{200, 10}));  // the bottom row first
    EXPECT_FALSE(VideoRenderGDI::ConvertI420ToBgr(nullptr, out, 2, 2, SampleRange::Full));
    EXPECT_FALSE(VideoRenderGDI::ConvertI420ToBgr(picture.data(), out, 0, 2, SampleRange::Full));
    // Exactly sized heap buffers, so that a read past either end is caught by the sanitizer build.
    for (auto [width, height] : {std::pair{3, 3}, std::pair{5, 1}, std::pair{1, 4}}) {
        size_t length = static_cast<size_t>(width) * height * 3 / 2;
        auto odd = std::make_unique<unsigned char[]>(length);
        std::fill_n(odd.get(), length, 128);
        auto bgr = std::make_unique<unsigned char[]>(static_cast<size_t>(width) * height * 3);
        for (SampleRange range : {SampleRange::Studio, SampleRange::Full}) {
            EXPECT_TRUE(VideoRenderGDI::ConvertI420ToBgr(odd.get(), bgr.get(), width, height, range))
                << width << "x" << height;
        }
    }
}

TEST(VideoRenderGdi, DrawsNothingWithoutAWindowOrForAPictureOfAnotherLengthOrSize) {
    PixelWindow window(0, 0, 40, 30);
    auto picture = solidPicture(32, 24, Yuv{200, 128, 128});
    int length = static_cast<int>(picture.size());
    VideoRenderGDI renderer;
    EXPECT_EQ(renderer.Render(picture.data(), length, kRenderFormatI420, nullptr), 0);  // before Init
    EXPECT_EQ(renderer.Init(nullptr, 32, 24, kRenderFormatI420), 0);
    EXPECT_EQ(renderer.Render(picture.data(), length, kRenderFormatI420, nullptr), 0);

    ASSERT_EQ(renderer.Init(window.handle(), 32, 24, kRenderFormatI420), 0);
    EXPECT_EQ(renderer.Render(picture.data(), length - 1, kRenderFormatI420, nullptr), 0);
    EXPECT_EQ(renderer.Render(nullptr, length, kRenderFormatI420, nullptr), 0);
    EXPECT_EQ(window.pixels().at(20, 15), kBlack);
    EXPECT_EQ(renderer.Render(picture.data(), length, kRenderFormatI420FullRange, nullptr), 1);
    EXPECT_EQ(window.pixels().at(20, 15), 0xFFC8C8C8u);
    // Sizes that cannot be real are refused, and the old buffer is not used for them.
    EXPECT_EQ(renderer.Init(window.handle(), 0, 24, kRenderFormatI420), -1);
    EXPECT_EQ(renderer.Init(window.handle(), 8193, 24, kRenderFormatI420), -1);
    EXPECT_EQ(renderer.Render(picture.data(), length, kRenderFormatI420, nullptr), 0);
}

TEST(VideoRenderGdi, APictureWidthThatLeavesRowPaddingShowsUnsheared) {
    // 3 x 30 bytes a row are padded to 92 in the bitmap: a renderer that packed its rows would
    // show each row shifted a little further.
    PixelWindow window(0, 0, 30, 20);
    auto picture = makePicture(30, 20, [](int x, int) {
        return Yuv{static_cast<uint8_t>(x < 15 ? 40 : 220), 128, 128};
    });
    VideoRenderGDI renderer;
    ASSERT_EQ(renderer.Init(window.handle(), 30, 20, kRenderFormatI420), 0);
    ASSERT_EQ(renderer.Render(picture.data(), static_cast<int>(picture.size()), kRenderFormatI420FullRange, nullptr),
              1);
    auto pixels = window.pixels();
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(pixels.at(14, y), 0xFF282828u) << y;
        EXPECT_EQ(pixels.at(15, y), 0xFFDCDCDCu) << y;
    }
}

}  // namespace
