#include "app/render/video_render_ddraw.h"
#include "platform/ddraw/ddraw_testing.h"
#include "render_test_pictures.h"
#include "tests/support/pixel_window.h"

#include <gtest/gtest.h>

using platform::testing::DirectDrawCall;
using platform::testing::liveDirectDrawObjects;
using test_support::greenOf;
using test_support::PixelWindow;
using test_support::solidPicture;
using test_support::Yuv;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kPictureBytes = kWidth * kHeight * 3 / 2;
// DirectDraw object, primary surface, its clipper, off-screen surface.
constexpr int kObjectsOfOneRenderer = 4;

class VideoRenderDDrawTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::testing::resetDirectDrawFailures();
        EXPECT_EQ(liveDirectDrawObjects(), 0);
    }

    // The grey level the window shows in its centre.
    int shownLevel() const { return greenOf(window_.pixels().at(40, 30)); }

    PixelWindow window_{0, 0, 80, 60};
};

using VideoRenderDDrawInit = VideoRenderDDrawTest;

TEST_F(VideoRenderDDrawInit, EachFailingStepHasItsCodeAndLeavesNothingBehind) {
    const std::pair<DirectDrawCall, int> steps[] = {
        {DirectDrawCall::Create, -2},
        {DirectDrawCall::SetCooperativeLevel, -3},
        {DirectDrawCall::CreatePrimarySurface, -4},
        {DirectDrawCall::CreateClipper, -5},
        {DirectDrawCall::ClipperSetHWnd, -6},
        {DirectDrawCall::SurfaceSetClipper, -7},
        {DirectDrawCall::CreateOffscreenSurface, -8},
    };
    auto picture = solidPicture(kWidth, kHeight, Yuv{128, 128, 128});
    VideoRenderDDraw renderer;
    EXPECT_EQ(renderer.Init(nullptr, kWidth, kHeight, kRenderFormatI420), -1);  // no window
    EXPECT_EQ(liveDirectDrawObjects(), 0);
    for (auto [call, code] : steps) {
        platform::testing::setDirectDrawCallFails(call, true);
        EXPECT_EQ(renderer.Init(window_.handle(), kWidth, kHeight, kRenderFormatI420), code);
        EXPECT_EQ(liveDirectDrawObjects(), 0) << code;
        EXPECT_EQ(renderer.Render(picture.data(), kPictureBytes, kRenderFormatI420, nullptr), 0) << code;
        platform::testing::resetDirectDrawFailures();
    }
    // YV12 surfaces hold whole 2 x 2 chroma blocks only; the view falls back to GDI for such sizes.
    EXPECT_EQ(renderer.Init(window_.handle(), kWidth + 1, kHeight, kRenderFormatI420), -8);
    EXPECT_EQ(renderer.Init(window_.handle(), kWidth, kHeight, 3), -8);  // no such format
    EXPECT_EQ(renderer.Init(window_.handle(), kWidth, kHeight, kRenderFormatI420), 0);
    EXPECT_EQ(renderer.Init(window_.handle(), kWidth, kHeight, kRenderFormatI420), 0);  // again: made afresh
    EXPECT_EQ(liveDirectDrawObjects(), kObjectsOfOneRenderer);
    EXPECT_EQ(renderer.Release(), 1);
    EXPECT_EQ(liveDirectDrawObjects(), 0);
    EXPECT_EQ(renderer.Render(picture.data(), kPictureBytes, kRenderFormatI420, nullptr), 0);
}

using VideoRenderDDrawRender = VideoRenderDDrawTest;

TEST_F(VideoRenderDDrawRender, RefusesAPictureOfAnotherLengthOrFormat) {
    VideoRenderDDraw renderer;
    ASSERT_EQ(renderer.Init(window_.handle(), kWidth, kHeight, kRenderFormatI420), 0);
    auto picture = solidPicture(kWidth, kHeight + 2, Yuv{180, 128, 128});
    EXPECT_EQ(renderer.Render(picture.data(), kPictureBytes - 1, kRenderFormatI420, nullptr), 0);
    EXPECT_EQ(renderer.Render(picture.data(), -kPictureBytes, kRenderFormatI420, nullptr), 0);
    EXPECT_EQ(renderer.Render(nullptr, kPictureBytes, kRenderFormatI420, nullptr), 0);
    EXPECT_EQ(window_.pixels().at(40, 30), 0xFF000000u);
    EXPECT_EQ(renderer.Render(picture.data(), kPictureBytes, kRenderFormatI420, nullptr), 1);
    EXPECT_GT(shownLevel(), 150);
}

TEST_F(VideoRenderDDrawRender, ALostSurfaceDropsThatPictureAndTheNextOneShows) {
    VideoRenderDDraw renderer;
    ASSERT_EQ(renderer.Init(window_.handle(), kWidth, kHeight, kRenderFormatI420), 0);
    auto dark = solidPicture(kWidth, kHeight, Yuv{60, 128, 128});
    auto bright = solidPicture(kWidth, kHeight, Yuv{200, 128, 128});
    ASSERT_EQ(renderer.Render(dark.data(), kPictureBytes, kRenderFormatI420, nullptr), 1);
    int darkLevel = shownLevel();

    platform::testing::loseDirectDrawSurfaces();  // as a display mode change does
    EXPECT_EQ(renderer.Render(bright.data(), kPictureBytes, kRenderFormatI420, nullptr), 0);
    EXPECT_EQ(shownLevel(), darkLevel);
    EXPECT_EQ(liveDirectDrawObjects(), kObjectsOfOneRenderer);  // made again, the lost ones let go
    EXPECT_EQ(renderer.Render(bright.data(), kPictureBytes, kRenderFormatI420, nullptr), 1);
    EXPECT_GT(shownLevel(), darkLevel + 100);

    platform::testing::setLocksStillDrawing(3);  // a busy blitter is waited out
    EXPECT_EQ(renderer.Render(dark.data(), kPictureBytes, kRenderFormatI420, nullptr), 1);
    EXPECT_EQ(shownLevel(), darkLevel);
}

TEST_F(VideoRenderDDrawRender, AFailedRemakeAfterALostSurfaceLeavesItWithoutDirectDraw) {
    VideoRenderDDraw renderer;
    ASSERT_EQ(renderer.Init(window_.handle(), kWidth, kHeight, kRenderFormatI420), 0);
    auto picture = solidPicture(kWidth, kHeight, Yuv{200, 128, 128});
    platform::testing::loseDirectDrawSurfaces();
    platform::testing::setDirectDrawCallFails(DirectDrawCall::CreateOffscreenSurface, true);
    EXPECT_EQ(renderer.Render(picture.data(), kPictureBytes, kRenderFormatI420, nullptr), 0);
    EXPECT_EQ(liveDirectDrawObjects(), 0);
    platform::testing::resetDirectDrawFailures();
    EXPECT_EQ(renderer.Render(picture.data(), kPictureBytes, kRenderFormatI420, nullptr), 0);
    EXPECT_EQ(window_.pixels().at(40, 30), 0xFF000000u);
}

}  // namespace
