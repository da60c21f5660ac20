// The control bar without a camera: where its buttons go for a window size, the bitmaps it reads,
// and what it blends into a picture.
#include "app/player/ctrl_bitmap.h"
#include "app/player/video_player_inner_ctrl.h"
#include "app/render/frame_bitmap_blend.h"
#include "host/events/mouse_events.h"
#include "host/events/windows_event.h"
#include "host/plugin_window_win.h"
#include "platform/module/win_module.h"
#include "platform/window/win_input_testing.h"
#include "platform/window/win_window.h"
#include "tests/app/support/drawn_view.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/app/support/test_windows.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bar = test_support::DrawnView<CVideoPlayerInnerCtrl>;

std::string BitmapPath(const char* name) {
    char path[1024] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    const std::string module(path);
    return module.substr(0, module.find_last_of('/') + 1) + "bmp/" + name;
}

class ControlBar : public test_support::MachineTest {
protected:
    explicit ControlBar(int windowWidth = 320, int windowHeight = 240) : windows(windowWidth, windowHeight) {}

    std::unique_ptr<Bar> Open(int width, int codedHeight, int crop) {
        auto bar = std::make_unique<Bar>(nullptr, window.get());
        bar->SetPictureSize(width, codedHeight, crop);
        return bar;
    }
    static std::pair<int, int> Place(const Bar& bar, CVideoPlayerInnerCtrl::Button which) {
        return {bar.button(which).x, bar.button(which).y};
    }
    // A mid-grey picture with every shown button that has an image blended in, the pressed image
    // for the button given.
    static std::vector<uint8_t> BlendedBar(const Bar& bar, int width, int height, int pressed = -1) {
        std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3 / 2, 128);
        for (int i = 0; i < CVideoPlayerInnerCtrl::kButtonCount; ++i) {
            const CtrlButton& button = bar.button(static_cast<CVideoPlayerInnerCtrl::Button>(i));
            const CtrlBitmap& image = i == pressed ? button.pressed : button.normal;
            if (!button.shown() || image.empty()) continue;  // play, while stop shows
            BlendBitmapIntoFrame(picture.data(), width, height, button.x, button.y, image.data.data(), image.width,
                                 image.height, image.stride);
        }
        return picture;
    }

    test_support::ScopedRecordingRenderers renderers;
    test_support::BrowserWindows windows;
    std::unique_ptr<FB::PluginWindowWin> window =
        std::make_unique<FB::PluginWindowWin>(FB::WindowContextWindowed(windows.plugin()));
};

class ControlBarAtTwoThirds : public ControlBar {
protected:
    ControlBarAtTwoThirds() : ControlBar(1280, 720) {}
};

TEST_F(ControlBarAtTwoThirds, AFullHdPictureInA1280PixelWindowHasAMarginOf15AndButtonsAtASixthOfTheirSize) {
    auto bar = Open(1920, 1088, 8);
    ASSERT_EQ(bar->InitOverlay(), 1);
    EXPECT_EQ(bar->button(CVideoPlayerInnerCtrl::kUp).normal.width, 60);  // 120 bitmap pixels x 1.5 / 3
    EXPECT_EQ(Place(*bar, CVideoPlayerInnerCtrl::kUp), (std::pair{930, 15}));
    EXPECT_EQ(Place(*bar, CVideoPlayerInnerCtrl::kDown), (std::pair{930, 1080 - 60 - 15}));
    EXPECT_EQ(Place(*bar, CVideoPlayerInnerCtrl::kLeft), (std::pair{15, 510}));
    EXPECT_EQ(Place(*bar, CVideoPlayerInnerCtrl::kRight), (std::pair{1920 - 60 - 15, 510}));
    EXPECT_EQ(Place(*bar, CVideoPlayerInnerCtrl::kStop), (std::pair{15, 15}));
    EXPECT_EQ(Place(*bar, CVideoPlayerInnerCtrl::kZoomLabel), (std::pair{1920 - 80 - 15, 15}));
    // 1920 - 20 - 15 - 119 x 1.5 / 3 and 15 + 85 x 1.5 / 3, truncated after the sums.
    EXPECT_EQ(Place(*bar, CVideoPlayerInnerCtrl::kZoomIn), (std::pair{1825, 57}));
    EXPECT_EQ(Place(*bar, CVideoPlayerInnerCtrl::kZoomOut), (std::pair{1874, 57}));
}

TEST_F(ControlBar, BitmapsAreReadAsRedGreenBlueAndScaledToAThirdOfTheirSizeInTheWindow) {
    CtrlBitmap bitmap;
    ASSERT_EQ(LoadAndResizeImage(bitmap, BitmapPath("moveUp.bmp").c_str(), 3.0f, 3.0f, 1000, 1000), 1);
    ASSERT_EQ(bitmap.width, 120);
    const uint8_t* disc = &bitmap.data[(60 * 120 + 10) * 3];
    EXPECT_EQ((std::vector<int>{disc[0], disc[1], disc[2]}), (std::vector<int>{40, 56, 84}));  // slate
    EXPECT_EQ(LoadAndResizeImage(bitmap, BitmapPath("noSuch.bmp").c_str(), 3.0f, 3.0f, 1000, 1000), 0);
    EXPECT_EQ(bitmap.width, 120);  // left as it was
    // Larger than the picture it goes into, or scaled to nothing: read, but no image to draw.
    EXPECT_EQ(LoadAndResizeImage(bitmap, BitmapPath("moveUp.bmp").c_str(), 9.0f, 9.0f, 320, 240), 1);
    EXPECT_TRUE(bitmap.empty());
    EXPECT_EQ(LoadAndResizeImage(bitmap, BitmapPath("moveUp.bmp").c_str(), 0.02f, 0.02f, 320, 240), 1);
    EXPECT_TRUE(bitmap.empty());
}

TEST_F(ControlBar, TheBarIsBlendedIntoThePictureAfterAMoveWithThePressedImageOfAPressedButton) {
    auto bar = Open(320, 240, 0);
    ASSERT_EQ(bar->InitOverlay(), 1);
    const std::vector<uint8_t> untouched(320 * 240 * 3 / 2, 128);
    EXPECT_EQ(bar->Drawn(128), untouched);  // hidden until the pointer moves
    FB::MouseMoveEvent move(100, 100);
    bar->onMouseMove(&move, window.get());
    FB::MouseDownEvent press(0, 160, 30, 0);  // on "up"
    bar->onMouseDown(&press, window.get());

    const std::vector<uint8_t> expected = BlendedBar(*bar, 320, 240, CVideoPlayerInnerCtrl::kUp);
    EXPECT_EQ(bar->Drawn(128), expected);
    EXPECT_NE(expected, untouched);
}

TEST_F(ControlBar, AWindowFarLargerThanThePictureGetsNoBarAndButtonsScaledToNothingTakePartInNothing) {
    auto tiny = Open(2, 2, 0);
    EXPECT_EQ(tiny->InitOverlay(), 0);
    EXPECT_TRUE(tiny->button(CVideoPlayerInnerCtrl::kUp).normal.empty());

    auto small = Open(8, 8, 0);  // 0.025 picture pixels a window pixel: a 40-pixel bitmap scales to 0
    ASSERT_EQ(small->InitOverlay(), 1);
    EXPECT_EQ(small->button(CVideoPlayerInnerCtrl::kUp).normal.width, 1);
    const CtrlButton& zoomIn = small->button(CVideoPlayerInnerCtrl::kZoomIn);
    EXPECT_TRUE(zoomIn.normal.empty());
    EXPECT_FALSE(zoomIn.Contains(zoomIn.x, zoomIn.y));
}

// A picture far wider than tall: the margin (from the width) pushes the up button over the bottom
// edge and the down button over the top one; only what lies on the picture is blended.
TEST_F(ControlBar, ButtonsReachingOverThePicturesEdgesAreBlendedOnlyWhereTheyLieOnIt) {
    auto bar = Open(640, 22, 0);  // sx 2 (margin 20), sy 0.09: buttons 80 x 3
    ASSERT_EQ(bar->InitOverlay(), 1);
    ASSERT_EQ(Place(*bar, CVideoPlayerInnerCtrl::kUp), (std::pair{280, 20}));
    ASSERT_EQ(Place(*bar, CVideoPlayerInnerCtrl::kDown), (std::pair{280, -1}));
    FB::MouseMoveEvent move(10, 10);
    bar->onMouseMove(&move, window.get());
    const std::vector<uint8_t> expected = BlendedBar(*bar, 640, 22);
    EXPECT_EQ(bar->Drawn(128), expected);
    EXPECT_NE(expected, std::vector<uint8_t>(640 * 22 * 3 / 2, 128));
}

// The pointer counts as over the view while it lies on the view's window. Right of a window half
// as wide as the picture it is away, though still short of the picture's width in window pixels:
// a direction button held there is let go on the fifth tick counted from the last one that saw the
// pointer on the window, and the camera stops turning.
TEST_F(ControlBar, AHeldButtonIsLetGoFiveTicksAfterThePointerLeftTheWindowThoughNotThePicturesWidth) {
    auto bar = Open(640, 480, 0);
    ASSERT_EQ(bar->InitOverlay(), 1);
    FB::MouseDownEvent press(0, 160, 20, 0);  // on "up", at (280, 20) in the picture, 80 pixels wide
    bar->onMouseDown(&press, window.get());
    ASSERT_TRUE(bar->button(CVideoPlayerInnerCtrl::kUp).pressedNow());
    LRESULT result = 0;
    FB::WindowsEvent tick(windows.plugin(), WM_TIMER, 1, 0, result);

    platform::testing::mouseMove(windows.plugin(), 300, 200);  // resting on the window
    for (int i = 0; i < 10; ++i) bar->onWindowsEvent(&tick, window.get());
    EXPECT_TRUE(bar->button(CVideoPlayerInnerCtrl::kUp).pressedNow());

    platform::testing::mouseMove(windows.browser(), 350, 100);  // 330 pixels right of the window's left edge
    for (int i = 0; i < 3; ++i) bar->onWindowsEvent(&tick, window.get());
    EXPECT_TRUE(bar->button(CVideoPlayerInnerCtrl::kUp).pressedNow());
    bar->onWindowsEvent(&tick, window.get());
    EXPECT_FALSE(bar->button(CVideoPlayerInnerCtrl::kUp).pressedNow());
    platform::testing::resetInputState();
}

}  // namespace
