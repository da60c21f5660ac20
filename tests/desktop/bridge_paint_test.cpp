// The bridge painting a plug-in's rectangle into the page, on the test's own X server: each paint
// puts the next picture the plug-in's window showed, and asks for another paint while a picture
// still waits or only a part of a new one was painted; a page that stops asking freezes. A view
// the browser clips to nothing is out of sight: what it loses is not counted as dropped.
// Google Test first: Xlib's macros (None, Bool) would rename its names.
#include <gtest/gtest.h>

#include "tools/desktop_bridge/bridge_instance.h"
#include "tools/desktop_bridge/paint_timing.h"

#include "tests/support/pixel_window.h"

#include <X11/Xutil.h>

#include <memory>
#include <vector>

using desktop::BridgeInstance;

namespace {

constexpr int kWidth = 8;
constexpr int kHeight = 4;

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
struct ImageDestroyer {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

class BridgePaint : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(display_) << "no X server (the test runs under xvfb-run)";
        const int screen = DefaultScreen(display_.get());
        details_ = desktop::X11DisplayDetails{0, display_.get(), DefaultVisual(display_.get(), screen),
                                              DefaultColormap(display_.get(), screen),
                                              static_cast<unsigned>(DefaultDepth(display_.get(), screen))};
        page_ = XCreatePixmap(display_.get(), RootWindow(display_.get(), screen), kWidth, kHeight, details_.depth);
        ASSERT_EQ(setWindow(NPRect{0, 0, kHeight, kWidth}), NPERR_NO_ERROR);
    }
    // The browser's window record for the plug-in's rectangle, with the part of it in sight.
    NPError setWindow(NPRect clip) {
        desktop::X11PluginWindow window{nullptr, 0, 0, kWidth, kHeight, clip, &details_, NPWindowTypeDrawable};
        return bridge_.setWindow(window);
    }
    void TearDown() override {
        if (page_) XFreePixmap(display_.get(), page_);
    }

    // The plug-in's window shows a picture of this red level, as the bridge hears of it.
    void draw(int red) {
        test_support::fillWindow(bridge_.pluginWindow(), RGB(red, 0, 0));
        bridge_.picture()->keepNewPicture();
    }
    // The page paints the part of the rectangle from column `left` to `right`; the red level the
    // page then shows in that part's last column.
    int paint(int left = 0, int right = kWidth) {
        XEvent event{};
        event.xgraphicsexpose.type = GraphicsExpose;
        event.xgraphicsexpose.display = display_.get();
        event.xgraphicsexpose.drawable = page_;
        event.xgraphicsexpose.x = left;
        event.xgraphicsexpose.width = right - left;
        event.xgraphicsexpose.height = kHeight;
        EXPECT_EQ(bridge_.handleEvent(event), 1);
        std::unique_ptr<XImage, ImageDestroyer> shown(
            XGetImage(display_.get(), page_, right - 1, kHeight - 1, 1, 1, AllPlanes, ZPixmap));
        return shown ? static_cast<int>((XGetPixel(shown.get(), 0, 0) >> 16) & 0xFF) : -1;
    }

    std::unique_ptr<Display, DisplayCloser> display_{XOpenDisplay(nullptr)};
    desktop::X11DisplayDetails details_{};
    Pixmap page_ = 0;
    NPP_t instance_{};
    NPPluginFuncs plugin_{};
    desktop::PaintTiming timing_;
    int asked_ = 0;
    BridgeInstance bridge_{&instance_, 1, plugin_, timing_, [this] { ++asked_; }};
};

TEST_F(BridgePaint, EachPaintPutsTheNextPictureAndAsksForAnotherWhileAnyWaits) {
    for (int red : {10, 20, 30}) draw(red);
    std::vector<int> shown;
    std::vector<int> asked;
    for (int i = 0; i < 4; ++i) {
        shown.push_back(paint());
        asked.push_back(asked_);
    }
    EXPECT_EQ(shown, (std::vector<int>{10, 20, 30, 30}));
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 2, 2})) << "asks while a picture waits, and only then";
}

TEST_F(BridgePaint, APaintOfAPartOfANewPictureAsksForTheRest) {
    draw(40);
    EXPECT_EQ(paint(0, kWidth / 2), 40);
    EXPECT_EQ(asked_, 1);
    EXPECT_EQ(paint(kWidth / 2, kWidth), 40) << "the rest of the picture the first part showed";
    EXPECT_EQ(asked_, 1);
}

TEST_F(BridgePaint, AViewClippedToNothingIsOutOfSight) {
    const int level = static_cast<int>(desktop::WindowPicture::kMaxWaiting);
    ASSERT_EQ(setWindow(NPRect{0, 0, 0, 0}), NPERR_NO_ERROR);
    for (int red = 1; red <= level + 2; ++red) draw(red);
    ASSERT_EQ(setWindow(NPRect{0, 0, kHeight, 1}), NPERR_NO_ERROR);  // one column in sight
    draw(level + 3);
    const desktop::PictureCounts counts = bridge_.picture()->counts();
    EXPECT_EQ(counts.outOfSight, 2u);
    EXPECT_EQ(counts.dropped, 1u);
}

}  // namespace
