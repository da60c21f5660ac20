#include "app/render/i420_to_bgr.h"

#include <cstdint>

namespace {

// T_k[i] = floor(k x (i - 128) / 256) for the fixed-point forms of 1.402 (359, R from V),
// 1.772 (454, B from U), 0.344 (88, G from U) and 0.714 (183, G from V).
struct ChromaTables {
    int32_t redFromV[256];
    int32_t blueFromU[256];
    int32_t greenFromU[256];
    int32_t greenFromV[256];

    ChromaTables() {
        for (int i = 0; i < 256; ++i) {
            // Arithmetic shift: the floor of the division, negative values included.
            redFromV[i] = (359 * (i - 128)) >> 8;
            blueFromU[i] = (454 * (i - 128)) >> 8;
            greenFromU[i] = (88 * (i - 128)) >> 8;
            greenFromV[i] = (183 * (i - 128)) >> 8;
        }
    }
};

const ChromaTables& chromaTables() {
    static const ChromaTables tables;
    return tables;
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
void ConvertRow(const unsigned char* luma, const ChromaPlanes& chroma, int pictureRow, int width, unsigned char* out) {
    static const unsigned char kNeutral = 128;
    const ChromaTables& t = chromaTables();
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
        WritePixel(luma[x], blue, green, red, out);
        if (x + 1 < width) WritePixel(luma[x + 1], blue, green, red, out + 3);
        out += 6;
    }
}

}  // namespace

bool ConvertI420ToBgrRows(const unsigned char* source, unsigned char* destination, int width, int height,
                          size_t rowBytes) {
    if (!source || !destination || width < 1 || height < 1 || rowBytes < static_cast<size_t>(width) * 3) {
        return false;
    }
    size_t lumaBytes = static_cast<size_t>(width) * height;
    ChromaPlanes chroma{source + lumaBytes, source + lumaBytes + lumaBytes / 4, width / 2, height / 2};
    for (int row = 0; row < height; ++row) {
        const unsigned char* luma = source + static_cast<size_t>(row) * width;
        ConvertRow(luma, chroma, row, width, destination + static_cast<size_t>(height - 1 - row) * rowBytes);
    }
    return true;
}
