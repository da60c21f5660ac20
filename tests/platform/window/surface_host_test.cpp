// Windows' pixels shown elsewhere: a listener hears each drawing that changed a window's pixels,
// on the drawing thread and after the drawing, and reads the pixels as they are; replacing it
// waits for the calls under way.
#include "platform/window/win_gdi.h"
#include "platform/window/win_surface_host.h"
#include "tests/support/pixel_window.h"
#include "window_test_support.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace windowtest;
using namespace std::chrono_literals;
using platform::embedding::setPixelsChangedListener;
using platform::embedding::visitWindowPixels;

namespace {

struct Heard {
    HWND window;
    std::thread::id thread;
    uint32_t topLeft;  // the pixel the listener read when it heard
};

class SurfaceHost : public WindowTest {
protected:
    void TearDown() override {
        setPixelsChangedListener(nullptr);
        WindowTest::TearDown();
    }

    void listen() {
        setPixelsChangedListener([this](HWND window) {
            uint32_t topLeft = 0;
            visitWindowPixels(window, [&](const uint32_t* pixels, int width, int height, uint64_t) {
                if (width > 0 && height > 0) topLeft = pixels[0];
            });
            std::lock_guard<std::mutex> hold(lock_);
            heard_.push_back({window, std::this_thread::get_id(), topLeft});
        });
    }
    std::vector<Heard> heard() {
        std::lock_guard<std::mutex> hold(lock_);
        return heard_;
    }

    static void fill(HWND window, COLORREF color) { test_support::fillWindow(window, color); }

private:
    std::mutex lock_;
    std::vector<Heard> heard_;
};

TEST_F(SurfaceHost, EachDrawingIsHeardOnItsThreadWithThePixelsItLeftUntilTheWindowIsGone) {
    HWND window = create(0);
    listen();
    std::thread drawer([&] { fill(window, RGB(255, 0, 0)); });
    const std::thread::id drawerId = drawer.get_id();
    drawer.join();
    HDC deviceContext = GetDC(window);
    TextOutW(deviceContext, 10, 10, L"A", 1);
    ReleaseDC(window, deviceContext);

    std::vector<Heard> heard = SurfaceHost::heard();
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].window, window);
    EXPECT_EQ(heard[0].thread, drawerId);
    EXPECT_EQ(heard[0].topLeft, 0xFFFF0000u);
    EXPECT_EQ(heard[1].thread, std::this_thread::get_id());

    setPixelsChangedListener(nullptr);
    fill(window, RGB(0, 0, 255));
    EXPECT_EQ(SurfaceHost::heard().size(), 2u);
    uint32_t seen = 0;
    int seenWidth = 0;
    EXPECT_TRUE(visitWindowPixels(window, [&](const uint32_t* pixels, int width, int, uint64_t) {
        seen = pixels[0];
        seenWidth = width;
    }));
    EXPECT_EQ(seen, 0xFF0000FFu);
    EXPECT_EQ(seenWidth, 100);

    DestroyWindow(window);  // a window that is gone has no pixels to visit
    EXPECT_FALSE(visitWindowPixels(window, [&](const uint32_t*, int, int, uint64_t) { seenWidth = 0; }));
    EXPECT_EQ(seenWidth, 100);
}

TEST_F(SurfaceHost, ReplacingTheListenerWaitsForTheCallUnderWay) {
    HWND window = create(0);
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> callEnded{false};
    setPixelsChangedListener([&](HWND) {
        entered.set_value();
        released.wait();
        callEnded = true;
    });
    std::thread drawer([&] { fill(window, RGB(0, 255, 0)); });
    entered.get_future().wait();

    std::future<void> replaced = std::async(std::launch::async, [] { setPixelsChangedListener(nullptr); });
    EXPECT_EQ(replaced.wait_for(50ms), std::future_status::timeout);
    release.set_value();
    replaced.wait();
    EXPECT_TRUE(callEnded);
    drawer.join();
}

}  // namespace
