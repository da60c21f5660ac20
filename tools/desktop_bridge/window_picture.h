// What one plug-in window shows in the page: a copy of the window's pixels as they were last
// painted into the page, and whether a repaint has been asked for since. The threads that draw
// into the window ask whether the page is behind; the browser's main thread takes the picture to
// paint it.
#pragma once

#include "platform/base/win_user_types.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace desktop {

class WindowPicture {
public:
    using Clock = std::chrono::steady_clock;

    explicit WindowPicture(HWND window) : window_(window) {}

    HWND window() const { return window_; }

    // After drawing into the window (any thread): true when its pixels now differ from the page's
    // and no repaint has been asked for since the last paint; the caller then asks for one.
    bool needsRepaint();

    // Takes the window's pixels as the page's (main thread, when painting) and lets the next change
    // ask for a repaint again. Answers when the first picture still waiting to be painted was
    // drawn, when there was one.
    std::optional<Clock::time_point> takePicture();

    // The picture last taken, seen under the picture's lock.
    template <typename Visit>
    void withPicture(Visit&& visit) {
        std::lock_guard<std::mutex> hold(lock_);
        visit(shown_.data(), width_, height_);
    }

private:
    bool differsLocked(const uint32_t* pixels, int width, int height) const;

    const HWND window_;
    std::mutex lock_;
    std::vector<uint32_t> shown_;  // guarded by lock_, as are the fields below
    int width_ = 0;
    int height_ = 0;
    bool repaintAsked_ = false;
    std::optional<Clock::time_point> drawnSince_;
};

}  // namespace desktop
