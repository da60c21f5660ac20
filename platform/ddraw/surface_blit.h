// The pixel work of a Blt: stretching an off-screen surface's memory onto a window's 32-bit BGRA
// pixels, converting YV12 on the way. Internal to the platform library.
#pragma once

#include "platform/ddraw/yv12_scaler.h"
#include "platform/window/stretch_mapping.h"

#include <cstdint>

namespace platform::detail {

enum class SurfaceFormat { Primary, Yv12, Rgb32 };

// Off-screen memory as Lock describes it. YV12: the Y plane (height rows at the pitch), then the V
// and the U plane (height / 2 rows each at half the pitch). RGB32: 0x??RRGGBB pixels at the pitch.
struct SurfaceMemory {
    SurfaceFormat format;
    const uint8_t* bytes;
    int width;
    int height;
    int pitch;
};

// Window pixels to draw into, rows top-down, and the axes of the stretch in their coordinates;
// only [firstX, endX) x [firstY, endY) is drawn, and every source coordinate it reaches must lie
// inside the memory.
struct BlitTarget {
    uint32_t* pixels;
    int pixelsPerRow;
    StretchAxis columns;
    StretchAxis rows;
    int firstX;
    int endX;
    int firstY;
    int endY;
};

// RGB32 is stretched here by nearest neighbour. YV12 goes through the scaler: the part of the
// source that the drawn pixels show is stretched onto them, which is the whole stretch whenever the
// whole destination is drawn. False when the scaler failed.
bool blitToPixels(const SurfaceMemory& source, const BlitTarget& target, Yv12Scaler& scaler);

}  // namespace platform::detail
