#include "platform/livevideo/nal_assembler.h"

namespace livevideo {

void NalAssembler::reset()
{
    pending_.clear();
    begin_ = false;
    overflowed_ = false;
}

void NalAssembler::append(const uint8_t* data, size_t size)
{
    // A continuation without its start (the stream was joined in the middle of a fragmented unit)
    // cannot be decoded: drop it.
    if (!begin_ || overflowed_) {
        return;
    }
    if (size > kMaxNalSize - pending_.size()) {
        overflowed_ = true;
        pending_.clear();
        return;
    }
    pending_.insert(pending_.end(), data, data + size);
}

}  // namespace livevideo
