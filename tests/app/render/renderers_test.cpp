// What the two renderers must show alike: the same colours for the same chroma planes, converted
// as the range of the picture's samples asks, and the same part of the picture, stretched to the
// window, for a zoom rectangle; and each keeps its own lock.
#include "platform/ddraw/ddraw_testing.h"
#include "render_test_pictures.h"
#include "tests/support/picture_compare.h"
#include "tests/support/pixel_window.h"

#include <gtest/gtest.h>

#include <thread>

using test_support::bothRenderers;
using test_support::greenOf;
using test_support::makePicture;
using test_support::PixelWindow;
using test_support::solidPicture;
using test_support::Yuv;

namespace {

// Four luma levels both renderers keep apart, shown in studio range between the thresholds 60,
// 120 and 180.
constexpr uint8_t kLevels[] = {30, 90, 150, 210};

int levelIndex(uint32_t pixel) {
    int green = greenOf(pixel);
    return green < 60 ? 0 : green < 120 ? 1 : green < 180 ? 2 : 3;
}

std::vector<std::vector<int>> levelMap(const PixelWindow& window) {
    auto pixels = window.pixels();
    std::vector<std::vector<int>> map(pixels.height);
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) map[y].push_back(levelIndex(pixels.at(x, y)));
    }
    return map;
}

int render(VideoRenderBase& renderer, const std::vector<unsigned char>& picture, const RECT* source = nullptr) {
    return renderer.Render(picture.data(), static_cast<int>(picture.size()), kRenderFormatI420, source);
}

// Colours far apart in both ranges: black, white, mid grey, a red, a green, a blue.
constexpr Yuv kPatches[] = {{16, 128, 128}, {235, 128, 128}, {126, 128, 128},
                            {81, 90, 240},  {145, 54, 34},   {41, 240, 110}};

TEST(Renderers, ShowEachPictureWithTheConversionOfItsSamplesRange) {
    auto picture = makePicture(64, 48, [](int x, int) { return kPatches[x * 6 / 64]; });
    for (const auto& kind : bothRenderers()) {
        for (SampleRange range : {SampleRange::Studio, SampleRange::Full}) {
            SCOPED_TRACE(kind.name + (range == SampleRange::Full ? " full range" : " studio range"));
            PixelWindow window(0, 0, 64, 48);
            auto renderer = kind.make();
            ASSERT_EQ(renderer->Init(window.handle(), 64, 48, kRenderFormatI420), 0);
            ASSERT_EQ(renderer->Render(picture.data(), static_cast<int>(picture.size()), RenderFormatFor(range),
                                       nullptr),
                      1);
            const test_support::RgbPicture shown = test_support::SurfaceToRgb(window.pixels());
            const test_support::RgbPicture expected = test_support::I420ToRgb(picture, 64, 48, range);
            for (size_t i = 0; i < expected.rgb.size(); ++i) ASSERT_NEAR(shown.rgb[i], expected.rgb[i], 3) << i;
        }
    }
}

TEST(Renderers, ShowTheSamePartOfThePictureForAZoomRectangle) {
    // 8 x 8 blocks whose level changes down the picture differently from across it, so that a
    // rectangle taken from the wrong rows shows a different map.
    auto blocks = makePicture(64, 48, [](int x, int y) {
        return Yuv{kLevels[(x / 8 + 2 * (y / 8) + y / 16) % 4], 128, 128};
    });
    RECT zoom{12, 10, 44, 34};
    std::vector<std::vector<int>> expected(72);
    for (int y = 0; y < 72; ++y) {
        for (int x = 0; x < 96; ++x) {
            int px = 12 + (2 * x + 1) * 32 / (2 * 96);
            int py = 10 + (2 * y + 1) * 24 / (2 * 72);
            expected[y].push_back((px / 8 + 2 * (py / 8) + py / 16) % 4);
        }
    }
    for (const auto& kind : bothRenderers()) {
        PixelWindow window(0, 0, 96, 72);
        auto renderer = kind.make();
        ASSERT_EQ(renderer->Init(window.handle(), 64, 48, kRenderFormatI420), 0);
        ASSERT_EQ(render(*renderer, blocks, &zoom), 1);
        EXPECT_EQ(levelMap(window), expected) << kind.name;
    }
}

TEST(Renderers, TakePicturesFromOneThreadWhileAnotherSetsThemUpAgain) {
    auto picture = solidPicture(64, 48, Yuv{150, 128, 128});
    for (const auto& kind : bothRenderers()) {
        PixelWindow window(0, 0, 80, 60);
        auto renderer = kind.make();
        ASSERT_EQ(renderer->Init(window.handle(), 64, 48, kRenderFormatI420), 0);
        std::atomic<bool> running{true};
        std::thread presenter([&] {
            while (running) render(*renderer, picture);
        });
        for (int round = 0; round < 50; ++round) {
            renderer->Release();
            renderer->Init(window.handle(), 64, 48, kRenderFormatI420);
        }
        running = false;
        presenter.join();
        EXPECT_EQ(render(*renderer, picture), 1) << kind.name;
        EXPECT_EQ(levelIndex(window.pixels().at(40, 30)), 2) << kind.name;
        renderer.reset();
        EXPECT_EQ(platform::testing::liveDirectDrawObjects(), 0);
    }
}

}  // namespace
