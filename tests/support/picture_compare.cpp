#include "tests/support/picture_compare.h"

#include <algorithm>
#include <cmath>

namespace test_support {

namespace {

uint8_t Clamped(double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

// Y, and U and V around 0, each scaled to 0..255 for its range.
void ToRgb(uint8_t y, uint8_t u, uint8_t v, SampleRange range, uint8_t* out) {
    const bool full = range == SampleRange::Full;
    const double luma = full ? y : (y - 16) * 255.0 / 219.0;
    const double cb = full ? u - 128.0 : (u - 128) * 255.0 / 224.0;
    const double cr = full ? v - 128.0 : (v - 128) * 255.0 / 224.0;
    out[0] = Clamped(luma + 1.402 * cr);
    out[1] = Clamped(luma - 0.344136 * cb - 0.714136 * cr);
    out[2] = Clamped(luma + 1.772 * cb);
}

// One row of an I420 picture as I420ToRgb lays it out.
void ConvertRow(const std::vector<uint8_t>& picture, int width, int height, SampleRange range, int y, uint8_t* out) {
    const size_t lumaSize = static_cast<size_t>(width) * height;
    const int chromaWidth = width / 2;
    const int chromaHeight = height / 2;
    for (int x = 0; x < width; ++x) {
        uint8_t u = 128;
        uint8_t v = 128;
        if (chromaWidth > 0 && chromaHeight > 0) {
            const size_t c =
                static_cast<size_t>(std::min(y / 2, chromaHeight - 1)) * chromaWidth + std::min(x / 2, chromaWidth - 1);
            u = picture[lumaSize + c];
            v = picture[lumaSize + lumaSize / 4 + c];
        }
        ToRgb(picture[static_cast<size_t>(y) * width + x], u, v, range, out + static_cast<size_t>(x) * 3);
    }
}

int RowsKept(int height, int rowStep) { return (height + rowStep - 1) / rowStep; }

}  // namespace

RgbPicture I420ToRgb(const std::vector<uint8_t>& picture, int width, int height, SampleRange range, int rowStep) {
    if (picture.size() != static_cast<size_t>(width) * height * 3 / 2) return RgbPicture{};
    const int step = std::max(rowStep, 1);
    const int rows = RowsKept(height, step);
    RgbPicture out{width, rows, std::vector<uint8_t>(static_cast<size_t>(width) * rows * 3)};
    for (int row = 0; row < rows; ++row) {
        ConvertRow(picture, width, height, range, row * step, &out.rgb[static_cast<size_t>(row) * width * 3]);
    }
    return out;
}

RgbPicture SurfaceToRgb(const platform::testing::SurfacePixels& surface, int rowStep) {
    if (surface.pixels.size() != static_cast<size_t>(surface.width) * surface.height) return RgbPicture{};
    const int step = std::max(rowStep, 1);
    RgbPicture out{surface.width, RowsKept(surface.height, step), {}};
    out.rgb.reserve(static_cast<size_t>(out.width) * out.height * 3);
    for (int y = 0; y < surface.height; y += step) {
        for (int x = 0; x < surface.width; ++x) {
            const uint32_t pixel = surface.at(x, y);
            out.rgb.push_back(static_cast<uint8_t>(pixel >> 16));
            out.rgb.push_back(static_cast<uint8_t>(pixel >> 8));
            out.rgb.push_back(static_cast<uint8_t>(pixel));
        }
    }
    return out;
}

double Psnr(const RgbPicture& a, const RgbPicture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 0;
    double squares = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double difference = static_cast<double>(a.rgb[i]) - b.rgb[i];
        squares += difference * difference;
    }
    if (squares == 0) return 100;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.rgb.size()) / squares);
}

}  // namespace test_support
