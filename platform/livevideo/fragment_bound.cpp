#include "platform/livevideo/fragment_bound.h"

namespace livevideo {
namespace {

constexpr int kFuA = 28;
constexpr int kFuB = 29;
constexpr uint8_t kStartFlag = 0x80;
constexpr uint8_t kEndFlag = 0x40;

}  // namespace

bool FragmentBound::admit(const uint8_t* payload, size_t size) {
    const int type = size >= 2 ? payload[0] & 0x1F : 0;
    if (type != kFuA && type != kFuB) {
        gathered_ = 0;  // any other packet ends a fragmented unit, whole or not
        dropping_ = false;
        return true;
    }
    const uint8_t header = payload[1];
    if ((header & kStartFlag) != 0) {
        gathered_ = 0;
        dropping_ = false;
    }
    const bool ends = (header & kEndFlag) != 0;
    if (!dropping_ && size <= kMaxNalSize - gathered_) {
        gathered_ = ends ? 0 : gathered_ + size;
        return true;
    }
    dropping_ = !ends;
    gathered_ = 0;
    return false;
}

}  // namespace livevideo
