#pragma once
// Pictures as tests compare them with what a window shows: packed I420 converted to RGB with the
// BT.601 formulas of its samples' range, in floating point, independent of the renderers' own
// fixed-point tables; compared by peak signal-to-noise ratio.

#include "app/render/sample_range.h"
#include "platform/window/win_surface_testing.h"

#include <cstdint>
#include <vector>

namespace test_support {

struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // R, G, B for each pixel, rows top-down
};

// An I420 picture as the frame path lays it out (W x H x 3 / 2 bytes: W x H luma, U from W x H, V
// from W x H x 5 / 4, each (H/2) rows of W/2 samples) as RGB. A last odd column or row takes the
// chroma of its neighbour, as the renderers do.
RgbPicture I420ToRgb(const std::vector<uint8_t>& picture, int width, int height, SampleRange range);

// The window's pixels as RGB.
RgbPicture SurfaceToRgb(const platform::testing::SurfacePixels& surface);

// PSNR in dB over the samples of two pictures of one size, on every rowStep-th row (large pictures
// compare as well on a sample of rows); 100 for equal pictures, 0 when the sizes differ.
double Psnr(const RgbPicture& a, const RgbPicture& b, int rowStep = 1);

// The same between an RGB picture and an I420 one as I420ToRgb converts it, converting only the
// rows compared.
double Psnr(const RgbPicture& a, const std::vector<uint8_t>& picture, SampleRange range, int rowStep = 1);

}  // namespace test_support
