#include "app/player/mp4_recorder.h"

#include "app/util/file_logger.h"

namespace {

// The most one picture may take in a recording, as in the decoder: a larger one is left out and
// the recording goes on from the next key picture.
constexpr size_t kMaxSampleBytes = 16 * 1024 * 1024;
constexpr uint8_t kNalTypeMask = 0x1F;
constexpr int kSpsNalType = 7;
constexpr int kPpsNalType = 8;

}  // namespace

Mp4Recorder::Mp4Recorder() : assembler_(kMaxSampleBytes) {}

int Mp4Recorder::Start(const char* ansiFileName, int width, int height) {
    std::lock_guard<std::mutex> hold(lock_);
    if (recording_) return -1;
    if (!file_.Create(ansiFileName)) return -1;
    width_ = width;
    height_ = height;
    recording_ = true;
    return 0;
}

void Mp4Recorder::Stop() {
    std::lock_guard<std::mutex> hold(lock_);
    EndRecording();
}

// Under the lock.
void Mp4Recorder::EndRecording() {
    recording_ = false;
    if (file_.IsOpen() && file_.Finish() != 0) FileLogger::Write("record file could not be finished.");
    sps_.clear();
    pps_.clear();
    spsSeen_ = false;
    ppsSeen_ = false;
    trackAdded_ = false;
    waitingForKey_ = true;
    assembler_.Reset();
}

void Mp4Recorder::TakeNalUnit(const uint8_t* unit, int length) {
    if (!recording_ || unit == nullptr || length <= 0) return;
    std::lock_guard<std::mutex> hold(lock_);
    if (!recording_) return;
    const int nalType = unit[0] & kNalTypeMask;
    if (nalType == kSpsNalType && !spsSeen_) KeepParameterSet(sps_, spsSeen_, unit, length);
    if (nalType == kPpsNalType && !ppsSeen_) KeepParameterSet(pps_, ppsSeen_, unit, length);
    if (!recording_) return;  // the track was refused
    switch (assembler_.Add(unit, static_cast<size_t>(length))) {
        case Mp4SampleAssembler::Result::kPicture:
            WritePicture();
            break;
        case Mp4SampleAssembler::Result::kDropped:
            waitingForKey_ = true;  // the pictures that follow refer to the one lost
            break;
        case Mp4SampleAssembler::Result::kGathering:
            break;
    }
}

// Later parameter sets of the same recording are neither kept nor written.
void Mp4Recorder::KeepParameterSet(std::vector<uint8_t>& copy, bool& seen, const uint8_t* unit, int length) {
    copy.assign(unit, unit + length);
    seen = true;
    if (spsSeen_ && ppsSeen_) AddVideoTrack();
}

void Mp4Recorder::AddVideoTrack() {
    if (file_.AddVideoTrack(width_, height_, sps_, pps_)) {
        trackAdded_ = true;
        return;
    }
    FileLogger::Write("record track refused, record stopped.");
    EndRecording();
}

// The first sample is the first key picture once the track is there; pictures before it cannot be
// decoded on their own.
void Mp4Recorder::WritePicture() {
    if (!trackAdded_) return;
    if (waitingForKey_ && !assembler_.IsKey()) return;
    waitingForKey_ = false;
    const int result = file_.WriteSample(assembler_.Sample(), assembler_.SampleSize(), assembler_.IsKey());
    if (result >= 0) return;
    FileLogger::Write("record write failed, ret %d, record stopped.", result);
    EndRecording();
}
