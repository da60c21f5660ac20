// The drag rectangle over the loopback camera's picture: "Do3DLocation", then a drag with the left
// button, draws the rectangle into the pictures and reports it as region JSON, in the plug-in
// window and full screen.
#include "app/player/video_player.h"
#include "host/events/mouse_events.h"
#include "platform/window/win_input_testing.h"
#include "platform/window/win_window_testing.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>

namespace {

using platform::testing::MouseButton;
using test_support::LoopbackRtspCamera;
using test_support::PluginInstance;
using test_support::PumpUntil;

class Region : public test_support::MachineTest {
protected:
    ~Region() override {
        platform::testing::resetInputState();
        platform::testing::setScreenSize(1920, 1080);
    }
    test_support::ScopedRecordingRenderers renderers;
};

// The region JSON as the page receives it: the styled text, one member a line, as a string value.
test_support::Args RegionArgument(const std::string& bottom, int channel, const std::string& left,
                                  const std::string& right, const std::string& top) {
    return {"\"{\n   \"bottom\" : " + bottom + ",\n   \"channelno\" : " + std::to_string(channel) +
            ",\n   \"left\" : " + left + ",\n   \"right\" : " + right + ",\n   \"top\" : " + top + "\n}\n\""};
}

// Y, U and V of a pixel of the last picture rendered.
std::vector<int> PixelOf(const std::vector<uint8_t>& picture, int width, int height, int x, int y) {
    const size_t luma = static_cast<size_t>(width) * height;
    const size_t chroma = static_cast<size_t>(y / 2) * (width / 2) + x / 2;
    return {picture.at(static_cast<size_t>(y) * width + x), picture.at(luma + chroma),
            picture.at(luma + luma / 4 + chroma)};
}

TEST_F(Region, ADragInRegionModeDrawsTheRectangleAndFiresItsRegionJson) {
    LoopbackRtspCamera camera;
    camera.Start();
    PluginInstance page(160, 120);  // the 320 x 240 picture at half size: window pixels count twice
    ASSERT_EQ(page.Play(camera.Url()), 0);
    page.Invoke("SetWndIndex", 2);
    page.Invoke("Do3DLocation");
    EXPECT_TRUE(page.view()->regionMode());

    platform::testing::mouseDown(page.pluginWindow(), MouseButton::Left, 100, 50);
    platform::testing::mouseMove(page.pluginWindow(), 20, 110);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(page.events->take("ononMouseDownScreen"), (std::vector<test_support::Args>{{"2", "0"}}));
    // From picture point (200, 100) to (40, 220), in (255, 0, 0) written as Y, U and V.
    EXPECT_TRUE(PumpUntil([&] {
        const auto picture = renderers.log->lastPicture();
        return picture.size() == 320u * 240 * 3 / 2 &&
               PixelOf(picture, 320, 240, 120, 100) == std::vector<int>{255, 0, 0} &&
               PixelOf(picture, 320, 240, 40, 160) == std::vector<int>{255, 0, 0};
    }));

    platform::testing::mouseUp(page.pluginWindow(), MouseButton::Left, 20, 110);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(page.events->take("onset3DLocationParams"),
              (std::vector<test_support::Args>{RegionArgument("220.0", 0, "200.0", "40.0", "100.0")}));
    EXPECT_TRUE(page.view()->regionMode());  // the mode stays on for the next rectangle

    // A right press starts no rectangle; a release then reports nothing.
    platform::testing::mouseDown(page.pluginWindow(), MouseButton::Right, 10, 10);
    platform::testing::mouseUp(page.pluginWindow(), MouseButton::Right, 10, 10);
    platform::testing::pumpPendingMessages();
    EXPECT_TRUE(page.events->take("onset3DLocationParams").empty());
}

// Full screen takes the cursor's position on the screen and passes a right button on as button 1.
TEST_F(Region, InFullScreenTheDragFollowsTheCursorOnTheScreenAndTheRightButtonDrawsNothing) {
    platform::testing::setScreenSize(640, 480);  // the 320 x 240 picture at twice its size
    LoopbackRtspCamera camera;
    camera.Start();
    PluginInstance page;
    ASSERT_EQ(page.Play(camera.Url()), 0);
    page.Invoke("Do3DLocation");
    page.Invoke("OpenFullScreen");
    HWND popup = page.view()->fullScreenWindow();
    ASSERT_NE(popup, nullptr);
    // Moved off the corner, the popup's client point (x, y) lies at (x + 40, y + 20) on the screen.
    SetWindowPos(popup, nullptr, 40, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    platform::testing::mouseDown(popup, MouseButton::Right, 60, 80);
    platform::testing::mouseUp(popup, MouseButton::Right, 60, 80);
    platform::testing::mouseDown(popup, MouseButton::Left, 60, 80);
    platform::testing::mouseMove(popup, 360, 220);
    platform::testing::mouseUp(popup, MouseButton::Left, 360, 220);
    platform::testing::pumpPendingMessages();
    // From screen point (100, 100) to (400, 240): picture point (50, 50) to (200, 120).
    EXPECT_EQ(page.events->take("onset3DLocationParams"),
              (std::vector<test_support::Args>{RegionArgument("120.0", 0, "50.0", "200.0", "50.0")}));
}

TEST_F(Region, AManualRectangleDraggedUpwardsFiresItsRegionJsonWithCornersOrderedOnce) {
    LoopbackRtspCamera camera;
    camera.Start();
    PluginInstance page(160, 120);
    ASSERT_EQ(page.Play(camera.Url()), 0);
    page.Invoke("DoManualAnalyse", 3);
    for (int drag = 0; drag < 2; ++drag) {  // the mode serves one rectangle
        platform::testing::mouseDown(page.pluginWindow(), MouseButton::Left, 100, 110);
        platform::testing::mouseMove(page.pluginWindow(), 20, 50);
        platform::testing::mouseUp(page.pluginWindow(), MouseButton::Left, 20, 50);
        platform::testing::pumpPendingMessages();
    }
    EXPECT_EQ(page.events->take("onsetManualAnalyseParams"),
              (std::vector<test_support::Args>{RegionArgument("220.0", 3, "40.0", "200.0", "100.0")}));
    EXPECT_TRUE(page.events->take("onset3DLocationParams").empty());
}

TEST_F(Region, AButtonReleasedOutsideTheWindowAbandonsTheDragAndMouseInputOfAStoppedViewIsNotHandled) {
    LoopbackRtspCamera camera;
    camera.Start();
    PluginInstance page(160, 120);
    ASSERT_EQ(page.Play(camera.Url()), 0);
    page.Invoke("Do3DLocation");
    platform::testing::mouseDown(page.pluginWindow(), MouseButton::Left, 10, 10);
    platform::testing::mouseMove(page.pluginWindow(), 30, 30);
    platform::testing::pumpPendingMessages();
    // The button goes up elsewhere; the next move over the plug-in finds it up.
    platform::testing::mouseUp(page.windows.browser(), MouseButton::Left, 5, 5);
    platform::testing::mouseMove(page.pluginWindow(), 40, 40);
    platform::testing::pumpPendingMessages();
    FB::MouseUpEvent up(0, 40, 40, 0);
    EXPECT_TRUE(page.view()->onMouseUp(&up, page.window.get()));
    EXPECT_EQ(page.events->take("onset3DLocationParams"), (std::vector<test_support::Args>{}));

    page.Call("StopPlay");
    FB::MouseDownEvent down(0, 10, 10, 0);
    EXPECT_FALSE(page.view()->onMouseDown(&down, page.window.get()));
    EXPECT_FALSE(page.view()->onMouseUp(&up, page.window.get()));
}

}  // namespace
