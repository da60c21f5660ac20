// Latency from a picture's arrival at the RTSP source (its last RTP packet handed to the source's
// socket) to the player's H.264 decoder delivering it (the frame callback), beyond the picture's
// own decode time: what the source and the decoder's whole-picture assembly add by waiting. 1080p at
// 25 fps from the loopback camera, through the RTP arrival tap; the NAL units go to the decoder the
// way a camera view hands them on (each behind a start code).
//
// Counters: "beyond_decode" (the latency less the decode time), "decode" (the picture's decode time,
// measured by decoding the same pictures again on one thread afterwards) and "arrival_to_decoded"
// (the two together), each as median and 90th percentile in milliseconds. The first second is left
// out: the camera's first pictures come in a burst. Pictures of one slice and of four.
//
// A benchmark of another stage (the picture presented) takes the arrivals from the same tap, the
// times its pictures come out and the stream's decode times to bench_support::PairPictures.
#include "app/player/data_buffer.h"
#include "app/player/h264_decoder.h"
#include "bench/support/latency_camera.h"
#include "bench/support/picture_latency.h"
#include "bench/support/rtp_arrival_tap.h"
#include "platform/livevideo/livevideo.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using Clock = bench_support::LatencyClock;
using SourcePtr = std::unique_ptr<rtsp_source, decltype(&rtsp_source_free)>;

constexpr int kFramesPerSecond = 25;
constexpr size_t kSkipped = kFramesPerSecond;  // the first second
constexpr size_t kMeasured = 6 * kFramesPerSecond;

// The receiving end of a camera view up to its decoder: NAL units in, decoded pictures out.
class DecodingReceiver {
public:
    DecodingReceiver() { decoder_.Open(&DecodingReceiver::OnPicture, this); }
    ~DecodingReceiver() { decoder_.Close(); }

    static void OnNalUnit(int type, const unsigned char* data, int length, void* self) {
        auto* receiver = static_cast<DecodingReceiver*>(self);
        if (type != RTSP_SOURCE_DATA_H264_NAL || length <= 0) {
            return;
        }
        OwnedDataBuffer packet(AllocDataBuffer(length + 4));
        if (!packet) {
            return;
        }
        static constexpr uint8_t kStartCode[] = {0, 0, 0, 1};
        std::memcpy(packet->data, kStartCode, 4);
        std::memcpy(packet->data + 4, data, static_cast<size_t>(length));
        receiver->stream_.insert(receiver->stream_.end(), packet->data, packet->data + packet->length);
        receiver->decoder_.PushPacket(packet.release());
    }

    // False when fewer pictures came within a bound far above the expected time.
    bool WaitForPictures(size_t count) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::seconds(30), [&] { return delivered_.size() >= count; });
    }

    // Stops the decoder; called once the source is closed, after which Stream() may be read.
    void Stop() { decoder_.Close(); }
    const std::vector<uint8_t>& Stream() const { return stream_; }
    std::vector<Clock::time_point> Delivered() {
        std::lock_guard lock(mutex_);
        return delivered_;
    }

private:
    static void OnPicture(DataBuffer* picture, int, int, SampleRange, void* self) {
        const Clock::time_point now = Clock::now();
        ReleaseDataBuffer(picture);
        auto* receiver = static_cast<DecodingReceiver*>(self);
        std::lock_guard lock(receiver->mutex_);
        receiver->delivered_.push_back(now);
        receiver->arrived_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Clock::time_point> delivered_;
    std::vector<uint8_t> stream_;  // the source's thread only, until the source is closed
    H264Decoder decoder_;
};

void BM_RtspArrivalToDecodedPicture(benchmark::State& state) {
    test_support::LoopbackRtspCamera camera(
        bench_support::Camera1080p(kFramesPerSecond, static_cast<int>(state.range(0))));
    camera.Start();
    bench_support::PictureLatencies latencies;
    for (auto _ : state) {
        bench_support::RtpArrivalTap tap(camera.Url());
        DecodingReceiver receiver;
        SourcePtr source(rtsp_source_new(&DecodingReceiver::OnNalUnit, &receiver), &rtsp_source_free);
        if (rtsp_source_open(source.get(), tap.Url().c_str(), 0, 2000) != 0 || rtsp_source_play(source.get()) != 0) {
            state.SkipWithError("the loopback camera cannot be played");
            break;
        }
        const bool complete = receiver.WaitForPictures(kSkipped + kMeasured);
        source.reset();
        receiver.Stop();
        if (!complete) {
            state.SkipWithError("too few pictures arrived");
            break;
        }
        // The camera starts with a key frame and nothing is dropped at this rate: pictures arrive
        // and are decoded in order, one for one.
        bench_support::Append(latencies,
                              bench_support::PairPictures(tap.PictureArrivals(), receiver.Delivered(),
                                                          bench_support::DecodeTimes(receiver.Stream()), kSkipped));
    }
    bench_support::Report(state, "decoded", latencies);
}
BENCHMARK(BM_RtspArrivalToDecodedPicture)
    ->ArgName("slices")
    ->Arg(1)
    ->Arg(4)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
