// Decode throughput of the player's H.264 decoder (queue, decode thread, whole-picture assembly,
// packed I420 copy-out) on a 1080p stream, against FFmpeg decoding the same pictures on one thread.

#include "bench/decoding_passes.h"
#include "bench/support/interleaved_rounds.h"

#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/reference_h264_decode.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace {

constexpr int kFrames = 40;

struct BenchStream {
    std::vector<test_support::NalUnit> units;
    std::vector<std::vector<uint8_t>> pictures;  // the same stream cut into whole pictures
};

const BenchStream& StreamWithSlices(int slices) {
    static std::map<int, BenchStream> streams;
    auto found = streams.find(slices);
    if (found == streams.end()) {
        const std::string params =
            "bframes=0:bitrate=6000:vbv-maxrate=6000:vbv-bufsize=6000:slices=" + std::to_string(slices);
        // Grain at a camera-like bit rate (6 Mbit/s) makes the pictures cost about what a real
        // camera's cost to decode.
        test_support::H264StreamOptions options = test_support::StreamOptions(1920, 1080, kFrames, "main", params);
        options.filter = "noise=alls=12:allf=t";
        const std::vector<uint8_t> bytes = test_support::MakeH264Stream(options);
        BenchStream stream{test_support::SplitAnnexB(bytes), test_support::SplitIntoPictures(bytes)};
        found = streams.emplace(slices, std::move(stream)).first;
    }
    return found->second;
}

void BM_FfmpegSingleThreadDecode1080p(benchmark::State& state) {
    const BenchStream& stream = StreamWithSlices(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench::DecodeWithFfmpeg(stream.pictures));
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(stream.pictures.size()), benchmark::Counter::kIsIterationInvariantRate);
}

// The decoder against FFmpeg alone on the same pictures, in interleaved rounds
// (bench/support/interleaved_rounds.h): "ratio" is FFmpeg's time per picture over the decoder's.
void BM_H264Decoder1080p(benchmark::State& state) {
    const BenchStream& stream = StreamWithSlices(static_cast<int>(state.range(0)));
    const int pictures = static_cast<int>(stream.pictures.size());
    bench_support::InterleavedRounds rounds;
    for (auto _ : state) {
        const bool ran = rounds.Run(
            state,
            [&] {
                return bench_support::RunForSideTime([&] {
                    bench::DecodeWithPlayerDecoder(stream.units, pictures);
                    return pictures;
                });
            },
            [&] { return bench_support::RunForSideTime([&] { return bench::DecodeWithFfmpeg(stream.pictures); }); });
        if (!ran) return;
    }
    rounds.Report(state);
}

// Holds the decode thread inside the frame callback from the first picture on, until released.
class StallingSink {
public:
    static void OnPicture(DataBuffer* picture, int, int, SampleRange, void* user) {
        ReleaseDataBuffer(picture);
        auto* sink = static_cast<StallingSink*>(user);
        std::unique_lock<std::mutex> guard(sink->mutex_);
        sink->stalled_ = true;
        sink->changed_.notify_all();
        sink->changed_.wait(guard, [sink] { return sink->released_; });
    }
    void WaitUntilStalled() {
        std::unique_lock<std::mutex> guard(mutex_);
        changed_.wait(guard, [this] { return stalled_; });
    }
    void Release() {
        std::lock_guard<std::mutex> guard(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stalled_ = false;
    bool released_ = false;
};

// The RTSP thread's side of a decoder that has fallen behind: every push finds the queue full and
// drops the oldest packet. Counts the packet's own allocation, as the camera view makes one per
// NAL unit.
void BM_PushPacketWhileDecodeStalls(benchmark::State& state) {
    const test_support::H264StreamOptions options = test_support::StreamOptions(160, 128, 2, "baseline");
    const std::vector<test_support::NalUnit> units = test_support::SplitAnnexB(test_support::MakeH264Stream(options));
    StallingSink sink;
    H264Decoder decoder;
    decoder.Open(&StallingSink::OnPicture, &sink);
    for (const test_support::NalUnit& unit : units) {
        decoder.PushPacket(bench::PacketOf(unit));
    }
    decoder.PushPacket(bench::PacketOf({0x0B}));
    sink.WaitUntilStalled();
    const test_support::NalUnit filler(64, 0x0C);
    for (auto _ : state) {
        decoder.PushPacket(bench::PacketOf(filler));
    }
    sink.Release();
    decoder.Close();
}

BENCHMARK(BM_PushPacketWhileDecodeStalls);
BENCHMARK(BM_FfmpegSingleThreadDecode1080p)
    ->Arg(1)
    ->Arg(4)
    ->ArgName("slices")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_H264Decoder1080p)->Arg(1)->Arg(4)->ArgName("slices")->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
