#include "app/player/access_unit_assembler.h"

#include "app/util/sps_bit_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <iterator>

namespace {

enum NalType {
    kNalSlice = 1,
    kNalPartitionA = 2,
    kNalIdrSlice = 5,
    kNalSei = 6,
    kNalSps = 7,
    kNalPps = 8,
    kNalAccessUnitDelimiter = 9,
    kNalEndOfSequence = 10,
    kNalEndOfStream = 11,
    kNalPrefix = 14,
    kNalReservedLast = 18,
};

constexpr uint8_t kStartCode[] = {0, 0, 0, 1};

// Length of a leading 00 00 01 or 00 00 00 01 start code, 0 when there is none.
size_t StartCodeLength(const uint8_t* unit, size_t length) {
    if (length >= 3 && unit[0] == 0 && unit[1] == 0 && unit[2] == 1) {
        return 3;
    }
    if (length >= 4 && unit[0] == 0 && unit[1] == 0 && unit[2] == 0 && unit[3] == 1) {
        return 4;
    }
    return 0;
}

bool IsSlice(int nalType) { return nalType == kNalSlice || nalType == kNalPartitionA || nalType == kNalIdrSlice; }

// Units that, once a slice has been gathered, can only belong to the next picture.
bool OpensAccessUnit(int nalType) {
    return nalType == kNalSei || nalType == kNalSps || nalType == kNalPps || nalType == kNalAccessUnitDelimiter ||
           (nalType >= kNalPrefix && nalType <= kNalReservedLast);
}

int64_t FirstMbInSlice(const uint8_t* payload, size_t payloadLength) {
    SpsBitReader reader = MakeSpsBitReader(payload, static_cast<int>(payloadLength < 64 ? payloadLength : 64));
    return ReadUe(reader);
}

}  // namespace

AccessUnitAssembler::AccessUnitAssembler(size_t maxPictureBytes) : maxPictureBytes_(maxPictureBytes) {}

bool AccessUnitAssembler::Add(const uint8_t* unit, size_t length) {
    readySize_ = 0;  // the last picture is readable only until the next call
    const size_t prefix = StartCodeLength(unit, length);
    if (length <= prefix) {
        return false;
    }
    const uint8_t* payload = unit + prefix + 1;
    const size_t payloadLength = length - prefix - 1;
    const int nalType = unit[prefix] & 0x1F;

    bool completed = false;
    if (StartsNewPicture(nalType, payload, payloadLength)) {
        CompletePicture();
        completed = readySize_ > 0;
    }
    Append(unit + prefix, length - prefix);
    if (IsSlice(nalType)) {
        hasSlice_ = true;
        lastFirstMb_ = FirstMbInSlice(payload, payloadLength);
    }
    if ((nalType == kNalEndOfSequence || nalType == kNalEndOfStream) && !completed) {
        CompletePicture();
        completed = readySize_ > 0;
    }
    return completed;
}

void AccessUnitAssembler::Reset() {
    gathering_.clear();
    readySize_ = 0;
    hasSlice_ = false;
    overflowed_ = false;
    lastFirstMb_ = -1;
}

bool AccessUnitAssembler::StartsNewPicture(int nalType, const uint8_t* payload, size_t payloadLength) {
    if (!hasSlice_) {
        return false;
    }
    if (OpensAccessUnit(nalType)) {
        return true;
    }
    // A slice that does not continue past the previous one begins another picture (slices of one
    // picture come in increasing macroblock order).
    return IsSlice(nalType) && FirstMbInSlice(payload, payloadLength) <= lastFirstMb_;
}

void AccessUnitAssembler::Append(const uint8_t* unit, size_t length) {
    if (overflowed_) {
        return;
    }
    if (gathering_.size() + sizeof(kStartCode) + length > maxPictureBytes_) {
        gathering_.clear();
        overflowed_ = true;
        return;
    }
    gathering_.insert(gathering_.end(), std::begin(kStartCode), std::end(kStartCode));
    gathering_.insert(gathering_.end(), unit, unit + length);
}

void AccessUnitAssembler::CompletePicture() {
    if (!overflowed_ && hasSlice_ && !gathering_.empty()) {
        // Swap rather than copy, so both buffers keep their capacity from picture to picture.
        gathering_.swap(ready_);
        readySize_ = ready_.size();
        ready_.resize(readySize_ + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    }
    gathering_.clear();
    hasSlice_ = false;
    overflowed_ = false;
    lastFirstMb_ = -1;
}
