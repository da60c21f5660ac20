// The on-screen-display settings view on the loopback camera and its device link, driven by name as
// a page does: the page's settings choose the items and the location text drawn through the font
// in GBK, the camera's record brings only the date and time, and settings that are malformed or of
// the wrong kind leave the display as it was.
#include "app/device/device_message.h"
#include "app/render/text_renderer.h"
#include "app/util/code_page_text.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/picture_overlay.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/app/support/refused_json_texts.h"
#include "tests/support/device_records.h"
#include "tests/support/loopback_device_peer.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using test_support::LoopbackDevicePeer;
using test_support::Overlay;
using test_support::PluginInstance;
using test_support::PumpUntil;

std::string Gbk(const std::string& utf8) {
    char out[256] = {};
    Utf8ToAnsi(out, utf8.c_str(), sizeof(out));
    return out;
}

// The camera's record of 2024-05-06 07:08:<second>, a Monday, with a layout of its own that the
// view must not take: every item, another location, date format 1, channel three.
std::string CameraRecord(int second) {
    test_support::OsdRecordFields fields;
    fields.clock.tm_year = 124;
    fields.clock.tm_mon = 4;
    fields.clock.tm_mday = 6;
    fields.clock.tm_hour = 7;
    fields.clock.tm_min = 8;
    fields.clock.tm_sec = second;
    fields.clock.tm_wday = 1;
    fields.location = "camera's own";
    fields.showFlags = 0x1f;
    fields.channel = 2;
    return test_support::encodeOsdRecord(fields);
}

class OsdSettingsView : public test_support::MachineTest {
protected:
    OsdSettingsView() {
        machine.linkChineseFont();  // before the view and the test load it
        text = std::make_unique<TextRenderer>();
        test_support::LoopbackRtspCameraOptions options;
        options.width = 640;
        options.height = 360;
        camera = std::make_unique<test_support::LoopbackRtspCamera>(options);
        camera->Start();
    }

    // The OSD-settings view playing the camera, its device link accepted by the peer.
    void Open(PluginInstance& page, LoopbackDevicePeer& peer, const std::string& address) {
        page.Invoke("SetFunction", 1);
        page.Invoke("SetRtspUrl", camera->Url());
        ASSERT_EQ(page.Call("StartPlay"), 0);
        page.Invoke("SetServerIp", address);
        ASSERT_TRUE(peer.acceptLink());
        ASSERT_TRUE(peer.link().expectGreeting());
    }
    // The line and the location as they are drawn into a 640 x 360 picture: white text 17 pixels
    // high, the line at (17 - 8, 360 - 2 x 17), the location centred about the middle at 3 x 17.
    Overlay Display(const std::string& line, const std::string& location) {
        return Overlay(640, 360, [&](uint8_t* picture) {
            const int32_t white[3] = {255, 255, 255};
            text->DrawText(picture, line.c_str(), 640, 360, 9, 326, 17, white);
            const int x = 320 - static_cast<int>(location.size()) * 17 / 4;
            text->DrawText(picture, location.c_str(), 640, 360, x, 51, 17, white);
        });
    }
    bool Shows(const Overlay& overlay) {
        return PumpUntil([&] { return overlay.ShownIn(renderers.log->lastPicture()); });
    }
    // Still shown after some more pictures.
    bool StillShows(const Overlay& overlay) {
        const int rendered = renderers.log->renders();
        return PumpUntil([&] { return renderers.log->renders() > rendered + 10; }) &&
               overlay.ShownIn(renderers.log->lastPicture());
    }

    test_support::ScopedRecordingRenderers renderers;
    std::unique_ptr<test_support::LoopbackRtspCamera> camera;
    std::unique_ptr<TextRenderer> text;
};

TEST_F(OsdSettingsView, ThePageChoosesTheItemsAndLocationWhileTheCameraBringsOnlyTheClock) {
    LoopbackDevicePeer peer(kDeviceMessagePort, "127.0.0.21");
    PluginInstance page(640, 360);
    Open(page, peer, "127.0.0.21");
    page.Invoke("SetOSDInfoParams", std::string(R"({"result": {"dateformat": 3, "showdate": true, "showtime": true,
        "showweek": true, "showlocation": true, "location": "路口 7", "locposx": 0.5, "locposy": 0.1}})"));
    ASSERT_TRUE(peer.link().sendMessage(kDeviceOsdRecord, CameraRecord(9)));
    const Overlay first = Display(Gbk("2024年5月6日 07:08:09 星期一"), Gbk("路口 7"));
    EXPECT_TRUE(Shows(first));
    EXPECT_GT(first.Written(), 1000u);

    // The camera's clock moves on; the page's layout stays.
    ASSERT_TRUE(peer.link().sendMessage(kDeviceOsdRecord, CameraRecord(10)));
    EXPECT_TRUE(Shows(Display(Gbk("2024年5月6日 07:08:10 星期一"), Gbk("路口 7"))));

    // New settings replace the whole layout: no date or weekday now, the first channel's name, another
    // location; the clock reads zero until the camera's next record.
    page.Invoke("SetOSDInfoParams", std::string(R"({"result": {"showtime": true, "showchannel": true,
        "showlocation": true, "location": "东门"}})"));
    EXPECT_TRUE(Shows(Display(Gbk("00:00:00            通道一"), Gbk("东门"))));
    ASSERT_TRUE(peer.link().sendMessage(kDeviceOsdRecord, CameraRecord(11)));
    const Overlay second = Display(Gbk("07:08:11            通道一"), Gbk("东门"));
    EXPECT_TRUE(Shows(second));

    for (const char* bad : {"{", "[1]", R"({"result": 5})", R"({"result": {"showtime": "yes"}})",
                            R"({"result": {"location": ["西门"], "showlocation": true}})"}) {
        page.Invoke("SetOSDInfoParams", std::string(bad));
    }
    for (const std::string& refused : test_support::kTextsTheJsonReaderRefuses) {
        page.Invoke("SetOSDInfoParams", refused);
    }
    EXPECT_TRUE(StillShows(second));
}

}  // namespace
