#include "platform/livevideo/parameter_set_repeater.h"

#include "platform/livevideo/annexb.h"

namespace livevideo {

void ParameterSetRepeater::reset()
{
    sps_.clear();
    pps_.clear();
    spsSinceKeyFrame_ = false;
    ppsSinceKeyFrame_ = false;
}

void ParameterSetRepeater::load(const uint8_t* extradata, size_t size)
{
    reset();
    if (extradata != nullptr) {
        forEachNalUnit(extradata, size, [this](const uint8_t* nal, size_t length) { add(nal, length); });
    }
}

void ParameterSetRepeater::add(const uint8_t* nal, size_t size)
{
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

void ParameterSetRepeater::keep(std::vector<Set>& kept, const uint8_t* nal, size_t size)
{
    kept.resize(1);
    kept[0].assign(nal, nal + size);
}

}  // namespace livevideo
