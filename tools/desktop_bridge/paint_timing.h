// How quickly and how completely pictures reach the page, measured when VELTRIN_PAINT_TIMING is set
// in the environment: the delay from a picture's drawing in the plug-in's window to its paint into
// the page, the moment the first picture that is not blank was painted (steady clock, the clock
// the page viewer reports the page's opening in), and how many pictures the plug-ins' windows
// showed against how many were painted into the page, those of the windows' first seconds apart
// from the rest. Printed on standard error. Main thread only.
#pragma once

#include "tools/desktop_bridge/picture_counts.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace desktop {

class PaintTiming {
public:
    using Clock = std::chrono::steady_clock;

    PaintTiming();
    bool wanted() const { return wanted_; }
    // Whether painted() still looks for the first picture that is not blank.
    bool waitsForFirstPicture() const { return wanted_ && !firstPicturePainted_; }

    // A paint into the page; drawn is when the oldest picture it shows was drawn, when it shows a
    // new one.
    void painted(std::optional<Clock::time_point> drawn, bool blank);
    // The pictures of a plug-in window that goes: those drawn in its opening seconds, and the rest.
    void countPictures(const PictureCounts& opening, const PictureCounts& after);
    // Prints what was measured since the last report, when there is anything.
    void report();

    // Whether every pixel is black: no picture has been drawn yet.
    static bool isBlank(const uint32_t* pixels, int width, int height);

private:
    static void reportCounts(const char* period, const PictureCounts& counts);

    const bool wanted_;
    bool firstPicturePainted_ = false;
    std::vector<double> delaysMs_;
    PictureCounts opening_;
    PictureCounts after_;
};

}  // namespace desktop
