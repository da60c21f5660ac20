#include "app/player/mp4_recorder.h"

#include "app/player/nal_unit_kinds.h"
#include "app/util/file_logger.h"
#include "app/util/sps_timing.h"

#include <cstring>

namespace {

// The most one picture may take in a recording, as in the decoder: a larger one is left out and
// the recording goes on from the next key picture.
constexpr size_t kMaxSampleBytes = 16 * 1024 * 1024;
// The most of the stream held for a recording to begin with: a group of pictures of a camera at a
// few megabits a second and a key picture every two seconds or so.
constexpr size_t kMaxHeldBytes = 1024 * 1024;
constexpr int64_t kFileClockRate = Mp4FileWriter::kTimeScale;

}  // namespace

Mp4Recorder::Mp4Recorder()
    : held_(kMaxHeldBytes), assembler_(kMaxSampleBytes), order_(std::make_unique<RecordedPictureOrder>()) {}

int Mp4Recorder::Start(const char* ansiFileName, int width, int height) {
    std::lock_guard<std::mutex> hold(lock_);
    if (recording_) return -1;
    if (!file_.Create(ansiFileName)) return -1;
    width_ = width;
    height_ = height;
    recording_ = true;
    sps_ = held_.Sps();
    pps_ = held_.Pps();
    order_->TakeParameterSet(sps_.data(), static_cast<int>(sps_.size()));
    order_->TakeParameterSet(pps_.data(), static_cast<int>(pps_.size()));
    held_.Replay([this](KeyPictureCache::Kind kind, const uint8_t* bytes, size_t length) {
        if (!recording_) return;  // the file failed
        if (kind == KeyPictureCache::Kind::kTime) {
            uint32_t time = 0;
            std::memcpy(&time, bytes, sizeof time);
            time_ = time;
        } else {
            RecordUnit(bytes, length);
        }
    });
    return 0;
}

// The frames still held for their order are written before the file is finished. A recording
// that ends before its first picture leaves a file without pictures, and the log says why.
void Mp4Recorder::Stop() {
    std::lock_guard<std::mutex> hold(lock_);
    if (recording_ && trackAdded_) {
        order_->Finish([this](std::vector<uint8_t>& bytes, const Mp4SampleTimeline::Picture& picture,
                              const H264Sps* sps) { TakeFrame(bytes, picture, sps); });
        timeline_.Finish();
        WriteReady();
    } else if (recording_) {
        FileLogger::Write(sps_.empty() || pps_.empty() ? "record stopped before SPS and PPS, file holds no picture."
                                                       : "record stopped before a key picture, file holds no picture.");
    }
    EndRecording();
}

void Mp4Recorder::TakeNalUnit(const uint8_t* unit, int length) {
    if (unit == nullptr || length <= 0) return;
    std::lock_guard<std::mutex> hold(lock_);
    held_.TakeUnit(unit, static_cast<size_t>(length));
    if (recording_) RecordUnit(unit, static_cast<size_t>(length));
}

void Mp4Recorder::TakePictureTime(uint32_t rtpTime) {
    std::lock_guard<std::mutex> hold(lock_);
    held_.TakeTime(rtpTime);
    if (recording_) time_ = rtpTime;
}

void Mp4Recorder::ForgetStream() {
    std::lock_guard<std::mutex> hold(lock_);
    held_.Clear();
}

// Under the lock.
void Mp4Recorder::EndRecording() {
    recording_ = false;
    if (file_.IsOpen() && file_.Finish() != 0) FileLogger::Write("record file could not be finished.");
    sps_.clear();
    pps_.clear();
    trackAdded_ = false;
    waitingForKey_ = true;
    firstOrder_.reset();
    time_.reset();
    gatheredTime_.reset();
    assembler_.Reset();
    order_->Reset();
    timeline_.Begin({});
}

// A unit that completes a picture belongs to the next one: the picture is taken first, with the
// parameter sets and the time it was gathered with.
void Mp4Recorder::RecordUnit(const uint8_t* unit, size_t length) {
    const bool wasGathering = assembler_.Gathering();
    const std::optional<uint32_t> pictureTime = gatheredTime_;
    const Mp4SampleAssembler::Result result = assembler_.Add(unit, length);
    if (result == Mp4SampleAssembler::Result::kPicture) {
        const bool key = assembler_.IsKey();
        assembler_.SwapSample(sample_);
        TakePicture(sample_, key, pictureTime);
    } else if (result == Mp4SampleAssembler::Result::kDropped) {
        waitingForKey_ = true;  // the pictures that follow refer to the one lost
        firstOrder_.reset();
    }
    if ((result != Mp4SampleAssembler::Result::kGathering || !wasGathering) && assembler_.Gathering()) {
        gatheredTime_ = time_;
    }
    if (!recording_) return;  // the file failed
    const int nalType = nal_unit::TypeOf(unit);
    if (nalType == nal_unit::kSps || nalType == nal_unit::kPps) {
        (nalType == nal_unit::kSps ? sps_ : pps_).assign(unit, unit + length);
        order_->TakeParameterSet(unit, static_cast<int>(length));
    }
}

void Mp4Recorder::TakePicture(std::vector<uint8_t>& sample, bool key, std::optional<uint32_t> time) {
    order_->Take(sample, key, time,
                 [this](std::vector<uint8_t>& bytes, const Mp4SampleTimeline::Picture& picture, const H264Sps* sps) {
                     TakeFrame(bytes, picture, sps);
                 });
}

// The first frame written is a key picture, the track added with it; frames before it cannot be
// decoded on their own. Frames after it in decoding order that are shown before it (the leading
// pictures of an open group, when it is not an IDR picture) may refer to frames before it: they
// are left out, until a picture begins the order anew.
void Mp4Recorder::TakeFrame(std::vector<uint8_t>& bytes, const Mp4SampleTimeline::Picture& picture,
                            const H264Sps* sps) {
    if (!recording_) return;
    if (waitingForKey_) {
        if (!picture.key || (!trackAdded_ && !AddVideoTrack(sps))) return;
        waitingForKey_ = false;
        firstOrder_ = picture.order;
    } else if (firstOrder_) {
        if (picture.restartsOrder) {
            firstOrder_.reset();
        } else if (picture.order < *firstOrder_) {
            return;
        }
    }
    timeline_.Add(bytes, picture);
    WriteReady();
}

// False while no parameter sets are known (the recording waits for the next key picture), and
// when the file refuses the track (the recording ends).
bool Mp4Recorder::AddVideoTrack(const H264Sps* sps) {
    if (sps_.empty() || pps_.empty()) return false;
    if (!file_.AddVideoTrack(width_, height_, sps_, pps_)) {
        FileLogger::Write("record track refused, record stopped.");
        EndRecording();
        return false;
    }
    Mp4SampleTimeline::StreamTiming timing;
    if (sps != nullptr) {
        timing.reorderDepth = ReorderDepth(*sps);
        timing.frameDuration = FrameDuration(*sps, kFileClockRate);
        timing.frameDurationFixed = sps->vui.fixedFrameRate;
    }
    timeline_.Begin(timing);
    trackAdded_ = true;
    return true;
}

void Mp4Recorder::WriteReady() {
    while (const Mp4SampleTimeline::Sample* sample = timeline_.Ready()) {
        const int result =
            file_.WriteSample(sample->data, sample->size, sample->key, sample->dts, sample->pts, sample->duration);
        if (result < 0) {
            FileLogger::Write("record write failed, ret %d, record stopped.", result);
            EndRecording();
            return;
        }
        timeline_.Pop();
    }
}
