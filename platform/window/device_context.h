// Device contexts and the surfaces they draw into, for the drawing calls of the platform library
// (text, brushes, bitmaps). Internal to the platform library.
#pragma once

#include "platform/window/window_system.h"

#include <atomic>
#include <memory>

namespace platform::detail {

struct DeviceContext {
    HWND window = nullptr;
    std::shared_ptr<Surface> surface;  // null for the screen
    std::atomic<UINT> textAlign{0};
    std::atomic<int> stretchMode{1};  // BLACKONWHITE
};

// The context behind a handle, or null. The surface stays valid even when its window goes.
std::shared_ptr<DeviceContext> findDeviceContext(HDC deviceContext);
std::shared_ptr<Surface> windowSurface(HWND window);
// The window's surface and where its client area's top-left corner lies on the screen; null for
// an unknown window.
std::shared_ptr<Surface> windowSurfaceOnScreen(HWND window, POINT* origin);

// A COLORREF (0x00BBGGRR) as a surface pixel (0xAARRGGBB, opaque).
inline uint32_t surfacePixel(COLORREF color) {
    return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

}  // namespace platform::detail
