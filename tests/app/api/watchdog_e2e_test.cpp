// The watchdog on the loopback camera: a stalled stream is restarted after six ticks with an empty
// render queue when "StartPlay" set auto-restart, and left alone otherwise; a device link that gave
// up while the camera was away comes back with the restart. Ticks are the test's.
#include "app/device/device_message.h"
#include "app/player/video_player.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/support/loopback_device_peer.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>

namespace {

using test_support::Args;
using test_support::LoopbackDevicePeer;
using test_support::LoopbackRtspCamera;
using test_support::PluginInstance;
using test_support::PumpUntil;
using test_support::ScopedRecordingRenderers;
using namespace std::chrono_literals;

class Watchdog : public test_support::MachineTest {
protected:
    // Stalls the camera and waits until the view has shown its last picture for the last time.
    void StallUntilTheQueueEmpties(PluginInstance& page) {
        ASSERT_TRUE(PumpUntil([&] { return page.view()->renderQueueLength() > 0; }));
        camera.SetStalled(true);
        ASSERT_TRUE(PumpUntil([&] { return page.view()->renderQueueLength() == 0; }, 15s));
    }
    size_t Starts() { return renderers.log->initCalls().size(); }
    void TickSixTimes(PluginInstance& page) {
        for (int tick = 1; tick <= 6; ++tick) test_support::TickWatchdog(page.pluginWindow());
    }
    // Sends an alarm text over the device link and waits for the page to hear it.
    bool AlarmHeard(PluginInstance& page, LoopbackDevicePeer& peer, const std::string& text) {
        if (!peer.link().sendMessage(kDeviceAlarmText, text)) return false;
        std::vector<Args> heard;
        return PumpUntil([&] {
            for (Args& alarm : page.events->take("onalarm")) heard.push_back(alarm);
            return heard == std::vector<Args>{{"\"" + text + "\""}};
        });
    }

    ScopedRecordingRenderers renderers{true};
    LoopbackRtspCamera camera;
};

// A camera that sends nothing cannot be opened again: the restart fails and is tried again six
// ticks later, and succeeds once the camera sends again.
TEST_F(Watchdog, AStalledStreamIsRestartedEverySixEmptyTicksWhileStartPlaySetAutoRestart) {
    camera.Start();
    PluginInstance page;
    ASSERT_EQ(page.Play(camera.Url()), 0);
    StallUntilTheQueueEmpties(page);
    const size_t starts = Starts();
    for (int tick = 1; tick <= 5; ++tick) test_support::TickWatchdog(page.pluginWindow());
    EXPECT_EQ(Logged("restart play."), 0);
    EXPECT_TRUE(page.view()->playing());

    test_support::TickWatchdog(page.pluginWindow());
    EXPECT_EQ(Logged("restart play."), 1);
    EXPECT_FALSE(page.view()->playing());
    EXPECT_TRUE(page.view()->autoRestart());

    camera.SetStalled(false);
    for (int tick = 1; tick <= 5; ++tick) test_support::TickWatchdog(page.pluginWindow());
    EXPECT_EQ(Logged("restart play."), 1);
    test_support::TickWatchdog(page.pluginWindow());
    EXPECT_EQ(Logged("restart play."), 2);
    EXPECT_TRUE(page.view()->playing());
    EXPECT_EQ(Starts(), starts + 1);
    const int rendered = renderers.log->renders();
    EXPECT_TRUE(PumpUntil([&] { return renderers.log->renders() > rendered; }));
}

// A camera that reboots takes its stream and its device link away: the link gives up reconnecting
// while the camera is away, and the restart that brings the picture back brings its alarms back.
TEST_F(Watchdog, AlarmsComeBackWithThePictureWhenTheCameraReturns) {
    const std::string givenUp = "reconnect failed 5 times, device link given up.";
    LoopbackDevicePeer peer(kDeviceMessagePort, "127.0.0.31");
    camera.Start();
    PluginInstance page;
    ASSERT_EQ(page.Play(camera.Url()), 0);
    page.Invoke("SetServerIp", "127.0.0.31");
    ASSERT_TRUE(peer.acceptLink());
    ASSERT_TRUE(peer.link().expectGreeting());
    ASSERT_TRUE(AlarmHeard(page, peer, "before"));

    // The camera goes away.
    peer.stopListening();
    peer.dropConnection();
    StallUntilTheQueueEmpties(page);
    ASSERT_TRUE(PumpUntil([&] { return Logged(givenUp) == 1; }));
    TickSixTimes(page);  // a restart while the camera is still away fails, and so does its link
    EXPECT_FALSE(page.view()->playing());
    ASSERT_TRUE(PumpUntil([&] { return Logged(givenUp) == 2; }));

    // It comes back: the next restart plays again and the link reconnects.
    camera.SetStalled(false);
    ASSERT_TRUE(peer.listenAgain());
    TickSixTimes(page);
    EXPECT_TRUE(page.view()->playing());
    ASSERT_TRUE(peer.acceptLink());
    ASSERT_TRUE(peer.link().expectGreeting());
    EXPECT_TRUE(AlarmHeard(page, peer, "after"));
}

TEST_F(Watchdog, AViewStartedByItsWindowIsNotRestartedAndItsWindowTurnsBlack) {
    camera.Start();
    PluginInstance page(320, 240, false);
    page.Invoke("SetFunction", 0);
    page.Invoke("SetRtspUrl", camera.Url());
    page.attach();  // the view starts playing as its window arrives, without auto-restart
    ASSERT_TRUE(page.view()->playing());
    EXPECT_FALSE(page.view()->autoRestart());
    StallUntilTheQueueEmpties(page);
    const size_t starts = Starts();
    for (int tick = 1; tick <= 13; ++tick) test_support::TickWatchdog(page.pluginWindow());
    EXPECT_EQ(Starts(), starts);
    EXPECT_EQ(Logged("restart play."), 0);
    // The render thread, finding nothing to show, asks for black.
    EXPECT_TRUE(PumpUntil([&] { return test_support::ShowsBlack(page.pluginWindow()); }));
}

TEST_F(Watchdog, AfterStopPlayEveryTickPaintsBlackAndARestartRequestChangesNothing) {
    camera.Start();
    PluginInstance page;
    ASSERT_EQ(page.Play(camera.Url()), 0);
    ASSERT_TRUE(PumpUntil([&] { return test_support::ShowsCameraPicture(page.pluginWindow()); }));
    ASSERT_EQ(page.Call("StopPlay"), 0);
    const int rendered = renderers.log->renders();
    test_support::TickWatchdog(page.pluginWindow());
    EXPECT_EQ(renderers.log->renders(), rendered + 1);  // the black picture
    EXPECT_EQ(renderers.log->lastPicture(), test_support::BlackPicture(320, 240));
    PostMessageW(page.pluginWindow(), kViewRestartMessage, 0, 0);
    test_support::TickWatchdog(page.pluginWindow());
    EXPECT_FALSE(page.view()->playing());
    EXPECT_EQ(Starts(), 1u);
}

}  // namespace
