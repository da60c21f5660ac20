#include "tools/desktop_bridge/window_picture.h"

#include "platform/window/win_surface_host.h"

#include <cstring>
#include <utility>

namespace desktop {

bool WindowPicture::differsLocked(const uint32_t* pixels, int width, int height) const {
    if (width != width_ || height != height_) return true;
    return std::memcmp(pixels, shown_.data(), shown_.size() * sizeof(uint32_t)) != 0;
}

bool WindowPicture::needsRepaint() {
    std::lock_guard<std::mutex> hold(lock_);
    if (repaintAsked_) return false;
    bool differs = false;
    platform::embedding::visitWindowPixels(window_, [&](const uint32_t* pixels, int width, int height, uint64_t) {
        differs = differsLocked(pixels, width, height);
    });
    if (!differs) return false;
    repaintAsked_ = true;
    drawnSince_ = Clock::now();
    return true;
}

std::optional<WindowPicture::Clock::time_point> WindowPicture::takePicture() {
    std::lock_guard<std::mutex> hold(lock_);
    platform::embedding::visitWindowPixels(window_, [&](const uint32_t* pixels, int width, int height, uint64_t) {
        shown_.assign(pixels, pixels + static_cast<size_t>(width) * height);
        width_ = width;
        height_ = height;
    });
    repaintAsked_ = false;
    return std::exchange(drawnSince_, std::nullopt);
}

}  // namespace desktop
