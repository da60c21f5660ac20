// Drawing into a window's pixels: whoever listens (win_surface_host.h) hears that the window's
// pixels changed once the drawing is done and its locks are released. Internal to the platform
// library.
#pragma once

#include "platform/window/window_system.h"

#include <mutex>

namespace platform::detail {

// Tells the listener, if there is one, that the surface's pixels changed.
void surfaceChanged(const Surface& surface);

// Tells of a change when it goes, unless withdrawn because nothing changed: made before the locks a
// drawing takes, it goes after them.
class SurfaceChangeNotice {
public:
    explicit SurfaceChangeNotice(const Surface& surface) : surface_(&surface) {}
    ~SurfaceChangeNotice() {
        if (surface_) surfaceChanged(*surface_);
    }
    SurfaceChangeNotice(const SurfaceChangeNotice&) = delete;
    SurfaceChangeNotice& operator=(const SurfaceChangeNotice&) = delete;

    void withdraw() { surface_ = nullptr; }

private:
    const Surface* surface_;
};

// Holds the surface's lock for a drawing that changes its pixels, and tells of the change once the
// lock is released.
class SurfaceDrawing {
public:
    explicit SurfaceDrawing(Surface& surface) : notice_(surface), hold_(surface.lock) { surface.drewLocked(); }

private:
    SurfaceChangeNotice notice_;  // destroyed after hold_
    std::lock_guard<std::mutex> hold_;
};

}  // namespace platform::detail
