// How many pictures plug-in windows showed and what became of them: the figures the bridge tells
// when VELTRIN_PAINT_TIMING is set.
#pragma once

#include <chrono>
#include <cstdint>

namespace desktop {

// A plug-in window's first seconds, counted apart from the rest: the page starting and its first
// pictures arriving, where a page that paints every picture later may still lose some.
constexpr std::chrono::seconds kOpeningTime{2};

struct PictureCounts {
    uint64_t drawn = 0;       // pictures the windows showed
    uint64_t painted = 0;     // of them, painted into the page
    uint64_t dropped = 0;     // of them, dropped while the page, showing the view, fell too far behind
    uint64_t outOfSight = 0;  // of them, dropped while the view was out of the page's sight

    PictureCounts& operator+=(const PictureCounts& more) {
        drawn += more.drawn;
        painted += more.painted;
        dropped += more.dropped;
        outOfSight += more.outOfSight;
        return *this;
    }
};

}  // namespace desktop
