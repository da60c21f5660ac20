#include "app/render/i420_picture.h"

namespace {

uint8_t asByte(double value) { return static_cast<uint8_t>(static_cast<int>(value)); }

}  // namespace

YuvColour RgbToYuv(int r, int g, int b) {
    return {asByte(0.257 * r + 0.504 * g + 0.098 * b + 16), asByte(-0.148 * r - 0.291 * g + 0.439 * b + 128),
            asByte(0.439 * r - 0.368 * g - 0.071 * b + 128)};
}
