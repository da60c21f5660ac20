#include "app/player/mp4_sample_assembler.h"

#include "app/player/nal_unit_kinds.h"
#include "app/util/sei_recovery_point.h"

namespace {

using namespace nal_unit;

constexpr size_t kLengthPrefix = 4;

}  // namespace

Mp4SampleAssembler::Mp4SampleAssembler(size_t maxSampleBytes) : maxSampleBytes_(maxSampleBytes) {}

Mp4SampleAssembler::Result Mp4SampleAssembler::Add(const uint8_t* unit, size_t length) {
    ready_.clear();
    if (unit == nullptr || length == 0) return Result::kGathering;
    const int nalType = TypeOf(unit);
    Result result = Result::kGathering;
    if (CompletesPicture(nalType, unit, length)) result = Complete();
    if (nalType == kDelimiter || nalType == kSps || nalType == kPps) return result;
    if (!overflowed_ && gathering_.size() + kLengthPrefix + length > maxSampleBytes_) {
        overflowed_ = true;
        gathering_.clear();
    }
    if (!overflowed_) {
        for (int shift = 24; shift >= 0; shift -= 8) gathering_.push_back(static_cast<uint8_t>(length >> shift));
        gathering_.insert(gathering_.end(), unit, unit + length);
    }
    hasSlice_ = hasSlice_ || IsSlice(nalType);
    key_ = key_ || nalType == kIdrSlice || (nalType == kSei && FindRecoveryPoint(unit, length, nullptr));
    return result;
}

void Mp4SampleAssembler::Reset() {
    gathering_.clear();
    ready_.clear();
    readyKey_ = false;
    hasSlice_ = false;
    key_ = false;
    overflowed_ = false;
}

bool Mp4SampleAssembler::CompletesPicture(int nalType, const uint8_t* unit, size_t length) const {
    if (!hasSlice_) return false;
    if (nalType == kDelimiter || nalType == kSei || nalType == kSps || nalType == kPps) return true;
    return IsSlice(nalType) && StartsAtFirstMacroblock(unit, length);
}

Mp4SampleAssembler::Result Mp4SampleAssembler::Complete() {
    const Result result = overflowed_ ? Result::kDropped : Result::kPicture;
    // Swapped, not copied: both buffers keep their capacity from picture to picture.
    gathering_.swap(ready_);
    gathering_.clear();
    readyKey_ = key_;
    hasSlice_ = false;
    key_ = false;
    overflowed_ = false;
    return result;
}
