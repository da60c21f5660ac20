#include "app/player/recorded_picture_order.h"

#include <algorithm>

namespace {

constexpr size_t kLengthPrefix = 4;

// The first slice of a sample (units behind 4-byte big-endian lengths), or null.
const uint8_t* FirstSlice(const std::vector<uint8_t>& sample, int* length) {
    for (size_t at = 0; at + kLengthPrefix < sample.size();) {
        const size_t size = (size_t{sample[at]} << 24) | (size_t{sample[at + 1]} << 16) |
                            (size_t{sample[at + 2]} << 8) | size_t{sample[at + 3]};
        const uint8_t* unit = sample.data() + at + kLengthPrefix;
        if (size == 0 || size > sample.size() - at - kLengthPrefix) return nullptr;
        const int type = unit[0] & 0x1F;
        if (type == 1 || type == 5) {
            *length = static_cast<int>(size);
            return unit;
        }
        at += kLengthPrefix + size;
    }
    return nullptr;
}

}  // namespace

void RecordedPictureOrder::Reset() {
    sets_.Clear();
    counter_.Reset();
    pendingField_ = false;
    pendingBytes_.clear();
}

// A picture whose header cannot be read is shown in decoding order: after everything before it.
RecordedPictureOrder::Coded RecordedPictureOrder::Read(const std::vector<uint8_t>& sample, bool key,
                                                       std::optional<uint32_t> time) {
    Coded coded;
    coded.picture.key = key;
    coded.picture.rtpTime = time;
    coded.picture.restartsOrder = true;
    int length = 0;
    const uint8_t* slice = FirstSlice(sample, &length);
    if (slice == nullptr || ReadSliceHeader(slice, length, sets_, &coded.header) != 0) return coded;
    coded.sps = sets_.Sps(sets_.Pps(coded.header.ppsId)->spsId);
    coded.order = counter_.Next(coded.header, *coded.sps);
    coded.read = true;
    coded.picture.restartsOrder = coded.order.restarts;
    coded.picture.order = coded.order.count;
    return coded;
}

// The second field of a frame: the other parity, the same frame_num and reference kind, right
// after the first (which alone may be an IDR picture).
bool RecordedPictureOrder::PairsWithPending(const Coded& second) const {
    const H264SliceHeader& first = pending_.header;
    const H264SliceHeader& next = second.header;
    return second.read && next.fieldPic && next.bottomField != first.bottomField && next.frameNum == first.frameNum &&
           next.isReference() == first.isReference() && (!next.idr || first.idr);
}

// The frame is shown where its first field is, unless its second restarts the order.
void RecordedPictureOrder::JoinSecondField(const std::vector<uint8_t>& sample, const Coded& second) {
    pendingBytes_.insert(pendingBytes_.end(), sample.begin(), sample.end());
    Mp4SampleTimeline::Picture& frame = pending_.picture;
    if (second.order.restarts) {
        frame.restartsOrder = true;
        frame.order = second.order.count;
    } else {
        frame.order = std::min(frame.order, second.order.count);
    }
}
