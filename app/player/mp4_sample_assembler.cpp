#include "app/player/mp4_sample_assembler.h"

namespace {

enum NalType {
    kNalSlice = 1,
    kNalIdrSlice = 5,
    kNalSei = 6,
    kNalSps = 7,
    kNalPps = 8,
    kNalDelimiter = 9,
};

constexpr uint8_t kNalTypeMask = 0x1F;
constexpr size_t kLengthPrefix = 4;

bool IsSlice(int nalType) { return nalType == kNalSlice || nalType == kNalIdrSlice; }

// first_mb_in_slice, the first field of a slice header, is 0 exactly when its Exp-Golomb code
// begins with a one bit.
bool StartsAtFirstMacroblock(const uint8_t* unit, size_t length) { return length > 1 && (unit[1] & 0x80) != 0; }

}  // namespace

Mp4SampleAssembler::Mp4SampleAssembler(size_t maxSampleBytes) : maxSampleBytes_(maxSampleBytes) {}

Mp4SampleAssembler::Result Mp4SampleAssembler::Add(const uint8_t* unit, size_t length) {
    ready_.clear();
    if (unit == nullptr || length == 0) return Result::kGathering;
    const int nalType = unit[0] & kNalTypeMask;
    Result result = Result::kGathering;
    if (CompletesPicture(nalType, unit, length)) result = Complete();
    if (nalType == kNalDelimiter || nalType == kNalSps || nalType == kNalPps) return result;
    if (!overflowed_ && gathering_.size() + kLengthPrefix + length > maxSampleBytes_) {
        overflowed_ = true;
        gathering_.clear();
    }
    if (!overflowed_) {
        for (int shift = 24; shift >= 0; shift -= 8) gathering_.push_back(static_cast<uint8_t>(length >> shift));
        gathering_.insert(gathering_.end(), unit, unit + length);
    }
    hasSlice_ = hasSlice_ || IsSlice(nalType);
    key_ = key_ || nalType == kNalIdrSlice;
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
    if (nalType == kNalDelimiter || nalType == kNalSei || nalType == kNalSps || nalType == kNalPps) return true;
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
