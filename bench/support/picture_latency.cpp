#include "bench/support/picture_latency.h"

#include "app/player/ffmpeg_owners.h"
#include "tests/support/reference_h264_decode.h"

#include <algorithm>
#include <cstring>

namespace bench_support {
namespace {

double Milliseconds(LatencyClock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

void ReportMilliseconds(benchmark::State& state, const std::string& name, const std::vector<double>& samples) {
    state.counters[name + "_median_ms"] = Percentile(samples, 0.5);
    state.counters[name + "_p90_ms"] = Percentile(samples, 0.9);
}

}  // namespace

std::vector<double> DecodeTimes(const std::vector<uint8_t>& stream) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    CodecContextPtr context(avcodec_alloc_context3(codec));
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    std::vector<double> times;
    if (!context || !packet || !frame) {
        return times;
    }
    context->thread_count = 1;  // as the player decodes
    avcodec_open2(context.get(), codec, nullptr);
    for (const std::vector<uint8_t>& picture : test_support::SplitIntoPictures(stream)) {
        av_new_packet(packet.get(), static_cast<int>(picture.size()));
        std::memcpy(packet->data, picture.data(), picture.size());
        const LatencyClock::time_point start = LatencyClock::now();
        avcodec_send_packet(context.get(), packet.get());
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            times.push_back(Milliseconds(LatencyClock::now() - start));
        }
        av_packet_unref(packet.get());
    }
    return times;
}

PictureLatencies PairPictures(const std::vector<LatencyClock::time_point>& arrivals,
                              const std::vector<LatencyClock::time_point>& out, const std::vector<double>& decodeMs,
                              size_t skipped) {
    PictureLatencies latencies;
    const size_t pictures = std::min({arrivals.size(), out.size(), decodeMs.size()});
    for (size_t i = skipped; i < pictures; ++i) {
        const double total = Milliseconds(out[i] - arrivals[i]);
        latencies.total.push_back(total);
        latencies.decode.push_back(decodeMs[i]);
        latencies.beyondDecode.push_back(total - decodeMs[i]);
    }
    return latencies;
}

void Append(PictureLatencies& to, const PictureLatencies& run) {
    to.total.insert(to.total.end(), run.total.begin(), run.total.end());
    to.decode.insert(to.decode.end(), run.decode.begin(), run.decode.end());
    to.beyondDecode.insert(to.beyondDecode.end(), run.beyondDecode.begin(), run.beyondDecode.end());
}

double Percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) {
        return 0;
    }
    const size_t rank = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    std::nth_element(samples.begin(), samples.begin() + static_cast<long>(rank), samples.end());
    return samples[rank];
}

void Report(benchmark::State& state, const std::string& outName, const PictureLatencies& latencies) {
    ReportMilliseconds(state, "arrival_to_" + outName, latencies.total);
    ReportMilliseconds(state, "decode", latencies.decode);
    ReportMilliseconds(state, "beyond_decode", latencies.beyondDecode);
    state.counters["pictures"] = static_cast<double>(latencies.total.size());
}

}  // namespace bench_support
