// The whole ActiveX road in the stand-in container: npVeltrin.so loaded with dlopen, the control
// made through its class object, given its site, its <param>s and a window, reached by page script
// through IDispatchEx; it plays the loopback camera, whose picture shows in the control's window,
// and its device link's alarm texts reach a handler the page attached.
#include "tests/support/activex_container/com_server_library.h"
#include "tests/support/activex_container/stand_in_container.h"
#include "tests/support/camera_picture.h"
#include "tests/support/loopback_device_peer.h"
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

constexpr uint16_t kDevicePort = 8081;  // the camera's device link, fixed
constexpr const char* kDeviceAddress = "127.0.0.42";

class ContainerWithLibrary : public ::testing::Test {
protected:
    void SetUp() override { container.useClassObject(library.getClassObject); }
    void TearDown() override {
        container.shutdownControl();
        EXPECT_EQ(0u, container.liveObjectCount());
        EXPECT_EQ(std::vector<std::string>{}, container.faults());
        EXPECT_EQ(S_OK, library.canUnloadNow());
    }
    std::string eval(const std::string& script) { return container.evaluate(script).text; }

    test_support::ScopedMachineFolders machine;
    test_support::ComServerLibrary library;
    test_support::StandInContainer container;
};

// Some containers also give the control its site through IObjectWithSite, before or after the
// <param>s: the page's "onload" runs once all the same, given the plug-in's object; the live
// control keeps the library loaded.
TEST_F(ContainerWithLibrary, OnloadRunsOnceWhereverTheContainerGivesTheObjectSite) {
    for (const auto when : {test_support::ObjectWithSite::BeforeParams, test_support::ObjectWithSite::AfterParams}) {
        test_support::StandInContainer sited;
        sited.useClassObject(library.getClassObject);
        sited.giveObjectSite(when);
        sited.loadPage(R"(<script>var loads = 0, version; function pluginLoaded(p) { loads++; version = p.Version; }</script>
<object id="player" type="application/x-veltrin" width="320" height="240">
  <param name="onload" value="pluginLoaded"/>
</object>)",
                       ".");
        const auto loads = [&] { return sited.evaluate("loads").text; };
        EXPECT_TRUE(sited.pumpUntil([&] { return loads() != "0"; }, 5s)) << static_cast<int>(when);
        sited.pumpUntil([&] { return loads() != "1"; }, 600ms);  // a second call would come 250 ms later
        EXPECT_EQ("1", loads()) << static_cast<int>(when);
        EXPECT_EQ("V2.28|V2.28", sited.evaluate("version + '|' + document.getElementById('player').Version").text);
        EXPECT_EQ(S_FALSE, library.canUnloadNow());
        sited.shutdownControl();
        EXPECT_EQ(0u, sited.liveObjectCount());
        EXPECT_EQ(std::vector<std::string>{}, sited.faults());
    }
}

TEST_F(ContainerWithLibrary, ThePagePlaysTheLoopbackCameraAndHearsItsAlarms) {
    test_support::LoopbackRtspCamera camera;
    camera.Start();
    test_support::LoopbackDevicePeer peer(kDevicePort, kDeviceAddress);
    container.loadPage(R"(<object id="player" type="application/x-veltrin" width="320" height="240"></object>
<script>
var alarms = [];
var player = document.getElementById('player');
player.attachEvent('onalarm', function(text) { alarms.push(text); });
player.SetFunction(0);
player.SetRtspUrl(')" + camera.Url() +
                           R"(');
var started = player.StartPlay();
player.SetServerIp(')" + kDeviceAddress +
                           R"(');
</script>)",
                       ".");
    EXPECT_EQ("0", eval("started"));
    const HWND window = container.pluginWindow();
    EXPECT_TRUE(
        container.pumpUntil([&] { return test_support::showsTheBall(platform::testing::readSurface(window)); }, 10s));

    ASSERT_TRUE(peer.acceptLink());
    ASSERT_TRUE(peer.link().expectGreeting());
    ASSERT_TRUE(peer.link().sendMessage(0, "door open"));
    ASSERT_TRUE(container.pumpUntil([&] { return eval("alarms.length") == "1"; }, 5s));
    EXPECT_EQ("door open", eval("alarms[0]"));
    eval("player.StopPlay()");
}

}  // namespace
