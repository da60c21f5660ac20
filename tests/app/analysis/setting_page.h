// A page with the analytics setting view playing a loopback camera that is stalled once its first
// picture has been shown, so that every later picture is one the test hands the view itself, as its
// decoder would:
// the test decides what each picture holds and how many pictures pass. The page drives the view by
// name and with injected mouse input; a menu chooser stands in for the user at the popup menu.
#pragma once

#include "app/player/video_player.h"
#include "app/render/text_renderer.h"
#include "platform/menu/win_menu_testing.h"
#include "platform/window/win_input_testing.h"
#include "scripting/utf8_tools.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/picture_overlay.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>
#include <json/reader.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <future>
#include <optional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

using platform::testing::MenuRequest;
using platform::testing::MouseButton;

constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 240;

// Y, U and V of a pixel of an I420 picture of the test's size.
inline std::vector<int> PixelOf(const std::vector<uint8_t>& picture, int x, int y) {
    const size_t luma = static_cast<size_t>(kPictureWidth) * kPictureHeight;
    const size_t chroma = static_cast<size_t>(y / 2) * (kPictureWidth / 2) + static_cast<size_t>(x / 2);
    return {picture.at(static_cast<size_t>(y) * kPictureWidth + static_cast<size_t>(x)), picture.at(luma + chroma),
            picture.at(luma + luma / 4 + chroma)};
}

// Line colours as the overlay writes them (Y, U, V).
const std::vector<int> kRedLine{255, 0, 0};
const std::vector<int> kBlueLine{0, 0, 255};
const std::vector<int> kGreenLine{0, 255, 0};
const std::vector<int> kYellowLine{255, 255, 0};
const std::vector<int> kMagentaLine{255, 0, 255};

// Text colours (red, green, blue) and the labels' size on the test's picture: 240 x 52 / 1080.
const std::vector<int32_t> kRedText{255, 0, 0};
const std::vector<int32_t> kBlueText{0, 0, 255};
const std::vector<int32_t> kGreenText{0, 255, 0};
constexpr int kTextSize = 11;

// A calibration quadrilateral that is the picture's rectangle from (10, 10) to (310, 230).
inline const std::string kRectangleCalibration =
    R"({"clbcoord":{"points":[{"x":10.0,"y":10.0},{"x":310.0,"y":10.0},{"x":310.0,"y":230.0},{"x":10.0,"y":230.0}]}})";

class SettingPageTest : public MachineTest {
protected:
    SettingPageTest() { machine.linkChineseFont(); }
    ~SettingPageTest() override {
        platform::testing::setMenuChooser({});
        platform::testing::resetInputState();
    }

    // Plays the camera in the setting view (the variant of control type 10 when asked), waits for
    // its first picture, then stalls it and waits until its pictures have stopped coming. The
    // camera's stream stays open and never ends: a stream's end reaching the RTSP source while the
    // view closes it can hold up the close under ThreadSanitizer.
    void Open(int controlType = 0) {
        camera = std::make_unique<LoopbackRtspCamera>(LoopbackRtspCameraOptions{});
        camera->Start();
        if (controlType != 0) page.Invoke("setControlType", controlType);
        page.Invoke("SetFunction", 2);
        page.Invoke("SetRtspUrl", camera->Url());
        ASSERT_EQ(page.Call("StartPlay"), 0);
        // The camera's picture, not the black one a view shows before its first picture comes.
        ASSERT_TRUE(PumpUntil([&] {
            const std::vector<uint8_t> shown = renderers.log->lastPicture();
            return shown.size() == PictureBytes() &&
                   std::any_of(shown.begin(), shown.begin() + kPictureWidth * kPictureHeight,
                               [](uint8_t luma) { return luma != 16; });
        }));
        camera->SetStalled(true);
        // The camera's ball moves from picture to picture: the shown picture staying the same for
        // a while means that what was on its way has all been shown.
        std::vector<uint8_t> last;
        ASSERT_TRUE(PumpUntil(
            [&] {
                std::vector<uint8_t> shown = renderers.log->lastPicture();
                const bool settled = page.view()->renderQueueLength() == 0 && shown == last;
                last = std::move(shown);
                if (!settled) std::this_thread::sleep_for(std::chrono::milliseconds(400));
                return settled;
            },
            std::chrono::seconds(30)));
    }

    static size_t PictureBytes() { return static_cast<size_t>(kPictureWidth) * kPictureHeight * 3 / 2; }

    // Hands the view a picture (black unless given) as its decoder would, without waiting for it
    // to be shown.
    void Decode(std::vector<uint8_t> picture = {}) {
        if (picture.empty()) picture = BlackPicture(kPictureWidth, kPictureHeight);
        ++serial_;  // the first two luma bytes tell the pictures apart
        picture[0] = static_cast<uint8_t>(serial_ & 0xFF);
        picture[1] = static_cast<uint8_t>(serial_ >> 8);
        DataBuffer* buffer = AllocDataBuffer(static_cast<int32_t>(picture.size()));
        std::copy(picture.begin(), picture.end(), buffer->data);
        CVideoPlayer::OnDecodedFrame(buffer, kPictureWidth, kPictureHeight, SampleRange::Studio, page.view());
    }
    // The picture with the overlay, as it is shown.
    std::vector<uint8_t> Shown(std::vector<uint8_t> picture = {}) {
        Decode(std::move(picture));
        std::vector<uint8_t> shown;
        EXPECT_TRUE(PumpUntil([&] {
            shown = renderers.log->lastPicture();
            return shown.size() == PictureBytes() && shown[0] == (serial_ & 0xFF) && shown[1] == (serial_ >> 8);
        }));
        return shown;
    }

    void Click(int x, int y, MouseButton button = MouseButton::Left) {
        platform::testing::mouseMove(page.pluginWindow(), x, y);
        platform::testing::mouseDown(page.pluginWindow(), button, x, y);
        platform::testing::mouseUp(page.pluginWindow(), button, x, y);
        platform::testing::advanceInputClock(1000);
        platform::testing::pumpPendingMessages();
    }
    void Clicks(const std::vector<std::pair<int, int>>& points) {
        for (const auto& [x, y] : points) Click(x, y);
    }
    // A press at one point, moves with the button held, the release at the last point.
    void Drag(int x0, int y0, int x1, int y1) {
        platform::testing::mouseDown(page.pluginWindow(), MouseButton::Left, x0, y0);
        platform::testing::mouseMove(page.pluginWindow(), (x0 + x1) / 2, (y0 + y1) / 2);
        platform::testing::mouseMove(page.pluginWindow(), x1, y1);
        platform::testing::mouseUp(page.pluginWindow(), MouseButton::Left, x1, y1);
        platform::testing::advanceInputClock(1000);
        platform::testing::pumpPendingMessages();
    }
    // A right click with the user picking the item of that text ("" picks nothing); answers the
    // menu's items as "text" or "text (grey)", or nothing when no menu was shown.
    std::vector<std::string> Menu(int x, int y, const std::wstring& pick = L"") {
        std::vector<MenuRequest> shown;
        platform::testing::setMenuChooser(platform::testing::chooseMenuItem(pick, &shown));
        Click(x, y, MouseButton::Right);
        platform::testing::setMenuChooser({});
        if (!shown.empty()) lastMenu = shown.back();
        std::vector<std::string> items;
        for (const MenuRequest& request : shown) {
            for (const auto& item : request.items) {
                std::string text = FB::wideToUtf8(item.text);
                items.push_back(item.grayed() ? text + " (grey)" : text);
            }
        }
        return items;
    }
    // Whether a picture passes the decoder's path while the menu opened by a right click at (x, y) is
    // showing: the menu is modal, and the frame lock must not be held across it.
    bool DecoderRunsWhileMenuShows(int x, int y) {
        bool ran = false;
        std::future<void> decoded;  // waited for only once the menu is closed
        platform::testing::setMenuChooser([&](const MenuRequest&) {
            decoded = std::async(std::launch::async, [&] { Decode(); });
            ran = decoded.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
            return std::optional<UINT_PTR>();
        });
        Click(x, y, MouseButton::Right);
        platform::testing::setMenuChooser({});
        if (decoded.valid()) decoded.wait();
        return ran;
    }
    std::string Saved() { return page.Invoke("SaveAnalyseParams").convertTo<std::string>(); }
    Json::Value SavedValue() {
        Json::Value value;
        EXPECT_TRUE(Json::Reader().parse(Saved(), value));
        return value;
    }
    // Whether the picture holds the text as the view writes it (colour as red, green, blue).
    bool ShowsText(const std::vector<uint8_t>& picture, const char* text, int x, int y, int size,
                   const std::vector<int32_t>& rgb) {
        if (!text_) text_ = std::make_unique<TextRenderer>();
        const Overlay drawn(kPictureWidth, kPictureHeight, [&](uint8_t* into) {
            text_->DrawText(into, text, kPictureWidth, kPictureHeight, x, y, size, rgb.data());
        });
        return drawn.ShownIn(picture);
    }
    std::vector<Args> Events(const std::string& name) { return page.events->take(name); }

    ScopedRecordingRenderers renderers;
    std::unique_ptr<LoopbackRtspCamera> camera;
    PluginInstance page{kPictureWidth, kPictureHeight};
    int serial_ = 0x100;  // never the camera's black
    std::unique_ptr<TextRenderer> text_;
    MenuRequest lastMenu;  // the last menu shown by Menu()
};

}  // namespace test_support
