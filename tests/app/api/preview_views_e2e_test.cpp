// The preview views on the loopback camera and its device link, driven by name as a page does: the
// camera's on-screen-display record and status records drawn into the pictures shown, its alarm
// texts fired as "onalarm", and two views on two cameras each showing only their own camera's.
// Every device link goes to the fixed device port, so each test has loopback addresses of its own.
#include "app/device/device_message.h"
#include "app/player/alarm_text_message.h"
#include "app/render/frame_line.h"
#include "app/render/text_renderer.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/picture_overlay.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/support/device_records.h"
#include "tests/support/loopback_device_peer.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using test_support::Args;
using test_support::LoopbackDevicePeer;
using test_support::LoopbackRtspCamera;
using test_support::Overlay;
using test_support::PluginInstance;
using test_support::PumpUntil;
using test_support::StatusLabel;
using test_support::StatusLine;

StatusLine Line(uint8_t red, uint8_t green, uint8_t blue, std::vector<test_support::StatusPoint> points) {
    return StatusLine{red, green, blue, std::move(points)};
}

// The open path of a status line as the views draw it into a picture shown at its own size.
void DrawPath(uint8_t* picture, int width, int height, const StatusLine& line) {
    const int32_t colour[3] = {line.red, line.green, line.blue};
    for (size_t j = 1; j < line.points.size(); ++j) {
        const auto& from = line.points[j - 1];
        const auto& to = line.points[j];
        DrawLineIntoFrame(picture, width, height, static_cast<float>(from.x), static_cast<float>(from.y),
                          static_cast<float>(to.x), static_cast<float>(to.y), 1, colour);
    }
}

Overlay PathOverlay(const StatusLine& line) {
    return Overlay(320, 240, [&](uint8_t* picture) { DrawPath(picture, 320, 240, line); });
}

test_support::LoopbackRtspCameraOptions CameraOfSize(int width, int height) {
    test_support::LoopbackRtspCameraOptions options;
    options.width = width;
    options.height = height;
    return options;
}

class PreviewViews : public test_support::MachineTest {
protected:
    explicit PreviewViews(int width = 320, int height = 240) : camera(CameraOfSize(width, height)) {
        machine.linkChineseFont();  // before the views load it
        camera.Start();
    }

    // A view of the given kind playing the loopback camera, its device link accepted by the peer.
    void Open(PluginInstance& page, int function, LoopbackDevicePeer& peer, const std::string& address) {
        page.Invoke("SetFunction", function);
        page.Invoke("SetRtspUrl", camera.Url());
        ASSERT_EQ(page.Call("StartPlay"), 0);
        page.Invoke("SetServerIp", address);
        ASSERT_TRUE(peer.acceptLink());
        ASSERT_TRUE(peer.link().expectGreeting());
    }
    bool Shows(const PluginInstance& page, const Overlay& overlay) {
        return PumpUntil([&] { return overlay.ShownIn(renderers.log->lastPictureIn(page.pluginWindow())); });
    }
    size_t Matching(const PluginInstance& page, const Overlay& overlay) {
        return overlay.Matching(renderers.log->lastPictureIn(page.pluginWindow()));
    }

    test_support::ScopedRecordingRenderers renderers;
    LoopbackRtspCamera camera;
};

class OnScreenDisplay : public PreviewViews {
protected:
    OnScreenDisplay() : PreviewViews(640, 360) {}
};

TEST_F(OnScreenDisplay, TheCameraClockChannelAndLocationAreDrawnAsGbkTextAtTheirPlaces) {
    LoopbackDevicePeer peer(kDeviceMessagePort, "127.0.0.6");
    PluginInstance page(640, 360);
    Open(page, 0, peer, "127.0.0.6");

    test_support::OsdRecordFields fields;
    fields.clock.tm_year = 124;  // 2024-05-06 07:08:09, a Monday
    fields.clock.tm_mon = 4;
    fields.clock.tm_mday = 6;
    fields.clock.tm_hour = 7;
    fields.clock.tm_min = 8;
    fields.clock.tm_sec = 9;
    fields.clock.tm_wday = 1;
    fields.location = "\xE8\xB7\xAF\xE5\x8F\xA3 7";  // "路口 7" in UTF-8, as the camera sends it
    fields.dateFormat = 3;
    fields.channel = 2;
    ASSERT_TRUE(peer.link().sendMessage(1, test_support::encodeOsdRecord(fields)));

    // "2024年5月6日 07:08:09 星期一            通道三" and "路口 7" in GBK, white, 17 pixels high on a
    // 360-row picture (coded 368 high): the line at (17 - 8, 360 - 2 x 17), the location centred
    // about the middle, (320 - 6 x 17 / 4, 3 x 17).
    const char line[] =
        "2024\xC4\xEA"
        "5\xD4\xC2"
        "6\xC8\xD5 07:08:09 \xD0\xC7\xC6\xDA\xD2\xBB"
        "            \xCD\xA8\xB5\xC0\xC8\xFD";
    const char location[] = "\xC2\xB7\xBF\xDA 7";
    TextRenderer text;
    const int32_t white[3] = {255, 255, 255};
    const Overlay osd(640, 360, [&](uint8_t* picture) {
        text.DrawText(picture, line, 640, 360, 9, 326, 17, white);
        text.DrawText(picture, location, 640, 360, 295, 51, 17, white);
    });
    EXPECT_TRUE(PumpUntil([&] { return osd.ShownIn(renderers.log->lastPicture()); }));
    EXPECT_GT(osd.Written(), 1000u);
}

TEST_F(PreviewViews, AlarmTextsOfTheCameraBecomeOnalarmAndOversizedOnesAreLoggedAndDropped) {
    LoopbackDevicePeer peer(kDeviceMessagePort, "127.0.0.5");
    PluginInstance page;
    Open(page, 0, peer, "127.0.0.5");
    page.Invoke("SetServerIp", "");  // no address: the link stays as it is
    const std::string longest(5120, 'w');
    const std::string wrongWay = "\xB3\xB5\xC1\xBE\xC4\xE6\xD0\xD0";  // "车辆逆行" in GBK
    ASSERT_TRUE(peer.link().sendMessage(0, longest));
    ASSERT_TRUE(peer.link().sendMessage(5, std::string("door open\0", 10)));
    ASSERT_TRUE(peer.link().sendMessage(0, std::string(5121, 'x')));
    ASSERT_TRUE(peer.link().sendMessage(0, wrongWay));
    std::vector<Args> alarms;
    EXPECT_TRUE(PumpUntil([&] {
        for (Args& alarm : page.events->take("onalarm")) alarms.push_back(alarm);
        return alarms.size() >= 3;
    }));
    EXPECT_EQ(alarms, (std::vector<Args>{{"\"" + longest + "\""}, {"\"door open\""}, {"\"" + wrongWay + "\""}}));
    EXPECT_EQ(Logged("received alarm info is too large:5121."), 1);
}

TEST_F(PreviewViews, AlarmTextsStillWaitingForTheWindowAreFreedWhenThePageCloses) {
    LoopbackDevicePeer peer(kDeviceMessagePort, "127.0.0.7");
    auto page = std::make_unique<PluginInstance>();
    Open(*page, 11, peer, "127.0.0.7");
    const size_t before = AlarmTextsInFlight();
    ASSERT_TRUE(peer.link().sendMessage(0, "left behind"));
    ASSERT_TRUE(peer.link().sendMessage(5, "and another"));
    for (int wait = 0; wait < 500 && AlarmTextsInFlight() < before + 2; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // posted, not pumped
    }
    ASSERT_EQ(AlarmTextsInFlight(), before + 2);
    page.reset();
    EXPECT_EQ(AlarmTextsInFlight(), before);
}

// A view made after "SetFunction"(5) keeps the device mode's routing: the window messages that
// carry its alarm texts reach no handler, and each text is freed as its message is taken.
TEST_F(PreviewViews, AlarmTextsOfAViewMadeInDeviceModeAreFreedUnheard) {
    LoopbackDevicePeer peer(kDeviceMessagePort, "127.0.0.8");
    PluginInstance page;
    page.Invoke("SetFunction", 5);
    Open(page, 0, peer, "127.0.0.8");
    const size_t before = AlarmTextsInFlight();
    for (const char* text : {"one", "two", "three"}) ASSERT_TRUE(peer.link().sendMessage(0, text));
    for (int wait = 0; wait < 500 && AlarmTextsInFlight() < before + 3; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // posted, not pumped
    }
    ASSERT_EQ(AlarmTextsInFlight(), before + 3);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(AlarmTextsInFlight(), before);
    EXPECT_TRUE(page.events->take("onalarm").empty());
}

TEST_F(PreviewViews, StatusRecordsOfTypes2_3And4AreDrawnIntoEveryPictureAndType10IsNot) {
    LoopbackDevicePeer peer(kDeviceMessagePort, "127.0.0.4");
    PluginInstance page;
    Open(page, 0, peer, "127.0.0.4");
    const StatusLine shortSet = Line(200, 30, 40, {{10, 20}, {100, 20}, {100, 60}});
    const StatusLine lineSet = Line(60, 200, 90, {{20, 100}, {150, 100}});
    const StatusLine figure = Line(90, 90, 220, {{200, 30}, {300, 30}, {300, 80}});
    const StatusLabel label{255, 255, 0, 180, 150, "\xB3\xB5\xB5\xC0 1"};  // "车道 1" in GBK
    const StatusLine ballSet = Line(3, 3, 3, {{20, 200}, {300, 200}});
    ASSERT_TRUE(peer.link().sendMessage(2, test_support::encodeLineSet(2, {shortSet})));
    ASSERT_TRUE(peer.link().sendMessage(3, test_support::encodeLineSet(3, {lineSet})));
    ASSERT_TRUE(peer.link().sendMessage(4, test_support::encodeFigureSet({figure}, {label})));
    ASSERT_TRUE(peer.link().sendMessage(10, test_support::encodeLineSet(10, {ballSet})));

    TextRenderer text;
    const int32_t yellow[3] = {255, 255, 0};
    const Overlay records(320, 240, [&](uint8_t* picture) {
        for (const StatusLine* line : {&shortSet, &lineSet, &figure}) DrawPath(picture, 320, 240, *line);
        text.DrawText(picture, label.text.c_str(), 320, 240, label.x, label.y, 240 * 52 / 1080, yellow);
    });
    EXPECT_TRUE(Shows(page, records));
    EXPECT_EQ(Matching(page, PathOverlay(ballSet)), 0u);
}

TEST_F(PreviewViews, TwoViewsOnTwoCamerasEachDrawOnlyTheirOwnCamerasRecord) {
    LoopbackDevicePeer gunCamera(kDeviceMessagePort, "127.0.0.2");
    LoopbackDevicePeer ballCamera(kDeviceMessagePort, "127.0.0.3");
    PluginInstance gun;
    PluginInstance ball;
    Open(gun, 10, gunCamera, "127.0.0.2");
    Open(ball, 11, ballCamera, "127.0.0.3");
    // Each camera sends both line sets; a gun view draws type 3, a ball view type 10. Their luma lies
    // below the studio range, so no byte of the camera's own picture matches a line not drawn.
    const StatusLine gunShown = Line(12, 220, 40, {{10, 40}, {300, 40}});
    const StatusLine gunHidden = Line(5, 5, 5, {{10, 80}, {300, 80}});
    const StatusLine ballHidden = Line(6, 6, 6, {{10, 120}, {300, 120}});
    const StatusLine ballShown = Line(10, 40, 220, {{10, 160}, {300, 160}});
    ASSERT_TRUE(gunCamera.link().sendMessage(3, test_support::encodeLineSet(3, {gunShown})));
    ASSERT_TRUE(gunCamera.link().sendMessage(10, test_support::encodeLineSet(10, {gunHidden})));
    ASSERT_TRUE(ballCamera.link().sendMessage(3, test_support::encodeLineSet(3, {ballHidden})));
    ASSERT_TRUE(ballCamera.link().sendMessage(10, test_support::encodeLineSet(10, {ballShown})));

    EXPECT_TRUE(Shows(gun, PathOverlay(gunShown)));
    EXPECT_TRUE(Shows(ball, PathOverlay(ballShown)));
    for (const StatusLine* hidden : {&gunHidden, &ballHidden}) {
        EXPECT_EQ(Matching(gun, PathOverlay(*hidden)), 0u);
        EXPECT_EQ(Matching(ball, PathOverlay(*hidden)), 0u);
    }
    EXPECT_EQ(Matching(gun, PathOverlay(ballShown)), 0u);
    EXPECT_EQ(Matching(ball, PathOverlay(gunShown)), 0u);
}

}  // namespace
