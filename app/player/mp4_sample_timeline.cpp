#include "app/player/mp4_sample_timeline.h"

#include "app/util/sps_timing.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int64_t kRtpClockRate = 90000;
// A camera whose clock jumps (a restart, a new day) keeps the pace it had.
constexpr int64_t kLongestRtpStep = 10 * kRtpClockRate;

}  // namespace

void Mp4SampleTimeline::Begin(const StreamTiming& timing) {
    timing_ = timing;
    reorderDepth_ = std::clamp(timing.reorderDepth, 0, kMaxReorderDepth);
    first_ = 0;
    count_ = 0;
    firstIndex_ = 0;
    shownCount_ = 0;
    lastShownPts_ = 0;
    lastShownRtp_.reset();
    step_ = timing.frameDuration.value_or(kDefaultFrameDuration);
    firstStep_ = step_;
    finishing_ = false;
}

void Mp4SampleTimeline::Add(std::vector<uint8_t>& bytes, const Picture& picture) {
    // The owner writes what is ready after every picture, so that no more than the reorder depth
    // and a few pictures are ever held.
    if (count_ == kCapacity) return;
    if (picture.restartsOrder) ShowAll();
    Entry& entry = At(count_);
    entry.bytes.swap(bytes);
    bytes.clear();
    entry.picture = picture;
    entry.shown = false;
    ++count_;
    size_t waiting = 0;
    for (size_t i = 0; i < count_; ++i) waiting += At(i).shown ? 0 : 1;
    for (; waiting > static_cast<size_t>(reorderDepth_); --waiting) ShowNext();
    // A stream whose oldest picture never comes first in order: it is shown now rather than held
    // for ever.
    while (count_ > static_cast<size_t>(reorderDepth_) + 2 && !At(0).shown) Show(At(0));
}

void Mp4SampleTimeline::Finish() {
    finishing_ = true;
    ShowAll();
}

const Mp4SampleTimeline::Sample* Mp4SampleTimeline::Ready() {
    if (count_ == 0 || !At(0).shown) return nullptr;
    const Entry& entry = At(0);
    const std::optional<int64_t> dts = DecodingTime(firstIndex_);
    std::optional<int64_t> next = DecodingTime(firstIndex_ + 1);
    if (!dts) return nullptr;
    if (!next) {
        if (!finishing_) return nullptr;
        next = *dts + step_;
    }
    ready_.data = entry.bytes.data();
    ready_.size = entry.bytes.size();
    ready_.key = entry.picture.key;
    ready_.dts = *dts;
    // Never before its decoding time, which a muxer would refuse.
    ready_.pts = std::max(entry.pts, *dts);
    ready_.duration = std::max<int64_t>(*next - *dts, 1);
    return &ready_;
}

void Mp4SampleTimeline::Pop() {
    if (count_ == 0) return;
    first_ = (first_ + 1) % kCapacity;
    --count_;
    ++firstIndex_;
}

// The waiting picture first in order (the earliest decoded among equals).
void Mp4SampleTimeline::ShowNext() {
    Entry* next = nullptr;
    for (size_t i = 0; i < count_; ++i) {
        Entry& entry = At(i);
        if (!entry.shown && (next == nullptr || entry.picture.order < next->picture.order)) next = &entry;
    }
    if (next != nullptr) Show(*next);
}

void Mp4SampleTimeline::ShowAll() {
    for (size_t i = 0; i < count_; ++i) ShowNext();
}

void Mp4SampleTimeline::Show(Entry& entry) {
    const int64_t n = shownCount_++;
    entry.pts = n == 0 ? reorderDepth_ * firstStep_ : lastShownPts_ + StepFrom(entry);
    entry.shown = true;
    slotTimes_[static_cast<size_t>(n) % kSlotTimes] = entry.pts;
    lastShownPts_ = entry.pts;
    lastShownRtp_ = entry.picture.rtpTime;
}

// The time from the picture shown last to this one.
int64_t Mp4SampleTimeline::StepFrom(const Entry& entry) {
    if (timing_.frameDuration && timing_.frameDurationFixed) return *timing_.frameDuration;
    if (lastShownRtp_ && entry.picture.rtpTime) {
        const int64_t step = static_cast<int32_t>(*entry.picture.rtpTime - *lastShownRtp_);
        if (step > 0 && step <= kLongestRtpStep) step_ = step;
    }
    return step_;
}

// P(k - R); the first R pictures are decoded one first step apart before P(0) = R steps.
std::optional<int64_t> Mp4SampleTimeline::DecodingTime(int64_t decodeIndex) const {
    if (decodeIndex < reorderDepth_) return decodeIndex * firstStep_;
    const int64_t slot = decodeIndex - reorderDepth_;
    if (slot >= shownCount_) return std::nullopt;
    return slotTimes_[static_cast<size_t>(slot) % kSlotTimes];
}
