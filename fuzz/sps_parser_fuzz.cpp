// The SPS parser reads sequence parameter sets that come from the camera's stream.
#include "app/util/sps_parser.h"
#include "app/util/sps_timing.h"

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
    // What the recorder takes from an SPS stays within what H.264 allows.
    H264Sps sps;
    SpsBitReader reader = MakeSpsBitReader(data, static_cast<int>(size));
    if (ParseSequenceParameterSet(&reader, &sps) >= 0) {
        const int depth = ReorderDepth(sps);
        if (depth < 0 || depth > kMaxReorderDepth) __builtin_trap();
        if (sps.log2MaxFrameNum < 4 || sps.log2MaxFrameNum > 16 || sps.log2MaxPicOrderCntLsb < 4 ||
            sps.log2MaxPicOrderCntLsb > 16 || sps.numRefFramesInPicOrderCntCycle > H264Sps::kMaxRefFramesInPocCycle) {
            __builtin_trap();
        }
        const auto duration = FrameDuration(sps, 90000);
        if (duration && (*duration < 1 || *duration > 900000)) __builtin_trap();
    }
    return 0;
}
