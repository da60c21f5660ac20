// The control bar's button images: bitmap files read once per start of the view and scaled so that
// in the window they look a third of their pixel size, kept as rows of red, green, blue bytes.
#pragma once

#include <cstdint>
#include <vector>

struct CtrlBitmap {
    std::vector<uint8_t> data;  // height rows of stride bytes, 3 bytes a pixel (R, G, B)
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;

    bool empty() const { return data.empty() || width <= 0 || height <= 0; }
    void clear() { *this = CtrlBitmap(); }
};

// Reads the bitmap file (path in the ANSI code page) and scales it to (sx / 3 x its width,
// sy / 3 x its height), truncated. 1 when the file was read: the target then holds the scaled
// image, or nothing when a scaled side is 0 or the image would be larger than mostWidth x
// mostHeight (the picture it is drawn into). 0 when the file cannot be read or decoded; the target
// is then left as it was.
int LoadAndResizeImage(CtrlBitmap& target, const char* path, float sx, float sy, int mostWidth, int mostHeight);
