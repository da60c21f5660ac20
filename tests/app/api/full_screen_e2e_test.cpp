// Full screen over the loopback camera: the picture moves to a top-most popup window covering the
// screen and comes back when Escape, a double click or a synthesised keystroke closes it; it stays
// in the plug-in window when the full-screen renderer fails, and full screen through a restart
// unless the restart's full-screen renderer fails.
#include "app/player/video_player.h"
#include "platform/ddraw/ddraw_testing.h"
#include "platform/window/win_input_testing.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using test_support::LoopbackRtspCamera;
using test_support::LoopbackRtspCameraOptions;
using test_support::PluginInstance;
using test_support::PumpUntil;

class FullScreen : public test_support::MachineTest {
protected:
    FullScreen() { platform::testing::setScreenSize(640, 480); }
    ~FullScreen() override {
        platform::testing::resetDirectDrawFailures();
        platform::testing::resetInputState();
        platform::testing::setScreenSize(1920, 1080);
    }

    // Opens full screen, sees the picture there, closes it the given way and sees it come back.
    void OpenAndClose(PluginInstance& page, const std::function<void(HWND)>& close) {
        page.Invoke("OpenFullScreen");
        HWND popup = page.view()->fullScreenWindow();
        ASSERT_NE(popup, nullptr);
        page.Invoke("OpenFullScreen");
        EXPECT_EQ(page.view()->fullScreenWindow(), popup);  // one window only
        RECT area{};
        GetWindowRect(popup, &area);
        EXPECT_EQ((std::vector<LONG>{area.left, area.top, area.right, area.bottom}),
                  (std::vector<LONG>{0, 0, 640, 480}));
        EXPECT_TRUE(PumpUntil([&] { return test_support::ShowsCameraPicture(popup); }));
        close(popup);
        platform::testing::pumpPendingMessages();
        EXPECT_FALSE(IsWindow(popup));
        EXPECT_FALSE(page.view()->fullScreen());
        EXPECT_EQ(page.events->take("ononCloseFullScreen"), (std::vector<test_support::Args>{{"3"}}));
        EXPECT_TRUE(page.view()->playing());
    }
};

TEST_F(FullScreen, ShowsThePictureAndClosesOnEscapeDoubleClickAndKeybdEventWithTheWindowIndex) {
    LoopbackRtspCamera camera;
    camera.Start();
    PluginInstance page;
    ASSERT_EQ(page.Play(camera.Url()), 0);
    page.Invoke("SetWndIndex", 3);
    OpenAndClose(page, [](HWND) { platform::testing::keyDown(VK_ESCAPE); });
    platform::testing::keyUp(VK_ESCAPE);
    OpenAndClose(
        page, [](HWND popup) { platform::testing::doubleClick(popup, platform::testing::MouseButton::Left, 30, 40); });
    OpenAndClose(page, [&](HWND) { page.Invoke("keybdEvent", VK_ESCAPE, 0, 0); });
    // Back in the plug-in window.
    EXPECT_TRUE(PumpUntil([&] { return test_support::ShowsCameraPicture(page.pluginWindow()); }));
}

TEST_F(FullScreen, AStoppedViewShowsABlackScreenAndOtherKeysLeaveItOpen) {
    PluginInstance page;
    page.Invoke("SetFunction", 0);
    page.Invoke("OpenFullScreen");
    HWND popup = page.view()->fullScreenWindow();
    ASSERT_NE(popup, nullptr);
    platform::testing::pumpPendingMessages();
    EXPECT_TRUE(test_support::ShowsBlack(popup));
    platform::testing::keyDown(VK_SPACE);
    platform::testing::pumpPendingMessages();
    EXPECT_TRUE(IsWindow(popup));
    // The browser's window owns the popup: closing it takes the full-screen window along.
    DestroyWindow(page.windows.browser());
    platform::testing::pumpPendingMessages();
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_FALSE(page.view()->fullScreen());
}

TEST_F(FullScreen, ARendererFailingThereLeavesThePictureInThePluginWindow) {
    test_support::ScopedRecordingRenderers renderers;
    LoopbackRtspCamera camera;
    camera.Start();
    PluginInstance page;
    ASSERT_EQ(page.Play(camera.Url()), 0);
    renderers.log->initResults[RendererKind::DirectDraw] = -1;
    page.Invoke("OpenFullScreen");
    EXPECT_FALSE(page.view()->fullScreen());
    EXPECT_EQ(page.view()->fullScreenWindow(), nullptr);
    const HWND popup = renderers.log->initCalls().back().window;
    EXPECT_NE(popup, page.pluginWindow());
    EXPECT_FALSE(IsWindow(popup));
    const int rendered = renderers.log->renders();
    EXPECT_TRUE(PumpUntil([&] { return renderers.log->renders() > rendered + 5; }));
    EXPECT_TRUE(renderers.log->lastPictureIn(popup).empty());
    EXPECT_TRUE(page.events->take("ononCloseFullScreen").empty());
}

// The watchdog's restart request goes to the full-screen window; a new URL there restarts at the
// new camera's size.
TEST_F(FullScreen, ARestartThereStaysFullScreenAtTheNewPictureSize) {
    test_support::ScopedRecordingRenderers renderers(true);
    LoopbackRtspCamera first;
    first.Start();
    LoopbackRtspCameraOptions wide;
    wide.width = 640;
    wide.height = 360;
    LoopbackRtspCamera second(wide);
    second.Start();
    PluginInstance page;
    ASSERT_EQ(page.Play(first.Url()), 0);
    page.Invoke("OpenFullScreen");
    HWND popup = page.view()->fullScreenWindow();
    ASSERT_NE(popup, nullptr);
    PostMessageW(popup, kViewRestartMessage, 0, 0);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(Logged("restart play."), 1);
    EXPECT_TRUE(page.view()->playing());

    page.Invoke("SetRtspUrl", second.Url());
    EXPECT_EQ(page.view()->fullScreenWindow(), popup);
    const auto init = renderers.log->initCalls().back();
    EXPECT_EQ((std::vector<int>{init.window == popup, init.width, init.height}), (std::vector<int>{1, 640, 360}));
    EXPECT_TRUE(PumpUntil([&] { return renderers.log->lastPictureIn(popup).size() == 640u * 360 * 3 / 2; }));
    EXPECT_TRUE(PumpUntil([&] { return test_support::ShowsCameraPicture(popup); }));
}

// DirectDraw refuses the full-screen window's surface when the watchdog restarts the stream there:
// the view goes back to the plug-in window, as when entering full screen fails, and tells the page
// that full screen has closed; full screen opens again once DirectDraw serves the window.
TEST_F(FullScreen, ARestartThereWhoseRendererFailsReturnsToThePluginWindow) {
    test_support::ScopedRecordingRenderers renderers(true);
    LoopbackRtspCamera camera;
    camera.Start();
    PluginInstance page;
    ASSERT_EQ(page.Play(camera.Url()), 0);
    page.Invoke("OpenFullScreen");
    HWND popup = page.view()->fullScreenWindow();
    ASSERT_NE(popup, nullptr);
    renderers.log->beforeInit = [&](HWND window) {
        platform::testing::setDirectDrawCallFails(platform::testing::DirectDrawCall::CreateOffscreenSurface,
                                                  window == popup);
    };
    PostMessageW(popup, kViewRestartMessage, 0, 0);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(Logged("restart play."), 1);
    EXPECT_TRUE(page.view()->playing());
    EXPECT_FALSE(page.view()->fullScreen());
    EXPECT_EQ(page.view()->fullScreenWindow(), nullptr);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(page.events->take("ononCloseFullScreen").size(), 1u);
    const int rendered = renderers.log->rendersIn(page.pluginWindow());
    EXPECT_TRUE(PumpUntil([&] { return renderers.log->rendersIn(page.pluginWindow()) > rendered + 5; }));
    EXPECT_TRUE(PumpUntil([&] { return test_support::ShowsCameraPicture(page.pluginWindow()); }));

    renderers.log->beforeInit = nullptr;
    platform::testing::resetDirectDrawFailures();
    page.Invoke("OpenFullScreen");
    popup = page.view()->fullScreenWindow();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return test_support::ShowsCameraPicture(popup); }));
}

}  // namespace
