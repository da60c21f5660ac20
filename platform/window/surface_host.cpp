#include "platform/window/device_context.h"
#include "platform/window/surface_drawing.h"
#include "platform/window/win_surface_host.h"

#include <atomic>
#include <shared_mutex>

namespace {

// The listener, called under a shared hold so that replacing it waits for the calls under way.
struct ChangeListener {
    std::shared_mutex lock;
    platform::embedding::PixelsChangedListener listener;  // guarded by lock
    std::atomic<bool> present{false};                     // spares drawing the lock while no one listens
};

ChangeListener& changeListener() {
    static ChangeListener* listener = new ChangeListener;  // render threads may draw during exit
    return *listener;
}

}  // namespace

namespace platform::detail {

void surfaceChanged(const Surface& surface) {
    ChangeListener& changes = changeListener();
    if (!changes.present.load(std::memory_order_acquire) || !surface.window) return;
    std::shared_lock<std::shared_mutex> hold(changes.lock);
    if (changes.listener) changes.listener(surface.window);
}

}  // namespace platform::detail

namespace platform::embedding {

void setPixelsChangedListener(PixelsChangedListener listener) {
    ChangeListener& changes = changeListener();
    std::unique_lock<std::shared_mutex> hold(changes.lock);
    changes.present.store(static_cast<bool>(listener), std::memory_order_release);
    changes.listener = std::move(listener);
}

bool visitWindowPixels(HWND window, const PixelVisitor& visit) {
    std::shared_ptr<platform::detail::Surface> surface = platform::detail::windowSurface(window);
    if (!surface) return false;
    std::lock_guard<std::mutex> hold(surface->lock);
    visit(surface->pixels.data(), surface->width, surface->height, surface->generation);
    return true;
}

}  // namespace platform::embedding
