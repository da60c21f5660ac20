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

// One row of an I420 picture as I420ToRgb lays it out, or false when the picture's length is not
// that of its size.
bool ConvertRow(const std::vector<uint8_t>& picture, int width, int height, SampleRange range, int y,
                uint8_t* out) {
    const size_t lumaSize = static_cast<size_t>(width) * height;
    if (picture.size() != lumaSize * 3 / 2) return false;
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
    return true;
}

// Squared differences of the rows on the step, and how many samples they cover; the second picture
// gives each row through rowOf.
template <typename RowOf>
double PsnrOfRows(const RgbPicture& a, int rowStep, RowOf rowOf) {
    const size_t rowBytes = static_cast<size_t>(a.width) * 3;
    std::vector<uint8_t> row(rowBytes);
    double squares = 0;
    size_t samples = 0;
    for (int y = 0; y < a.height; y += std::max(rowStep, 1)) {
        const uint8_t* other = rowOf(y, row.data());
        if (other == nullptr) return 0;
        const uint8_t* own = a.rgb.data() + static_cast<size_t>(y) * rowBytes;
        for (size_t i = 0; i < rowBytes; ++i) {
            const double difference = static_cast<double>(own[i]) - other[i];
            squares += difference * difference;
        }
        samples += rowBytes;
    }
    if (samples == 0) return 0;
    if (squares == 0) return 100;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(samples) / squares);
}

}  // namespace

RgbPicture I420ToRgb(const std::vector<uint8_t>& picture, int width, int height, SampleRange range) {
    RgbPicture out{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y) {
        if (!ConvertRow(picture, width, height, range, y, &out.rgb[static_cast<size_t>(y) * width * 3])) {
            return RgbPicture{};
        }
    }
    return out;
}

RgbPicture SurfaceToRgb(const platform::testing::SurfacePixels& surface) {
    RgbPicture out{surface.width, surface.height, {}};
    out.rgb.reserve(surface.pixels.size() * 3);
    for (uint32_t pixel : surface.pixels) {
        out.rgb.push_back(static_cast<uint8_t>(pixel >> 16));
        out.rgb.push_back(static_cast<uint8_t>(pixel >> 8));
        out.rgb.push_back(static_cast<uint8_t>(pixel));
    }
    return out;
}

double Psnr(const RgbPicture& a, const RgbPicture& b, int rowStep) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return 0;
    return PsnrOfRows(a, rowStep, [&](int y, uint8_t*) { return b.rgb.data() + static_cast<size_t>(y) * a.width * 3; });
}

double Psnr(const RgbPicture& a, const std::vector<uint8_t>& picture, SampleRange range, int rowStep) {
    return PsnrOfRows(a, rowStep, [&](int y, uint8_t* row) {
        return ConvertRow(picture, a.width, a.height, range, y, row) ? row : nullptr;
    });
}

}  // namespace test_support
