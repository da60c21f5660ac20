#include "tools/desktop_bridge/window_picture.h"

#include "platform/window/win_surface_host.h"

#include <utility>

namespace desktop {

WindowPicture::Picture WindowPicture::spareLocked() {
    if (spare_.empty()) return Picture{};
    Picture picture = std::move(spare_.back());
    spare_.pop_back();
    return picture;
}

PictureCounts& WindowPicture::countsLocked(Clock::time_point drawn) {
    return counts_[static_cast<size_t>(drawn < openingEnds_ ? Period::kOpening : Period::kAfter)];
}

bool WindowPicture::copyNewPixelsLocked(Picture& into) {
    bool copied = false;
    platform::embedding::visitWindowPixels(
        window_, [&](const uint32_t* pixels, int width, int height, uint64_t generation) {
            if (keptGeneration_ == generation) return;
            into.pixels.assign(pixels, pixels + static_cast<size_t>(width) * height);
            into.width = width;
            into.height = height;
            into.generation = generation;
            into.drawn = Clock::now();
            keptGeneration_ = generation;
            copied = true;
        });
    if (copied) ++countsLocked(into.drawn).drawn;
    return copied;
}

bool WindowPicture::keepNewPicture() {
    std::lock_guard<std::mutex> hold(lock_);
    Picture picture = spareLocked();
    if (!copyNewPixelsLocked(picture)) {
        if (picture.pixels.capacity() > 0) spare_.push_back(std::move(picture));
        return false;
    }
    waiting_.push_back(std::move(picture));
    if (waiting_.size() > kMaxWaiting) {
        PictureCounts& counts = countsLocked(waiting_.front().drawn);
        ++(inSight_ ? counts.dropped : counts.outOfSight);
        spare_.push_back(std::move(waiting_.front()));
        waiting_.pop_front();
    }
    return !std::exchange(repaintAsked_, true);
}

WindowPicture::Taken WindowPicture::takePicture() {
    std::lock_guard<std::mutex> hold(lock_);
    Taken taken;
    Picture next;
    if (!waiting_.empty()) {
        next = std::move(waiting_.front());
        waiting_.pop_front();
    } else {
        next = spareLocked();
        if (!copyNewPixelsLocked(next)) {
            if (next.pixels.capacity() > 0) spare_.push_back(std::move(next));
            repaintAsked_ = false;
            return taken;
        }
    }
    taken.drawn = next.drawn;
    ++countsLocked(next.drawn).painted;
    spare_.push_back(std::exchange(shown_, std::move(next)));
    taken.moreWaiting = !waiting_.empty();
    repaintAsked_ = taken.moreWaiting;
    return taken;
}

void WindowPicture::setInSight(bool inSight) {
    std::lock_guard<std::mutex> hold(lock_);
    inSight_ = inSight;
}

PictureCounts WindowPicture::counts(Period period) {
    std::lock_guard<std::mutex> hold(lock_);
    return counts_[static_cast<size_t>(period)];
}

PictureCounts WindowPicture::counts() {
    PictureCounts all = counts(Period::kOpening);
    all += counts(Period::kAfter);
    return all;
}

}  // namespace desktop
