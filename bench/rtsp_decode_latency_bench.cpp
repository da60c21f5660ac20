// Latency from a picture's arrival at the RTSP source (its last RTP packet handed to the source's
// socket) to the player's H.264 decoder delivering it (the frame callback), beyond the picture's
// own decode time: what the source and the decoder's whole-picture assembly add by waiting. 1080p at
// 25 fps from the loopback camera, through the RTP arrival tap; the NAL units go to the decoder the
// way a camera view hands them on (each behind a start code).
//
// Counters: "beyond_decode" (the latency less the decode time), "decode" (the picture's decode time,
// measured by decoding the same pictures again on one thread afterwards) and "arrival_to_decoded"
// (the two together), each as median and 90th percentile in milliseconds. The first second is left
// out: the camera's first pictures come in a burst.
#include "app/player/data_buffer.h"
#include "app/player/ffmpeg_owners.h"
#include "app/player/h264_decoder.h"
#include "bench/support/latency_summary.h"
#include "bench/support/rtp_arrival_tap.h"
#include "platform/livevideo/livevideo.h"
#include "tests/support/loopback_rtsp_camera.h"
#include "tests/support/reference_h264_decode.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using SourcePtr = std::unique_ptr<rtsp_source, decltype(&rtsp_source_free)>;

constexpr int kFramesPerSecond = 25;
constexpr size_t kSkipped = kFramesPerSecond;    // the first second
constexpr size_t kMeasured = 6 * kFramesPerSecond;

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// The receiving end of a camera view up to its decoder: NAL units in, decoded pictures out.
class DecodingReceiver {
public:
    DecodingReceiver() { decoder_.Open(&DecodingReceiver::OnPicture, this); }
    ~DecodingReceiver() { decoder_.Close(); }

    static void OnNalUnit(int type, const unsigned char* data, int length, void* self)
    {
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
    bool WaitForPictures(size_t count)
    {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::seconds(30), [&] { return delivered_.size() >= count; });
    }

    // Call once the source is closed and the decoder stopped.
    void Stop() { decoder_.Close(); }
    const std::vector<uint8_t>& Stream() const { return stream_; }
    std::vector<Clock::time_point> Delivered()
    {
        std::lock_guard lock(mutex_);
        return delivered_;
    }

private:
    static void OnPicture(DataBuffer* picture, int, int, void* self)
    {
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

// The time one thread takes to decode each picture of the stream, in milliseconds.
std::vector<double> DecodeTimes(const std::vector<uint8_t>& stream)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    CodecContextPtr context(avcodec_alloc_context3(codec));
    context->thread_count = 1;
    avcodec_open2(context.get(), codec, nullptr);
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    std::vector<double> times;
    for (const std::vector<uint8_t>& picture : test_support::SplitIntoPictures(stream)) {
        av_new_packet(packet.get(), static_cast<int>(picture.size()));
        std::memcpy(packet->data, picture.data(), picture.size());
        const Clock::time_point start = Clock::now();
        avcodec_send_packet(context.get(), packet.get());
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            times.push_back(Milliseconds(Clock::now() - start));
        }
        av_packet_unref(packet.get());
    }
    return times;
}

void BM_RtspArrivalToDecodedPicture(benchmark::State& state)
{
    test_support::LoopbackRtspCameraOptions options;
    options.width = 1920;
    options.height = 1080;
    options.framesPerSecond = kFramesPerSecond;
    test_support::LoopbackRtspCamera camera(options);
    camera.Start();
    std::vector<double> beyondDecode, decode, total;
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
        // Pictures arrive and are decoded in order, one for one: the camera starts with a key
        // frame and nothing is dropped at this rate.
        const std::vector<Clock::time_point> arrivals = tap.PictureArrivals();
        const std::vector<Clock::time_point> delivered = receiver.Delivered();
        const std::vector<double> decodeTimes = DecodeTimes(receiver.Stream());
        const size_t pictures = std::min({arrivals.size(), delivered.size(), decodeTimes.size()});
        for (size_t i = kSkipped; i < pictures; ++i) {
            const double latency = Milliseconds(delivered[i] - arrivals[i]);
            total.push_back(latency);
            decode.push_back(decodeTimes[i]);
            beyondDecode.push_back(latency - decodeTimes[i]);
        }
    }
    bench_support::ReportMilliseconds(state, "beyond_decode", beyondDecode);
    bench_support::ReportMilliseconds(state, "decode", decode);
    bench_support::ReportMilliseconds(state, "arrival_to_decoded", total);
    state.counters["pictures"] = static_cast<double>(total.size());
}
BENCHMARK(BM_RtspArrivalToDecodedPicture)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
