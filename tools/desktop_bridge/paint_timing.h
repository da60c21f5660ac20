// How quickly pictures reach the page, measured when VELTRIN_PAINT_TIMING is set in the
// environment: the delay from a picture's drawing in the plug-in's window to its paint into the
// page, and the moment the first picture that is not blank was painted (steady clock, the clock
// the page viewer reports the page's opening in). Printed on standard error. Main thread only.
#pragma once

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

    // A paint into the page; drawn is when the oldest picture it shows was drawn, when it shows a
    // new one.
    void painted(std::optional<Clock::time_point> drawn, bool blank);
    // Prints the delays measured since the last report, when there are any.
    void report();

    // Whether every pixel is black: no picture has been drawn yet.
    static bool isBlank(const uint32_t* pixels, int width, int height);

private:
    const bool wanted_;
    bool firstPicturePainted_ = false;
    std::vector<double> delaysMs_;
};

}  // namespace desktop
