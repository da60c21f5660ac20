// Small colour bitmaps (the on-picture control buttons) blended half-and-half into an I420 picture.
#pragma once

#include <cstdint>

// bitmap holds bitmapHeight rows of bitmapWidth pixels, 3 bytes each (R, G, B), rows stride bytes
// apart. A pixel whose R + G + B is 511 or more is transparent; every other pixel is converted to
// Y, U, V and each sample at picture pixel (x + column, y + row) becomes the mean of the old value
// and the new. Parts of the bitmap outside the picture are left out.
void BlendBitmapIntoFrame(uint8_t* picture, int width, int height, int x, int y, const uint8_t* bitmap, int bitmapWidth,
                          int bitmapHeight, int stride);
