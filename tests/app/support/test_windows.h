// Windows for the camera view tests: a top-level window standing for the browser's, with the
// plug-in's child window in it, on the thread that makes them. Timers run only when a test ticks
// them.
#pragma once

#include "host/plugin_window_win.h"
#include "platform/window/win_surface_testing.h"
#include "platform/window/win_window.h"
#include "platform/window/win_window_testing.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace test_support {

class BrowserWindows {
public:
    BrowserWindows(int pluginWidth, int pluginHeight) {
        platform::testing::setTimersFollowClock(false);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &DefWindowProcW;
        windowClass.lpszClassName = L"VeltrinTestBrowser";
        RegisterClassExW(&windowClass);  // once per process; later registrations fail harmlessly
        browser_ = CreateWindowExW(0, L"VeltrinTestBrowser", L"browser", WS_OVERLAPPED | WS_VISIBLE, 0, 0,
                                   pluginWidth + 40, pluginHeight + 40, nullptr, nullptr, nullptr, nullptr);
        plugin_ = CreateWindowExW(0, L"VeltrinTestBrowser", L"plugin", WS_CHILD | WS_VISIBLE, 20, 20, pluginWidth,
                                  pluginHeight, browser_, nullptr, nullptr, nullptr);
    }
    ~BrowserWindows() {
        DestroyWindow(browser_);
        platform::testing::pumpPendingMessages();
        platform::testing::setTimersFollowClock(true);
    }
    BrowserWindows(const BrowserWindows&) = delete;
    BrowserWindows& operator=(const BrowserWindows&) = delete;

    HWND browser() const { return browser_; }
    HWND plugin() const { return plugin_; }

private:
    HWND browser_ = nullptr;
    HWND plugin_ = nullptr;
};

// Pumps this thread's messages until the condition holds or the time is up; answers the condition.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (true) {
        platform::testing::pumpPendingMessages();
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Ticks the window's watchdog timer once and handles what follows from it.
inline void TickWatchdog(HWND window) {
    platform::testing::fireTimer(window, 1);
    platform::testing::pumpPendingMessages();
}

// The brightness (the largest of red, green and blue) of every pixel of the window.
inline std::vector<int> Brightness(HWND window) {
    const platform::testing::SurfacePixels surface = platform::testing::readSurface(window);
    std::vector<int> values;
    values.reserve(surface.pixels.size());
    for (uint32_t pixel : surface.pixels) {
        const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
        values.push_back(std::max(r, std::max(g, b)));
    }
    return values;
}

// The loopback camera's test pattern is a white ball on black: its picture has both, where a
// window painted black or never painted has no bright pixel.
inline bool ShowsCameraPicture(HWND window) {
    bool bright = false, dark = false;
    for (int value : Brightness(window)) {
        bright = bright || value > 200;
        dark = dark || value < 40;
    }
    return bright && dark;
}

// Painted black: by a black picture (luma 16) or a black brush.
inline bool ShowsBlack(HWND window) {
    const std::vector<int> values = Brightness(window);
    if (values.empty()) return false;
    for (int value : values) {
        if (value > 24) return false;
    }
    return true;
}

}  // namespace test_support
