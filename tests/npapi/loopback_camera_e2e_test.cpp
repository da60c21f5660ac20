// The whole road in the stand-in browser: a page loads npVeltrin.so, plays the loopback camera
// through the scripting API, and hears the camera's alarm texts from its device link as "onalarm"
// through a listener it registered; the plug-in window's pixels show the camera's picture.
#include "tests/support/camera_picture.h"
#include "tests/support/loopback_device_peer.h"
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/npapi_browser/stand_in_browser.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::chrono_literals;

namespace {

constexpr uint16_t kDevicePort = 8081;  // the camera's device link, fixed
constexpr const char* kDeviceAddress = "127.0.0.41";

using test_support::showsTheBall;

TEST(LoopbackCameraPage, PlaysTheCameraAndHearsItsAlarms) {
    test_support::ScopedMachineFolders machine;
    test_support::LoopbackRtspCamera camera;
    camera.Start();
    test_support::LoopbackDevicePeer peer(kDevicePort, kDeviceAddress);

    test_support::StandInBrowser browser;
    browser.loadPage(R"(<object id="player" type="application/x-veltrin" width="320" height="240"></object>
<script>
var alarms = [];
var player = document.getElementById('player');
player.addEventListener('alarm', function(text) { alarms.push(text); }, false);
player.SetFunction(0);
player.SetRtspUrl(')" + camera.Url() +
                         R"(');
var started = player.StartPlay();
player.SetServerIp(')" + kDeviceAddress +
                         R"(');
</script>)",
                     ".");
    ASSERT_EQ(NPERR_NO_ERROR, browser.instanceResult());
    EXPECT_EQ("0", browser.evaluate("started").text);

    EXPECT_TRUE(browser.pumpUntil([&] { return showsTheBall(browser.pluginPixels()); }, 10s));

    ASSERT_TRUE(peer.acceptLink());
    ASSERT_TRUE(peer.link().expectGreeting());
    ASSERT_TRUE(peer.link().sendMessage(0, "door open"));
    ASSERT_TRUE(browser.pumpUntil([&] { return browser.evaluate("alarms.length").text == "1"; }, 5s));
    EXPECT_EQ("door open", browser.evaluate("alarms[0]").text);

    browser.evaluate("player.StopPlay()");
    browser.destroyInstance();
    browser.shutdownPlugin();
    EXPECT_EQ(0u, browser.liveObjectCount());
    EXPECT_EQ(std::vector<std::string>{}, browser.faults());
}

}  // namespace
