// The whole road in the stand-in browser: a page loads npVeltrin.so, plays the loopback camera
// through the scripting API, and hears the camera's alarm texts from its device link as "onalarm"
// through a listener it registered and a handler it set as a member of the object; the plug-in
// window's pixels show the camera's picture. The page runs in a browser of each kind (see
// browser_identity.h): the member handler's call reaches the main thread through the browser's
// NPN_PluginThreadAsyncCall or through the plug-in's own message window.
#include "tests/support/camera_picture.h"
#include "tests/support/loopback_device_peer.h"
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/npapi_browser/stand_in_browser.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace std::chrono_literals;

namespace {

constexpr uint16_t kDevicePort = 8081;  // the camera's device link, fixed

// Each browser's page has its camera's device link on an address of its own, so that they can run
// at once.
std::string DeviceAddressFor(const test_support::BrowserIdentity& browser) {
    const std::map<std::string, std::string> addresses{
        {"Plain", "127.0.0.41"}, {"SafariLike", "127.0.0.43"}, {"OldTable", "127.0.0.44"}};
    return addresses.at(browser.name);
}

using test_support::showsTheBall;

using test_support::PluginHost;

class LoopbackCameraPage : public ::testing::TestWithParam<test_support::BrowserIdentity> {
protected:
    void SetUp() override {
        if (!test_support::pluginCanPickHostOf(GetParam()))
            GTEST_SKIP() << "the plug-in picked its host for an earlier browser of this process; run this case alone";
    }
};

TEST_P(LoopbackCameraPage, PlaysTheCameraAndHearsItsAlarms) {
    test_support::ScopedMachineFolders machine;
    test_support::LoopbackRtspCamera camera;
    camera.Start();
    const std::string deviceAddress = DeviceAddressFor(GetParam());
    test_support::LoopbackDevicePeer peer(kDevicePort, deviceAddress);

    test_support::StandInBrowser browser(GetParam());
    browser.loadPage(R"(<object id="player" type="application/x-veltrin" width="320" height="240"></object>
<script>
var alarms = [], alarmsAsMember = [];
var player = document.getElementById('player');
player.addEventListener('alarm', function(text) { alarms.push(text); }, false);
player.onalarm = function(text) { alarmsAsMember.push(text); };
player.SetFunction(0);
player.SetRtspUrl(')" + camera.Url() +
                         R"(');
var started = player.StartPlay();
player.SetServerIp(')" + deviceAddress +
                         R"(');
</script>)",
                     ".");
    ASSERT_EQ(NPERR_NO_ERROR, browser.instanceResult());
    EXPECT_EQ("0", browser.evaluate("started").text);

    EXPECT_TRUE(browser.pumpUntil([&] { return showsTheBall(browser.pluginPixels()); }, 10s));

    ASSERT_TRUE(peer.acceptLink());
    ASSERT_TRUE(peer.link().expectGreeting());
    ASSERT_TRUE(peer.link().sendMessage(0, "door open"));
    ASSERT_TRUE(
        browser.pumpUntil([&] { return browser.evaluate("alarms.length + alarmsAsMember.length").text == "2"; }, 5s));
    EXPECT_EQ("door open", browser.evaluate("alarms[0]").text);
    EXPECT_EQ("door open", browser.evaluate("alarmsAsMember[0]").text);
    if (GetParam().host == PluginHost::AsyncCall)
        EXPECT_GE(browser.asyncCallsRun(), 1u);
    else
        EXPECT_EQ(0u, browser.asyncCallsRun());

    browser.evaluate("player.StopPlay()");
    browser.destroyInstance();
    browser.shutdownPlugin();
    EXPECT_EQ(0u, browser.liveObjectCount());
    EXPECT_EQ(std::vector<std::string>{}, browser.faults());
}

INSTANTIATE_TEST_SUITE_P(EveryHost, LoopbackCameraPage, ::testing::ValuesIn(test_support::browsersOfEveryHost()),
                         [](const ::testing::TestParamInfo<test_support::BrowserIdentity>& browser) {
                             return browser.param.name;
                         });

}  // namespace
