// Test hooks to read window surfaces back and save them as PNG files.
#pragma once

#include "platform/base/win_user_types.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace platform::testing {

struct SurfacePixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // rows top-down, each pixel 0xAARRGGBB (bytes B, G, R, A)
    uint64_t generation = 0;       // changes with every drawing that changed the pixels

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A copy of the window's surface; empty for an unknown window.
SurfacePixels readSurface(HWND window);
// Changes one pixel behind the window system's back, as a stray write into display memory would:
// no drawing is counted or heard. A later drawing that writes the pixel shows by overwriting it.
void scribbleOnSurface(HWND window, int x, int y, uint32_t pixel);
// Writes the surface as an 8-bit RGBA PNG. False for an unknown window or a write failure.
bool saveSurfacePng(HWND window, const std::filesystem::path& file);

}  // namespace platform::testing
