#include "platform/ddraw/surface_blit.h"

#include <cstring>
#include <vector>

namespace platform::detail {

namespace {

// BT.601 studio range in 8.8 fixed point: Y 16..235 and chroma 16..240 map to 0..255.
struct Bt601Tables {
    int32_t luma[256];
    int32_t redFromV[256];
    int32_t greenFromU[256];
    int32_t greenFromV[256];
    int32_t blueFromU[256];

    Bt601Tables() {
        for (int i = 0; i < 256; ++i) {
            luma[i] = 298 * (i - 16) + 128;
            redFromV[i] = 409 * (i - 128);
            greenFromU[i] = -100 * (i - 128);
            greenFromV[i] = -208 * (i - 128);
            blueFromU[i] = 516 * (i - 128);
        }
    }
};

const Bt601Tables& bt601() {
    static const Bt601Tables tables;
    return tables;
}

// Saturation by lookup, indexed by a channel's 8.8 sum shifted down: every such sum of the tables
// above lies within it.
struct ChannelTable {
    static constexpr int kOffset = 384;
    uint32_t values[1024];

    ChannelTable() {
        for (int i = 0; i < 1024; ++i)
            values[i] = static_cast<uint32_t>(i < kOffset ? 0 : i > kOffset + 255 ? 255 : i - kOffset);
    }
};

const ChannelTable& channels() {
    static const ChannelTable table;
    return table;
}

// The chroma terms of one U, V pair, shared by the pixels of a 2 x 2 block.
struct ChromaTerms {
    int32_t red;
    int32_t green;
    int32_t blue;
};

inline uint32_t yuvPixel(const uint32_t* channel, int32_t luma, const ChromaTerms& chroma) {
    return 0xFF000000u | (channel[(luma + chroma.red) >> 8] << 16) | (channel[(luma + chroma.green) >> 8] << 8) |
           channel[(luma + chroma.blue) >> 8];
}

void blitYv12Row(const SurfaceMemory& source, int sourceRow, const std::vector<int>& columns, uint32_t* out) {
    const Bt601Tables& t = bt601();
    const uint32_t* channel = channels().values + ChannelTable::kOffset;
    size_t chromaPitch = static_cast<size_t>(source.pitch) / 2;
    const uint8_t* lumaRow = source.bytes + static_cast<size_t>(sourceRow) * source.pitch;
    const uint8_t* vPlane = source.bytes + static_cast<size_t>(source.pitch) * source.height;
    const uint8_t* vRow = vPlane + static_cast<size_t>(sourceRow / 2) * chromaPitch;
    const uint8_t* uRow = vRow + static_cast<size_t>(source.height / 2) * chromaPitch;
    int termsOf = -1;
    ChromaTerms terms{};
    for (size_t i = 0; i < columns.size(); ++i) {
        int column = columns[i];
        if (column / 2 != termsOf) {
            termsOf = column / 2;
            uint8_t u = uRow[termsOf];
            uint8_t v = vRow[termsOf];
            terms = ChromaTerms{t.redFromV[v], t.greenFromU[u] + t.greenFromV[v], t.blueFromU[u]};
        }
        out[i] = yuvPixel(channel, t.luma[lumaRow[column]], terms);
    }
}

void blitRgb32Row(const SurfaceMemory& source, int sourceRow, const std::vector<int>& columns, uint32_t* out) {
    const uint8_t* row = source.bytes + static_cast<size_t>(sourceRow) * source.pitch;
    for (size_t i = 0; i < columns.size(); ++i) {
        uint32_t pixel;
        std::memcpy(&pixel, row + static_cast<size_t>(columns[i]) * 4, sizeof pixel);
        out[i] = 0xFF000000u | pixel;
    }
}

}  // namespace

void blitToPixels(const SurfaceMemory& source, const BlitTarget& target) {
    thread_local std::vector<int> columns;
    mapSourceCoordinates(target.columns, target.firstX, target.endX, source.width, columns);
    auto blitRow = source.format == SurfaceFormat::Yv12 ? blitYv12Row : blitRgb32Row;
    for (int y = target.firstY; y < target.endY; ++y) {
        uint32_t* out = target.pixels + static_cast<size_t>(y) * target.pixelsPerRow + target.firstX;
        blitRow(source, static_cast<int>(target.rows.sourceAt(y)), columns, out);
    }
}

}  // namespace platform::detail
