// What one plug-in window shows in the page. Every picture drawn in the window waits, in order,
// until the page has painted it: the threads that draw into the window keep a copy of each new
// picture as they finish drawing it (a blit that would draw what the window already shows draws
// nothing and makes no picture), and the browser's main thread paints them one by one, the oldest
// first, asking for another repaint while any waits. So the page shows every picture the window
// showed, unless it falls so far behind that more than kMaxWaiting wait: the oldest is then
// dropped, and counted. A view out of the page's sight is not painted at all: what it drops is
// counted apart. The counts of the window's first kOpeningTime (the page starting, the first pictures
// arriving) are kept apart from those of the rest.
#pragma once

#include "platform/base/win_user_types.h"
#include "tools/desktop_bridge/picture_counts.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace desktop {

class WindowPicture {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t kMaxWaiting = 4;

    // A picture's period, by when it was drawn: in the window's first kOpeningTime, or after.
    enum class Period { kOpening, kAfter };
    // What a paint shows.
    struct Taken {
        std::optional<Clock::time_point> drawn;  // when it was drawn, for a picture not painted before
        bool moreWaiting = false;                // another picture waits: ask for another repaint
    };

    explicit WindowPicture(HWND window, Clock::time_point opened = Clock::now())
        : window_(window), openingEnds_(opened + kOpeningTime) {}

    HWND window() const { return window_; }

    // After drawing into the window (any thread): keeps the window's picture when it is a new one.
    // True when the page is to be asked for a repaint: none has been asked for since the last paint.
    bool keepNewPicture();

    // Main thread, when painting: makes the oldest waiting picture the page's, or, with none
    // waiting, the window's own pixels when they changed without being kept (as a resize changes
    // them).
    Taken takePicture();

    // The page's picture, seen under the picture's lock: pixels, width, height and the window's
    // generation it was taken at.
    template <typename Visit>
    void withPicture(Visit&& visit) {
        std::lock_guard<std::mutex> hold(lock_);
        visit(shown_.pixels.data(), shown_.width, shown_.height, shown_.generation);
    }

    // From the browser's window record: whether any part of the view is in the page's sight.
    void setInSight(bool inSight);

    // The pictures drawn in the period, and what became of them.
    PictureCounts counts(Period period);
    // Of the whole life of the window.
    PictureCounts counts();

private:
    struct Picture {
        std::vector<uint32_t> pixels;
        int width = 0;
        int height = 0;
        uint64_t generation = 0;
        Clock::time_point drawn;
    };

    // Copies the window's pixels into a picture when their generation is not the one kept last.
    bool copyNewPixelsLocked(Picture& into);
    Picture spareLocked();
    PictureCounts& countsLocked(Clock::time_point drawn);

    const HWND window_;
    const Clock::time_point openingEnds_;
    std::mutex lock_;
    std::deque<Picture> waiting_;  // guarded by lock_, as are the fields below
    std::vector<Picture> spare_;   // pictures painted or dropped, whose memory is used again
    Picture shown_;
    std::optional<uint64_t> keptGeneration_;
    bool repaintAsked_ = false;
    bool inSight_ = true;
    PictureCounts counts_[2];  // by Period
};

}  // namespace desktop
