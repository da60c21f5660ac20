// What the loopback camera's picture looks like in a window: its test pattern is a white ball on
// black, so the picture is there when a small part of the window is bright and the rest dark.
#pragma once

#include "platform/window/win_surface_testing.h"

namespace test_support {

inline bool showsTheBall(const platform::testing::SurfacePixels& surface) {
    if (surface.pixels.empty()) return false;
    size_t bright = 0;
    size_t dark = 0;
    for (uint32_t pixel : surface.pixels) {
        const int red = (pixel >> 16) & 0xFF;
        const int green = (pixel >> 8) & 0xFF;
        const int blue = pixel & 0xFF;
        bright += red > 200 && green > 200 && blue > 200;
        dark += red < 40 && green < 40 && blue < 40;
    }
    return bright > surface.pixels.size() / 200 && dark > surface.pixels.size() / 2;
}

}  // namespace test_support
