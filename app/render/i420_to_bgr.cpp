#include "app/render/i420_to_bgr.h"

#include <cstdint>

namespace {

// BT.601 in 8.8 fixed point: Y' = luma[Y], R = Y' + redFromV[V], B = Y' + blueFromU[U],
// G = Y' - greenFromU[U] - greenFromV[V].
struct ConversionTables {
    int32_t luma[256];
    int32_t redFromV[256];
    int32_t blueFromU[256];
    int32_t greenFromU[256];
    int32_t greenFromV[256];
};

// Arithmetic shifts: the floor of each division, negative values included.
ConversionTables MakeTables(int lumaScale, int lumaOffset, int red, int blue, int greenU, int greenV) {
    ConversionTables t{};
    for (int i = 0; i < 256; ++i) {
        t.luma[i] = (lumaScale * (i - lumaOffset) + 128) >> 8;
        t.redFromV[i] = (red * (i - 128)) >> 8;
        t.blueFromU[i] = (blue * (i - 128)) >> 8;
        t.greenFromU[i] = (greenU * (i - 128)) >> 8;
        t.greenFromV[i] = (greenV * (i - 128)) >> 8;
    }
    return t;
}

// Full range takes Y as it is, with the fixed-point forms of 1.402 (R from V), 1.772 (B from U),
// 0.344 and 0.714 (G from U and V). Studio range stretches Y 16..235 by 255/219 and uses the same
// coefficients scaled by 255/224 for chroma 16..240.
const ConversionTables& tablesFor(SampleRange range) {
    static const ConversionTables full = MakeTables(256, 0, 359, 454, 88, 183);
    static const ConversionTables studio = MakeTables(298, 16, 409, 516, 100, 208);
    return range == SampleRange::Full ? full : studio;
}

inline unsigned char ClampByte(int32_t value) {
    return static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value);
}

struct ChromaPlanes {
    const unsigned char* u;
    const unsigned char* v;
    int width;   // W / 2 samples a row
    int height;  // H / 2 rows
};

inline void WritePixel(int32_t y, int32_t blue, int32_t green, int32_t red, unsigned char* out) {
    out[0] = ClampByte(y + blue);
    out[1] = ClampByte(y - green);
    out[2] = ClampByte(y + red);
}

// One picture row; each pair of pixels shares its chroma terms. An odd width or height leaves the
// last column or row without chroma of its own: it takes its neighbour's, and a picture one pixel
// wide or high has none (grey).
void ConvertRow(const unsigned char* luma, const ChromaPlanes& chroma, const ConversionTables& t, int pictureRow,
                int width, unsigned char* out) {
    static const unsigned char kNeutral = 128;
    bool hasChroma = chroma.width > 0 && chroma.height > 0;
    int chromaRow = hasChroma ? (pictureRow / 2 < chroma.height ? pictureRow / 2 : chroma.height - 1) : 0;
    const unsigned char* uRow = hasChroma ? chroma.u + static_cast<size_t>(chromaRow) * chroma.width : &kNeutral;
    const unsigned char* vRow = hasChroma ? chroma.v + static_cast<size_t>(chromaRow) * chroma.width : &kNeutral;
    int lastChroma = hasChroma ? chroma.width - 1 : 0;
    for (int x = 0; x < width; x += 2) {
        int c = x / 2 < lastChroma ? x / 2 : lastChroma;
        unsigned char u = uRow[c];
        unsigned char v = vRow[c];
        int32_t blue = t.blueFromU[u];
        int32_t green = t.greenFromU[u] + t.greenFromV[v];
        int32_t red = t.redFromV[v];
        WritePixel(t.luma[luma[x]], blue, green, red, out);
        if (x + 1 < width) WritePixel(t.luma[luma[x + 1]], blue, green, red, out + 3);
        out += 6;
    }
}

}  // namespace

bool ConvertI420ToBgrRows(const unsigned char* source, unsigned char* destination, int width, int height,
                          size_t rowBytes, SampleRange range) {
    if (!source || !destination || width < 1 || height < 1 || rowBytes < static_cast<size_t>(width) * 3) {
        return false;
    }
    size_t lumaBytes = static_cast<size_t>(width) * height;
    ChromaPlanes chroma{source + lumaBytes, source + lumaBytes + lumaBytes / 4, width / 2, height / 2};
    const ConversionTables& tables = tablesFor(range);
    for (int row = 0; row < height; ++row) {
        const unsigned char* luma = source + static_cast<size_t>(row) * width;
        ConvertRow(luma, chroma, tables, row, width, destination + static_cast<size_t>(height - 1 - row) * rowBytes);
    }
    return true;
}
