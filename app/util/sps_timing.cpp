#include "app/util/sps_timing.h"

#include <algorithm>

namespace {

constexpr uint32_t kBaselineProfile = 66;
constexpr int64_t kLongestFrameSeconds = 10;

struct LevelLimit {
    uint32_t levelIdc;
    int64_t maxDpbMbs;  // the decoded picture buffer, in macroblocks
};

// Levels in ascending order; level 1b reads as 9 here.
constexpr LevelLimit kLevels[] = {{9, 396},     {10, 396},    {11, 900},    {12, 2376},   {13, 2376},
                                  {20, 2376},   {21, 4752},   {22, 8100},   {30, 8100},   {31, 18000},
                                  {32, 20480},  {40, 32768},  {41, 32768},  {42, 34816},  {50, 110400},
                                  {51, 184320}, {52, 184320}, {60, 696320}, {61, 696320}, {62, 696320}};

// Profiles whose pictures are all intra when constraint_set3_flag is set (CAVLC 4:4:4 always).
bool IsIntraOnly(const H264Sps& sps) {
    switch (sps.profileIdc) {
        case 44:
            return true;
        case 100:
        case 110:
        case 122:
        case 244:
            return sps.constraintSet3();
        default:
            return false;
    }
}

int64_t MaxDpbMbs(const H264Sps& sps) {
    uint32_t level = sps.levelIdc;
    // Level 1b of the Baseline, Main and Extended profiles: level_idc 11 with constraint_set3_flag.
    if (level == 11 && sps.constraintSet3() && (sps.profileIdc == 66 || sps.profileIdc == 77 || sps.profileIdc == 88)) {
        level = 9;
    }
    for (const LevelLimit& limit : kLevels) {
        if (level <= limit.levelIdc) return limit.maxDpbMbs;
    }
    return kLevels[std::size(kLevels) - 1].maxDpbMbs;
}

}  // namespace

int ReorderDepth(const H264Sps& sps) {
    if (sps.vuiPresent && sps.vui.bitstreamRestriction) {
        return static_cast<int>(std::min<uint32_t>(sps.vui.maxNumReorderFrames, kMaxReorderDepth));
    }
    if (sps.picOrderCntType == 2 || sps.profileIdc == kBaselineProfile || IsIntraOnly(sps)) return 0;
    const int64_t frameMbs = int64_t{sps.size.codedWidth / 16} * (sps.size.codedHeight / 16);
    if (frameMbs <= 0) return kMaxReorderDepth;
    return static_cast<int>(std::clamp<int64_t>(MaxDpbMbs(sps) / frameMbs, 0, kMaxReorderDepth));
}

std::optional<int64_t> FrameDuration(const H264Sps& sps, int64_t clockRate) {
    if (!sps.vuiPresent || !sps.vui.timingInfoPresent || sps.vui.timeScale == 0 || sps.vui.numUnitsInTick == 0) {
        return std::nullopt;
    }
    const int64_t scale = sps.vui.timeScale;
    const int64_t duration = (clockRate * 2 * sps.vui.numUnitsInTick + scale / 2) / scale;
    if (duration < 1 || duration > kLongestFrameSeconds * clockRate) return std::nullopt;
    return duration;
}
