#include "platform/ddraw/surface_blit.h"

#include <cstring>
#include <vector>

namespace platform::detail {

namespace {

void blitRgb32Row(const SurfaceMemory& source, int sourceRow, const std::vector<int>& columns, uint32_t* out) {
    const uint8_t* row = source.bytes + static_cast<size_t>(sourceRow) * source.pitch;
    for (size_t i = 0; i < columns.size(); ++i) {
        uint32_t pixel;
        std::memcpy(&pixel, row + static_cast<size_t>(columns[i]) * 4, sizeof pixel);
        out[i] = 0xFF000000u | pixel;
    }
}

void blitRgb32(const SurfaceMemory& source, const BlitTarget& target) {
    thread_local std::vector<int> columns;
    mapSourceCoordinates(target.columns, target.firstX, target.endX, source.width, columns);
    for (int y = target.firstY; y < target.endY; ++y) {
        uint32_t* out = target.pixels + static_cast<size_t>(y) * target.pixelsPerRow + target.firstX;
        blitRgb32Row(source, static_cast<int>(target.rows.sourceAt(y)), columns, out);
    }
}

// The source span the destination span [first, end) of the axis shows: all of it when the whole
// destination is drawn, else from the source of its first pixel to that of its last.
struct Span {
    int start;
    int extent;
};
Span shownSpan(const StretchAxis& axis, int first, int end) {
    const bool fromStart = first <= axis.destinationStart;
    const bool toEnd = end >= axis.destinationStart + axis.destinationExtent;
    const int64_t start = fromStart ? axis.sourceStart : axis.sourceAt(first);
    const int64_t stop = toEnd ? axis.sourceStart + axis.sourceExtent : axis.sourceAt(end - 1) + 1;
    return Span{static_cast<int>(start), static_cast<int>(stop - start)};
}

bool blitYv12(const SurfaceMemory& source, const BlitTarget& target, Yv12Scaler& scaler) {
    const Span columns = shownSpan(target.columns, target.firstX, target.endX);
    const Span rows = shownSpan(target.rows, target.firstY, target.endY);
    const size_t chromaPitch = static_cast<size_t>(source.pitch) / 2;
    const uint8_t* vPlane = source.bytes + static_cast<size_t>(source.pitch) * source.height;
    const uint8_t* uPlane = vPlane + chromaPitch * static_cast<size_t>(source.height / 2);
    const size_t chromaAt = static_cast<size_t>(rows.start / 2) * chromaPitch + static_cast<size_t>(columns.start / 2);
    const Yv12Region region{source.bytes + static_cast<size_t>(rows.start) * source.pitch + columns.start,
                            uPlane + chromaAt,
                            vPlane + chromaAt,
                            source.pitch,
                            static_cast<int>(chromaPitch),
                            columns.extent,
                            rows.extent};
    uint32_t* out = target.pixels + static_cast<size_t>(target.firstY) * target.pixelsPerRow + target.firstX;
    return scaler.scale(region, out, static_cast<size_t>(target.pixelsPerRow), target.endX - target.firstX,
                        target.endY - target.firstY);
}

}  // namespace

bool blitToPixels(const SurfaceMemory& source, const BlitTarget& target, Yv12Scaler& scaler) {
    if (source.format == SurfaceFormat::Yv12) return blitYv12(source, target, scaler);
    blitRgb32(source, target);
    return true;
}

}  // namespace platform::detail
