#pragma once
// The parameter sets of one H.264 stream as its slices refer to them: every SPS and PPS seen, by
// id, the latest of each id replacing the one before.

#include "app/util/pps_parser.h"
#include "app/util/sps_parser.h"

#include <array>
#include <cstdint>

class H264ParameterSets {
public:
    static constexpr int kSpsIds = 32;
    static constexpr int kPpsIds = 256;

    // Keeps an SPS or PPS (NAL unit without start code); other units and sets that cannot be
    // parsed are ignored.
    void Take(const uint8_t* unit, int length);
    void Clear();

    // The set of that id, or null when none was seen.
    const H264Sps* Sps(int id) const;
    const H264Pps* Pps(int id) const;

private:
    std::array<H264Sps, kSpsIds> sps_{};
    std::array<H264Pps, kPpsIds> pps_{};
    std::array<bool, kSpsIds> spsSeen_{};
    std::array<bool, kPpsIds> ppsSeen_{};
};
