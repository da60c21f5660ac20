#include "tools/desktop_bridge/paint_timing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>

namespace desktop {

namespace {

double millisecondsOf(PaintTiming::Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

}  // namespace

PaintTiming::PaintTiming() : wanted_(std::getenv("VELTRIN_PAINT_TIMING") != nullptr) {}

bool PaintTiming::isBlank(const uint32_t* pixels, int width, int height) {
    const size_t count = static_cast<size_t>(width) * height;
    return std::all_of(pixels, pixels + count, [](uint32_t pixel) { return (pixel & 0xFFFFFFu) == 0; });
}

void PaintTiming::painted(std::optional<Clock::time_point> drawn, bool blank) {
    if (!wanted_) return;
    const Clock::time_point now = Clock::now();
    if (drawn) delaysMs_.push_back(millisecondsOf(now - *drawn));
    if (!blank && !firstPicturePainted_) {
        firstPicturePainted_ = true;
        std::fprintf(stderr, "desktop bridge: first picture painted at %.1f ms (steady clock)\n",
                     millisecondsOf(now.time_since_epoch()));
    }
}

void PaintTiming::countPictures(const PictureCounts& opening, const PictureCounts& after) {
    opening_ += opening;
    after_ += after;
}

void PaintTiming::reportCounts(const char* period, const PictureCounts& counts) {
    std::fprintf(stderr,
                 "desktop bridge: %s %lld s: %llu pictures drawn in the plug-in windows, %llu painted into the page, "
                 "%llu dropped, %llu out of sight\n",
                 period, static_cast<long long>(kOpeningTime.count()), static_cast<unsigned long long>(counts.drawn),
                 static_cast<unsigned long long>(counts.painted), static_cast<unsigned long long>(counts.dropped),
                 static_cast<unsigned long long>(counts.outOfSight));
}

void PaintTiming::report() {
    if (!wanted_) return;
    if (opening_.drawn + after_.drawn > 0) {
        reportCounts("first", opening_);
        reportCounts("after", after_);
        opening_ = after_ = PictureCounts{};
    }
    if (delaysMs_.empty()) return;
    std::vector<double> sorted;
    sorted.swap(delaysMs_);
    std::sort(sorted.begin(), sorted.end());
    const double mean = std::accumulate(sorted.begin(), sorted.end(), 0.0) / static_cast<double>(sorted.size());
    const double median = sorted[sorted.size() / 2];
    const double p95 = sorted[std::min(sorted.size() - 1, sorted.size() * 95 / 100)];
    std::fprintf(stderr,
                 "desktop bridge: %zu pictures painted; drawing to paint: mean %.1f ms, median %.1f ms, "
                 "95%% within %.1f ms, longest %.1f ms\n",
                 sorted.size(), mean, median, p95, sorted.back());
}

}  // namespace desktop
