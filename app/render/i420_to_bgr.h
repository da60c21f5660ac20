// Software conversion of an I420 picture (W x H luma, then the (W/2) x (H/2) U plane, then the V
// plane W x H / 4 bytes after the U plane) to 24-bit BGR rows stored bottom-up, the row order of a
// bitmap with a positive height.
#pragma once

#include "app/render/sample_range.h"

#include <cstddef>

// rowBytes is the distance between destination rows, at least 3 x width. False, writing nothing,
// when a size is below 1, rowBytes is too small or a pointer is null. The samples are converted
// with the fixed-point BT.601 coefficients of their range, each output value clamped to 0..255: in
// full range Y plus a chroma term, in studio range Y and chroma stretched to 0..255 first.
bool ConvertI420ToBgrRows(const unsigned char* source, unsigned char* destination, int width, int height,
                          size_t rowBytes, SampleRange range);
