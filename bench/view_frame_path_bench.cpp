// The camera view's frame path at 1080p 25 fps from the loopback camera (run as its own program, so
// that its encoder's memory and threads are not the view's):
// - the whole path's throughput (NAL units in, through the view's intake, decoder, frame commands,
//   overlays and render queue, with its render thread presenting) against FFmpeg decoding the same
//   pictures alone, in interleaved rounds (see BM_FramePathAgainstFfmpeg1080p);
// - decode, overlay (on-screen display and status records of a preview view) and presentation time
//   per picture, each on its own;
// - "StartPlay" to the first picture presented, against FFmpeg's own time from opening the same
//   stream to its first decoded picture;
// - the resident memory a playing 1080p view adds to the process.
//
// Run on a quiet machine with, for instance:
//   build/bin/view_frame_path_bench --benchmark_filter=AgainstFfmpeg
// and tell the load it ran under (uptime) beside the figures.
#include "bench/decoding_passes.h"
#include "bench/support/grain_file.h"
#include "bench/support/interleaved_rounds.h"
#include "bench/support/process_figures.h"
#include "bench/support/renderer_tap.h"
#include "app/player/preview_player.h"
#include "app/player/renderer_choice_testing.h"
#include "app/render/video_renderers.h"
#include "host/plugin_window_win.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/test_windows.h"
#include "tests/support/annexb_splitter.h"
#include "tests/support/device_records.h"
#include "tests/support/loopback_camera_program.h"
#include "tests/support/reference_h264_decode.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kCapturedPictures = 100;  // four seconds of the camera's stream

// What the loopback camera serves at 1080p 25 fps: its live test pattern (a ball on black, cheap to
// decode), or a file with camera-like grain at a camera's bit rate (6 Mbit/s), which costs about
// what a real camera's pictures cost to decode.
enum CameraSource { kTestPattern = 0, kCameraGrain = 1 };

// The loopback camera program serving the source, started on first use; its URL, or empty.
const std::string& CameraUrl(CameraSource source = kTestPattern) {
    static std::unique_ptr<test_support::LoopbackCameraProgram> cameras[2];
    static std::string urls[2];
    if (!cameras[source]) {
        std::vector<std::string> options{"--size", "1920x1080", "--device-port", "0"};
        if (source == kCameraGrain) options = {"--file", bench_support::GrainFile(250).string(), "--device-port", "0"};
        cameras[source] = std::make_unique<test_support::LoopbackCameraProgram>(options);
        const std::string rest = cameras[source]->LineAfter("rtsp://");
        if (!rest.empty()) urls[source] = "rtsp://" + rest;
    }
    return urls[source];
}

// The camera's stream as its NAL units arrive at the RTSP source, from the first key picture on.
struct CapturedStream {
    std::vector<test_support::NalUnit> units;
    std::vector<std::vector<uint8_t>> pictures;  // the same stream cut into whole pictures
    std::vector<uint8_t> annexB;
    int pictureCount = 0;
};

struct Capture {
    static void OnUnit(int type, const unsigned char* data, int length, void* user) {
        auto* capture = static_cast<Capture*>(user);
        if (type != RTSP_SOURCE_DATA_H264_NAL || length <= 0) return;
        test_support::NalUnit unit(data, data + length);
        std::lock_guard<std::mutex> hold(capture->lock);
        // From the parameter sets of the first key picture on, so that every picture decodes and
        // the stream can be played again and again from its start.
        if (capture->stream.units.empty()) {
            const int kind = test_support::NalType(unit);
            if (kind == 7) capture->sps = unit;
            if (kind == 8) capture->pps = unit;
            if (kind != 5 || capture->sps.empty() || capture->pps.empty()) return;
            capture->stream.units = {capture->sps, capture->pps};
        }
        if (bench::StartsPicture(unit) && ++capture->stream.pictureCount > kCapturedPictures) {
            capture->done.notify_all();
            return;
        }
        if (capture->stream.pictureCount > kCapturedPictures) return;
        capture->stream.units.push_back(std::move(unit));
    }
    std::mutex lock;
    std::condition_variable done;
    CapturedStream stream;
    test_support::NalUnit sps;
    test_support::NalUnit pps;
};

CapturedStream CaptureCamera(CameraSource camera) {
    Capture capture;
    rtsp_source* source = rtsp_source_new(&Capture::OnUnit, &capture);
    if (rtsp_source_open(source, CameraUrl(camera).c_str(), 0, 2000) == 0 && rtsp_source_play(source) == 0) {
        std::unique_lock<std::mutex> hold(capture.lock);
        capture.done.wait_for(hold, std::chrono::seconds(20),
                              [&] { return capture.stream.pictureCount > kCapturedPictures; });
    }
    rtsp_source_close(source);
    rtsp_source_free(source);
    CapturedStream stream = std::move(capture.stream);
    stream.pictureCount = std::min(stream.pictureCount, kCapturedPictures);
    const uint8_t startCode[] = {0, 0, 0, 1};
    for (const auto& unit : stream.units) {
        stream.annexB.insert(stream.annexB.end(), startCode, startCode + 4);
        stream.annexB.insert(stream.annexB.end(), unit.begin(), unit.end());
    }
    stream.pictures = test_support::SplitIntoPictures(stream.annexB);
    return stream;
}

const CapturedStream& Camera1080p(CameraSource source = kTestPattern) {
    static const CapturedStream captured[2] = {CaptureCamera(kTestPattern), CaptureCamera(kCameraGrain)};
    return captured[source];
}

bool Usable(benchmark::State& state, const CapturedStream& stream) {
    if (stream.pictureCount >= kCapturedPictures / 2) return true;
    state.SkipWithError("the loopback camera's stream could not be captured");
    return false;
}

// A preview view whose frame path the benchmark starts without an RTSP source and feeds itself,
// with the camera's on-screen display and status records to draw into every picture.
class PathView : public CPreviewPlayer {
public:
    explicit PathView(FB::PluginWindow* window) : CPreviewPlayer(nullptr, window) {
        const std::string osd = test_support::encodeOsdRecord("Loopback camera");
        OnDeviceMessage(1, osd.data(), static_cast<int>(osd.size()));
        test_support::StatusLine line{200, 30, 40, {{100, 100}, {900, 100}, {900, 500}, {100, 500}}};
        const std::string shortSet = test_support::encodeLineSet(2, {line});
        const std::string lineSet = test_support::encodeLineSet(3, {line, line});
        const std::string figures = test_support::encodeFigureSet(
            {line}, {test_support::StatusLabel{255, 255, 0, 300, 300, "\xB3\xB5\xB5\xC0 1"}});
        OnDeviceMessage(2, shortSet.data(), static_cast<int>(shortSet.size()));
        OnDeviceMessage(3, lineSet.data(), static_cast<int>(lineSet.size()));
        OnDeviceMessage(4, figures.data(), static_cast<int>(figures.size()));
    }
    ~PathView() override { EndViewThreads(); }

    // What Start does once the first SPS is in, with the benchmark as the stream.
    bool StartWithoutSource(const test_support::NalUnit& sps) {
        ResetStreamFormat();
        TakeNalUnit(sps.data(), static_cast<int>(sps.size()));
        if (InitWindowRenderer() < 0 || decoder_.Open(&CVideoPlayer::OnDecodedFrame, this) != 0) return false;
        InitOverlay();
        StartRenderThread();
        BeginPlaying();
        return true;
    }
    void Feed(const test_support::NalUnit& unit) {
        CVideoPlayer::OnRtspData(RTSP_SOURCE_DATA_H264_NAL, unit.data(), static_cast<int>(unit.size()), this);
    }
    // The overlays of one picture, as the decode thread draws them.
    void Overlay(DataBuffer* picture) {
        playing_ = true;
        width_ = kWidth;
        height_ = kHeight;
        LockFrame();
        currentFrame_ = picture;
        CPreviewPlayer::DrawOverlay();
        currentFrame_ = nullptr;
        UnlockFrame();
        playing_ = false;
    }

    // Counts the pictures on their way into the render queue.
    void DrawOverlay() override {
        CPreviewPlayer::DrawOverlay();
        queued_.Count();
    }
    void WaitForAtLeast(int count) { queued_.WaitForAtLeast(count); }
    int count() { return queued_.count(); }

private:
    bench::CountingSink queued_;
};

struct PluginWindowFor {
    explicit PluginWindowFor(int width, int height) : windows(width, height) {}
    test_support::BrowserWindows windows;
    FB::PluginWindowWin window{FB::WindowContextWindowed(windows.plugin())};
};

// The whole path for about a side's time: one view, fed the stream again and again as a camera
// feeds it (a few pictures ahead of what has been queued, so that no bound drops one), timed from
// the first unit to the last picture queued, without the view's own start and end. No pictures
// when one was lost.
bench_support::Side RunWholePath(const CapturedStream& stream, FB::PluginWindow* window) {
    PathView view(window);
    if (!view.StartWithoutSource(stream.units.front())) return {};
    int begun = 0;
    const auto start = Clock::now();
    do {
        for (const test_support::NalUnit& unit : stream.units) {
            if (bench::StartsPicture(unit)) view.WaitForAtLeast(++begun - 4);
            view.Feed(unit);
        }
    } while (Clock::now() - start < bench_support::kSideTime);
    view.Feed(test_support::NalUnit{0x09, 0x10});  // an access-unit delimiter closes the last picture
    view.WaitForAtLeast(begun);
    const bench_support::Side side{view.count(), std::chrono::duration<double>(Clock::now() - start).count()};
    return side.pictures == begun ? side : bench_support::Side{};
}

// The whole path against FFmpeg decoding the same pictures alone on one thread, in interleaved
// rounds (bench/support/interleaved_rounds.h): "ratio" is FFmpeg's time per picture over the
// path's, the median of the rounds; 1.0 is parity.
void BM_FramePathAgainstFfmpeg1080p(benchmark::State& state) {
    const CapturedStream& stream = Camera1080p(static_cast<CameraSource>(state.range(0)));
    if (!Usable(state, stream)) return;
    av_log_set_level(AV_LOG_QUIET);  // the stream's parameter sets come as pictures of their own
    PluginWindowFor plugin(960, 540);
    bench_support::InterleavedRounds rounds;
    for (auto _ : state) {
        const bool ran = rounds.Run(
            state, [&] { return RunWholePath(stream, &plugin.window); },
            [&] { return bench_support::RunForSideTime([&] { return bench::DecodeWithFfmpeg(stream.pictures); }); });
        if (!ran) return;
    }
    rounds.Report(state);
}
BENCHMARK(BM_FramePathAgainstFfmpeg1080p)
    ->ArgName("grain")
    ->Arg(kTestPattern)
    ->Arg(kCameraGrain)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

// Time per picture: FFmpeg decoding alone, and the view's decoder (queue, decode thread, picture
// assembly, packed copy-out), each over the captured pictures.
void BM_FfmpegDecodePerPicture1080p(benchmark::State& state) {
    const CapturedStream& stream = Camera1080p(static_cast<CameraSource>(state.range(0)));
    if (!Usable(state, stream)) return;
    for (auto _ : state) benchmark::DoNotOptimize(bench::DecodeWithFfmpeg(stream.pictures));
    state.SetItemsProcessed(state.iterations() * stream.pictureCount);
}
BENCHMARK(BM_FfmpegDecodePerPicture1080p)
    ->ArgName("grain")
    ->Arg(kTestPattern)
    ->Arg(kCameraGrain)
    ->Unit(benchmark::kMillisecond);

void BM_DecodePerPicture1080p(benchmark::State& state) {
    const CapturedStream& stream = Camera1080p(static_cast<CameraSource>(state.range(0)));
    if (!Usable(state, stream)) return;
    for (auto _ : state) bench::DecodeWithPlayerDecoder(stream.units, stream.pictureCount - 1);
    state.SetItemsProcessed(state.iterations() * stream.pictureCount);
}
BENCHMARK(BM_DecodePerPicture1080p)
    ->ArgName("grain")
    ->Arg(kTestPattern)
    ->Arg(kCameraGrain)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One decoded picture of the camera, packed I420.
std::vector<uint8_t> CameraPicture() {
    av_log_set_level(AV_LOG_QUIET);  // the captured stream begins and ends mid-picture
    const auto decoded = test_support::DecodeH264Reference(Camera1080p().annexB);
    return decoded.pictures.empty() ? std::vector<uint8_t>(kWidth * kHeight * 3 / 2, 16) : decoded.pictures.back();
}

void BM_OverlayPerPicture1080p(benchmark::State& state) {
    PluginWindowFor plugin(960, 540);
    PathView view(&plugin.window);
    const std::vector<uint8_t> camera = CameraPicture();
    OwnedDataBuffer picture(AllocDataBuffer(static_cast<int32_t>(camera.size())));
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(picture->data, camera.data(), camera.size());
        state.ResumeTiming();
        view.Overlay(picture.get());
    }
}
BENCHMARK(BM_OverlayPerPicture1080p)->Unit(benchmark::kMicrosecond);

// Presentation of one 1080p picture into the plug-in window (arg 0: 960 x 540) or full screen
// (arg 1: 1920 x 1080), through DirectDraw and through GDI.
template <std::unique_ptr<VideoRenderBase> (*Make)()>
void BM_PresentPerPicture1080p(benchmark::State& state) {
    const bool fullScreen = state.range(0) == 1;
    test_support::BrowserWindows windows(fullScreen ? 1920 : 960, fullScreen ? 1080 : 540);
    std::unique_ptr<VideoRenderBase> renderer = Make();
    const std::vector<uint8_t> picture = CameraPicture();
    if (renderer->Init(windows.plugin(), kWidth, kHeight, kRenderFormatI420) != 0) {
        state.SkipWithError("the renderer did not start");
        return;
    }
    for (auto _ : state) {
        renderer->Render(picture.data(), static_cast<int>(picture.size()), kRenderFormatI420, nullptr);
    }
}
BENCHMARK(BM_PresentPerPicture1080p<MakeDDrawRenderer>)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PresentPerPicture1080p<MakeGdiRenderer>)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The real renderer, noting when the render thread first presents a picture.
class FirstPresentationClock : public bench_support::RendererTap {
public:
    static inline std::atomic<bool> presented{false};
    static inline std::atomic<Clock::rep> at{0};

    using RendererTap::RendererTap;
    int Render(const unsigned char* data, int length, int format, const RECT* source) override {
        const int shown = RenderForReal(data, length, format, source);
        // The main thread does not pump while it waits: every presentation is the render thread's.
        if (!presented.exchange(true)) at = Clock::now().time_since_epoch().count();
        return shown;
    }
};

void BM_StartPlayToFirstPicture1080p(benchmark::State& state) {
    if (CameraUrl().empty()) return state.SkipWithError("the loopback camera did not start");
    SetRendererFactoryForTesting([](RendererKind kind) { return std::make_unique<FirstPresentationClock>(kind); });
    for (auto _ : state) {
        test_support::PluginInstance page(960, 540);
        page.Invoke("SetFunction", 0);
        page.Invoke("SetRtspUrl", CameraUrl());
        FirstPresentationClock::presented = false;
        const auto start = Clock::now();
        if (page.Call("StartPlay") != 0) return state.SkipWithError("StartPlay failed");
        while (!FirstPresentationClock::presented && Clock::now() - start < std::chrono::seconds(10)) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const Clock::time_point first{Clock::duration(FirstPresentationClock::at.load())};
        state.SetIterationTime(std::chrono::duration<double>(first - start).count());
    }
    SetRendererFactoryForTesting({});
}
BENCHMARK(BM_StartPlayToFirstPicture1080p)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

struct FormatContextCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

// FFmpeg on its own: open the RTSP stream over TCP, decode until the first picture comes out.
void BM_FfmpegOpenToFirstPicture1080p(benchmark::State& state) {
    if (CameraUrl().empty()) return state.SkipWithError("the loopback camera did not start");
    for (auto _ : state) {
        const auto start = Clock::now();
        AVDictionary* options = nullptr;
        av_dict_set(&options, "rtsp_transport", "tcp", 0);
        AVFormatContext* opened = nullptr;
        const int result = avformat_open_input(&opened, CameraUrl().c_str(), nullptr, &options);
        av_dict_free(&options);
        if (result < 0) return state.SkipWithError("FFmpeg could not open the stream");
        std::unique_ptr<AVFormatContext, FormatContextCloser> format(opened);
        const int video = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
        CodecContextPtr context(avcodec_alloc_context3(codec));
        avcodec_parameters_to_context(context.get(), format->streams[video]->codecpar);
        context->thread_count = 1;
        avcodec_open2(context.get(), codec, nullptr);
        PacketPtr packet(av_packet_alloc());
        FramePtr frame(av_frame_alloc());
        bool decoded = false;
        while (!decoded && av_read_frame(format.get(), packet.get()) >= 0) {
            if (packet->stream_index == video) avcodec_send_packet(context.get(), packet.get());
            av_packet_unref(packet.get());
            decoded = avcodec_receive_frame(context.get(), frame.get()) == 0;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_FfmpegOpenToFirstPicture1080p)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

// What one playing 1080p preview view adds to the process, after five seconds of playing.
void BM_ResidentMemoryOfAPlaying1080pView(benchmark::State& state) {
    if (CameraUrl().empty()) return state.SkipWithError("the loopback camera did not start");
    for (auto _ : state) {
        test_support::PluginInstance page(960, 540);
        malloc_trim(0);
        const double before = bench_support::ResidentMegabytes();
        page.Invoke("SetFunction", 0);
        page.Invoke("SetRtspUrl", CameraUrl());
        if (page.Call("StartPlay") != 0) return state.SkipWithError("StartPlay failed");
        double peak = 0;
        for (int second = 0; second < 5; ++second) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            peak = std::max(peak, bench_support::ResidentMegabytes() - before);
        }
        state.counters["view_mb"] = bench_support::ResidentMegabytes() - before;
        state.counters["view_peak_mb"] = peak;
        state.counters["process_mb"] = bench_support::ResidentMegabytes();
    }
}
BENCHMARK(BM_ResidentMemoryOfAPlaying1080pView)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
