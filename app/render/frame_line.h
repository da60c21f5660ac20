// Thick straight lines drawn into an I420 picture.
#pragma once

#include <cstdint>

// Draws from (x0, y0) to (x1, y1) with a square brush (thickness 1: 2 x 2 pixels, 2: 3 x 3,
// 3: 5 x 5 ...), writing colour[0], colour[1] and colour[2] unchanged as the Y, U and V samples.
// Both ends must lie within 0..width and 0..height (ends included), or nothing is drawn; the brush
// is clipped at the picture's edges. The last point of the line is not painted.
void DrawLineIntoFrame(uint8_t* picture, int width, int height, float x0, float y0, float x1, float y1, int thickness,
                       const int32_t colour[3]);
