#include "platform/ddraw/surface_blit.h"

#include "platform/window/content_hash.h"

#include <cstring>
#include <vector>

namespace platform::detail {

namespace {

// The source rows the drawn rows show, and the span of source columns the drawn columns show: all
// of the stretch's columns when the whole destination width is drawn, else from the source of the
// first drawn column to that of the last.
struct Shown {
    const std::vector<int>& rows;
    int firstColumn;
    int columns;
};

Shown shownBy(const SurfaceMemory& source, const BlitTarget& target) {
    thread_local std::vector<int> rows;
    mapSourceCoordinates(target.rows, target.firstY, target.endY, source.height, rows);
    const StretchAxis& axis = target.columns;
    const bool fromStart = target.firstX <= axis.destinationStart;
    const bool toEnd = target.endX >= axis.destinationStart + axis.destinationExtent;
    const int64_t first = fromStart ? axis.sourceStart : axis.sourceAt(target.firstX);
    const int64_t end = toEnd ? axis.sourceStart + axis.sourceExtent : axis.sourceAt(target.endX - 1) + 1;
    return Shown{rows, static_cast<int>(first), static_cast<int>(end - first)};
}

Yv12Planes planesOf(const SurfaceMemory& source) {
    const size_t chromaPitch = static_cast<size_t>(source.pitch) / 2;
    const uint8_t* v = source.bytes + static_cast<size_t>(source.pitch) * source.height;
    const uint8_t* u = v + chromaPitch * static_cast<size_t>(source.height / 2);
    return Yv12Planes{source.bytes, u, v, source.pitch, static_cast<int>(chromaPitch)};
}

void blitRgb32(const SurfaceMemory& source, const BlitTarget& target, const std::vector<int>& rows) {
    thread_local std::vector<int> columns;
    mapSourceCoordinates(target.columns, target.firstX, target.endX, source.width, columns);
    for (int y = target.firstY; y < target.endY; ++y) {
        const uint8_t* in = source.bytes + static_cast<size_t>(rows[static_cast<size_t>(y - target.firstY)]) * source.pitch;
        uint32_t* out = target.pixels + static_cast<size_t>(y) * target.pixelsPerRow + target.firstX;
        for (size_t i = 0; i < columns.size(); ++i) {
            uint32_t pixel;
            std::memcpy(&pixel, in + static_cast<size_t>(columns[i]) * 4, sizeof pixel);
            out[i] = 0xFF000000u | pixel;
        }
    }
}

}  // namespace

uint64_t hashShown(const SurfaceMemory& source, const BlitTarget& target) {
    const Shown shown = shownBy(source, target);
    if (source.format == SurfaceFormat::Yv12) {
        return Yv12Scaler::hashShown(planesOf(source), Yv12Pick{shown.rows, shown.firstColumn, shown.columns});
    }
    uint64_t hash = 0;
    for (int row : shown.rows) {
        const uint8_t* bytes = source.bytes + static_cast<size_t>(row) * source.pitch + shown.firstColumn * 4;
        hash = hashMore(hash, bytes, static_cast<size_t>(shown.columns) * 4);
    }
    return hash;
}

bool blitToPixels(const SurfaceMemory& source, const BlitTarget& target, Yv12Scaler& scaler) {
    const Shown shown = shownBy(source, target);
    if (source.format != SurfaceFormat::Yv12) {
        blitRgb32(source, target, shown.rows);
        return true;
    }
    uint32_t* out = target.pixels + static_cast<size_t>(target.firstY) * target.pixelsPerRow + target.firstX;
    return scaler.draw(planesOf(source), Yv12Pick{shown.rows, shown.firstColumn, shown.columns}, out,
                       static_cast<size_t>(target.pixelsPerRow), target.endX - target.firstX);
}

}  // namespace platform::detail
