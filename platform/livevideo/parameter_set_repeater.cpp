#include "platform/livevideo/parameter_set_repeater.h"

#include <algorithm>

namespace livevideo {

void ParameterSetRepeater::reset() {
    sps_.clear();
    pps_.clear();
    spsSincePicture_ = false;
    ppsSincePicture_ = false;
}

void ParameterSetRepeater::add(const uint8_t* nal, size_t size) {
    if (size == 0) {
        return;
    }
    const int type = nal[0] & 0x1F;
    if (type == kNalTypeSps) {
        sps_.emplace_back(nal, nal + size);
    } else if (type == kNalTypePps) {
        pps_.emplace_back(nal, nal + size);
    }
}

void ParameterSetRepeater::keep(std::vector<Set>& kept, const uint8_t* nal, size_t size) {
    kept.resize(1);
    kept[0].assign(nal, nal + size);
}

bool ParameterSetRepeater::isKept(const std::vector<Set>& kept, const uint8_t* nal, size_t size) {
    return kept.size() == 1 && std::equal(kept[0].begin(), kept[0].end(), nal, nal + size);
}

}  // namespace livevideo
