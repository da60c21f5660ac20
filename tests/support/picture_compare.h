#pragma once
// Pictures as tests compare them with what a window shows: packed I420 converted to RGB with the
// BT.601 formulas of its samples' range, in floating point, independent of the renderers' own
// fixed-point tables; compared by peak signal-to-noise ratio. Large pictures compare as well on a
// sample of their rows: with a rowStep above 1 a conversion keeps only every rowStep-th row, the
// first included.

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
// chroma of its neighbour, as the renderers do. An empty picture when the length is not the size's.
RgbPicture I420ToRgb(const std::vector<uint8_t>& picture, int width, int height, SampleRange range, int rowStep = 1);

// The window's pixels as RGB.
RgbPicture SurfaceToRgb(const platform::testing::SurfacePixels& surface, int rowStep = 1);

// PSNR in dB over the samples of two pictures of one size; 100 for equal pictures, 0 when the
// sizes differ.
double Psnr(const RgbPicture& a, const RgbPicture& b);

}  // namespace test_support
