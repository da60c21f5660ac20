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
    if (extradata == nullptr || size == 0) {
        return;
    }
    if (extradata[0] == 1) {
        loadAvcC(extradata, size);
    } else {
        forEachNalUnit(extradata, size, [this](const uint8_t* nal, size_t length) { add(nal, length); });
    }
}

// avcC: version 1, profile, compatibility, level, length size, then a count of SPS (low 5 bits) each
// with a 16-bit big-endian length, then a count of PPS likewise. Every length is checked against
// the buffer; a cut-off record keeps what was read before the cut.
void ParameterSetRepeater::loadAvcC(const uint8_t* data, size_t size)
{
    size_t pos = 5;
    for (int group = 0; group < 2; ++group) {
        if (pos >= size) {
            return;
        }
        const int count = group == 0 ? (data[pos] & 0x1F) : data[pos];
        ++pos;
        for (int i = 0; i < count; ++i) {
            if (size - pos < 2) {
                return;
            }
            const size_t length = (static_cast<size_t>(data[pos]) << 8) | data[pos + 1];
            pos += 2;
            if (length > size - pos) {
                return;
            }
            add(data + pos, length);
            pos += length;
        }
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
