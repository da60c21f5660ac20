#include "app/util/h264_parameter_sets.h"

namespace {

constexpr int kSpsNalType = 7;
constexpr int kPpsNalType = 8;

}  // namespace

void H264ParameterSets::Take(const uint8_t* unit, int length) {
    if (unit == nullptr || length <= 0) return;
    SpsBitReader reader = MakeSpsBitReader(unit, length);
    const int type = unit[0] & 0x1F;
    if (type == kSpsNalType) {
        H264Sps sps;
        const int id = ParseSequenceParameterSet(&reader, &sps);
        if (id < 0) return;
        sps_[id] = sps;
        spsSeen_[id] = true;
    } else if (type == kPpsNalType) {
        H264Pps pps;
        const int id = ParsePictureParameterSet(&reader, &pps);
        if (id < 0) return;
        pps_[id] = pps;
        ppsSeen_[id] = true;
    }
}

void H264ParameterSets::Clear() {
    spsSeen_.fill(false);
    ppsSeen_.fill(false);
}

const H264Sps* H264ParameterSets::Sps(int id) const {
    return id >= 0 && id < kSpsIds && spsSeen_[id] ? &sps_[id] : nullptr;
}

const H264Pps* H264ParameterSets::Pps(int id) const {
    return id >= 0 && id < kPpsIds && ppsSeen_[id] ? &pps_[id] : nullptr;
}
