// A recording takes the camera's stream as it comes: the units held for a recording to begin with,
// the pictures gathered, put in order and timed. The input is a run of NAL units, each a 16-bit
// length and its bytes; a length of 0 is followed by a picture time (4 bytes). Halfway the held
// units are replayed into a recording, as a recording that starts then does.
#include "app/player/key_picture_cache.h"
#include "app/player/mp4_sample_assembler.h"
#include "app/player/mp4_sample_timeline.h"
#include "app/player/recorded_picture_order.h"
#include "app/util/sps_timing.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct Recording {
    Mp4SampleAssembler assembler{1 << 16};
    std::unique_ptr<RecordedPictureOrder> order = std::make_unique<RecordedPictureOrder>();
    Mp4SampleTimeline timeline;
    std::vector<uint8_t> sample;
    std::optional<uint32_t> time;
    bool begun = false;
    int64_t lastDts = -1;

    void Drain() {
        while (const Mp4SampleTimeline::Sample* ready = timeline.Ready()) {
            if (ready->dts <= lastDts || ready->pts < ready->dts || ready->duration < 1) __builtin_trap();
            lastDts = ready->dts;
            timeline.Pop();
        }
        if (timeline.held() > 18) __builtin_trap();
    }

    void Frame(std::vector<uint8_t>& bytes, const Mp4SampleTimeline::Picture& picture, const H264Sps* sps) {
        if (!begun) {
            Mp4SampleTimeline::StreamTiming timing;
            if (sps != nullptr) {
                timing.reorderDepth = ReorderDepth(*sps);
                timing.frameDuration = FrameDuration(*sps, 90000);
                timing.frameDurationFixed = sps->vui.fixedFrameRate;
            }
            timeline.Begin(timing);
            begun = true;
        }
        timeline.Add(bytes, picture);
        Drain();
    }

    void Unit(const uint8_t* unit, size_t length) {
        const auto result = assembler.Add(unit, length);
        if (result == Mp4SampleAssembler::Result::kPicture) {
            const bool key = assembler.IsKey();
            assembler.SwapSample(sample);
            order->Take(sample, key, time,
                        [this](auto& bytes, const auto& picture, const H264Sps* sps) { Frame(bytes, picture, sps); });
        }
        if (length > 0 && ((unit[0] & 0x1F) == 7 || (unit[0] & 0x1F) == 8)) {
            order->TakeParameterSet(unit, static_cast<int>(length));
        }
    }

    void Finish() {
        order->Finish([this](auto& bytes, const auto& picture, const H264Sps* sps) { Frame(bytes, picture, sps); });
        timeline.Finish();
        Drain();
        if (timeline.held() != 0) __builtin_trap();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KeyPictureCache held(2048);
    Recording recording;
    bool recording_started = false;
    for (size_t at = 0; size - at >= 2;) {
        const size_t length = static_cast<size_t>(data[at]) << 8 | data[at + 1];
        at += 2;
        if (!recording_started && at >= size / 2) {
            recording_started = true;
            recording.order->TakeParameterSet(held.Sps().data(), static_cast<int>(held.Sps().size()));
            recording.order->TakeParameterSet(held.Pps().data(), static_cast<int>(held.Pps().size()));
            held.Replay([&](KeyPictureCache::Kind kind, const uint8_t* bytes, size_t count) {
                if (kind == KeyPictureCache::Kind::kTime) {
                    if (count != 4) __builtin_trap();
                    uint32_t time = 0;
                    std::memcpy(&time, bytes, sizeof time);
                    recording.time = time;
                } else {
                    recording.Unit(bytes, count);
                }
            });
        }
        if (length == 0) {
            if (size - at < 4) break;
            const uint32_t time =
                uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 | data[at + 2] << 8 | data[at + 3];
            held.TakeTime(time);
            if (recording_started) recording.time = time;
            at += 4;
            continue;
        }
        const size_t unit = length < size - at ? length : size - at;
        held.TakeUnit(data + at, unit);
        if (recording_started) recording.Unit(data + at, unit);
        at += unit;
    }
    recording.Finish();
    return 0;
}
