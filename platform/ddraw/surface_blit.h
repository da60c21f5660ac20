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

// A hash of every byte of the memory the blit shows: the same blit of memory with the same hash
// draws the same pixels.
uint64_t hashShown(const SurfaceMemory& source, const BlitTarget& target);

// Down the picture each drawn row shows the source row nearest its centre. Across, RGB32 is
// stretched here by nearest neighbour; YV12 goes through the scaler, which stretches the columns
// the drawn pixels show onto them. False when the scaler failed.
bool blitToPixels(const SurfaceMemory& source, const BlitTarget& target, Yv12Scaler& scaler);

}  // namespace platform::detail
