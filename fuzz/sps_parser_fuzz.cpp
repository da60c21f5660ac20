// The SPS parser reads sequence parameter sets that come from the camera's stream.
#include "app/util/sps_parser.h"

#include <climits>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT_MAX) return 0;
    int width = -1;
    int height = -1;
    GetFrameSizeFromSps(data, static_cast<int>(size), &width, &height);
    // Either the fallback size or whole macroblocks within the bounds the parser promises.
    const bool fallback = width == 1920 && height == 1088;
    const bool parsed =
        width >= 16 && width <= 8192 && height >= 16 && height <= 8192 && width % 16 == 0 && height % 16 == 0;
    if (!fallback && !parsed) __builtin_trap();
    return 0;
}
