// A wall of cameras: N camera views (1, 4, 9, 16) in one process, each a plug-in instance made and
// started through the scripting object as a page does ("SetFunction" 0, "SetRtspUrl",
// "StartPlay"), each playing its own session of the camera-like 1080p 25 fps stream
// (bench/support/grain_file.h) from one loopback camera program, into a 480 x 270 plug-in window.
// After a few seconds of playing, it counts over the measured time, for all views together:
// - "sent": pictures that reached the views' RTSP sources (each closed by its delimiter);
// - "presented": pictures the render threads handed to their renderers (a picture shown again
//   while no newer one came counts once); "presented_pct" of those sent;
// - "painted": presented pictures that the renderer drew into the window;
// - "presentations_per_picture": renderer calls per presented picture, repeats included;
// - "cpu_per_view": CPU time of the process (every thread: RTSP intake, decoders, render threads,
//   the main thread) over the wall time, in cores, divided by N;
// - "rss_per_view_mb": resident memory the N playing views added to the process, divided by N, and
//   "process_mb" the process's whole resident memory while they play (memory that a process keeps
//   from one view to the next, as a cache shared by every view would, is counted only there);
// - "queued_per_view": pictures waiting in a view's render queue, the mean of a sample every 10 ms
//   (each holds a picture's memory: a render thread that falls behind makes the memory grow);
// - "load1": the machine's one-minute load average at the end, to read the figures by.
//
// Run on a quiet machine with, for instance:
//   build/bin/view_scale_bench                          (20 s measured per N)
//   VELTRIN_SCALE_SECONDS=60 build/bin/view_scale_bench --benchmark_filter='views:16'
#include "app/player/renderer_choice_testing.h"
#include "app/player/video_player.h"
#include "bench/support/grain_file.h"
#include "bench/support/process_figures.h"
#include "bench/support/renderer_tap.h"
#include "platform/livevideo/livevideo.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/support/loopback_camera_program.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWarmUpSeconds = 3;
constexpr int kFramesPerSecond = 25;

int MeasuredSeconds() {
    const char* text = std::getenv("VELTRIN_SCALE_SECONDS");
    const int seconds = text ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 20;
}

// Counts of all views together; each only ever grows.
struct Counts {
    std::atomic<long> sent{0};
    std::atomic<long> presented{0};
    std::atomic<long> painted{0};
    std::atomic<long> presentations{0};
};
Counts counts;

// What the RTSP source library hands to a view, counted on its way there (the program links with
// -Wl,--wrap=rtsp_source_new, so every source made comes from here).
struct CountedSource {
    rtsp_source_callback callback = nullptr;
    void* user = nullptr;
};

void CountAndHandOn(int type, const unsigned char* data, int length, void* user) {
    auto* source = static_cast<CountedSource*>(user);
    constexpr int kAccessUnitDelimiter = 9;
    if (type == RTSP_SOURCE_DATA_H264_NAL && length > 0 && (data[0] & 0x1F) == kAccessUnitDelimiter) ++counts.sent;
    source->callback(type, data, length, source->user);
}

// The real renderer, counting the pictures the render thread presents. A picture stays at one
// address from its first presentation to its last, and the render thread frees it only once a newer
// one waits, so a call with another address than the call before brings another picture.
class CountingRenderer : public bench_support::RendererTap {
public:
    using RendererTap::RendererTap;
    int Render(const unsigned char* data, int length, int format, const RECT* source) override {
        const int shown = RenderForReal(data, length, format, source);
        if (std::this_thread::get_id() == mainThread) return shown;  // the window's black picture
        ++counts.presentations;
        if (data != last_) {
            ++counts.presented;
            if (shown > 0) ++counts.painted;
            last_ = data;
        }
        return shown;
    }

    static inline std::thread::id mainThread;

private:
    const unsigned char* last_ = nullptr;  // render thread only
};

const std::string& CameraUrl() {
    static std::unique_ptr<test_support::LoopbackCameraProgram> camera;
    static std::string url;
    if (!camera) {
        // Long enough for the slowest start of sixteen views, the warm-up and the measured time.
        const int pictures = (kWarmUpSeconds + MeasuredSeconds() + 20) * kFramesPerSecond;
        const std::filesystem::path file = bench_support::GrainFile(pictures);
        if (file.empty()) return url;
        camera = std::make_unique<test_support::LoopbackCameraProgram>(
            std::vector<std::string>{"--file", file.string(), "--device-port", "0"});
        const std::string rest = camera->LineAfter("rtsp://");
        if (!rest.empty()) url = "rtsp://" + rest;
    }
    return url;
}

using Pages = std::vector<std::unique_ptr<test_support::PluginInstance>>;

// Plays on as a browser's main thread does: pumping its messages, for the time given. Answers the
// mean length of the pages' render queues.
double PlayFor(std::chrono::seconds time, const Pages& pages = {}) {
    const auto end = Clock::now() + time;
    double queued = 0;
    long samples = 0;
    while (Clock::now() < end) {
        test_support::TestBrowserHost::pump();
        for (const auto& page : pages)
            queued += static_cast<double>(page->view() ? page->view()->renderQueueLength() : 0);
        samples += static_cast<long>(pages.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return samples > 0 ? queued / static_cast<double>(samples) : 0;
}

struct Snapshot {
    long sent = counts.sent;
    long presented = counts.presented;
    long painted = counts.painted;
    long presentations = counts.presentations;
    double cpu = bench_support::CpuSeconds();
    Clock::time_point at = Clock::now();
};

// One view played for a moment and closed before anything is measured, so that what the process
// makes once (libraries, the RTSP client's set-up, the font) is not counted as the first views'.
bool PlayedOnce() {
    static const bool played = [] {
        test_support::PluginInstance page(480, 270);
        if (page.Play(CameraUrl()) != 0) return false;
        PlayFor(std::chrono::seconds(2));
        return true;
    }();
    return played;
}

void BM_ViewsOf1080pCameras(benchmark::State& state) {
    if (CameraUrl().empty()) return state.SkipWithError("the loopback camera did not start");
    const int views = static_cast<int>(state.range(0));
    CountingRenderer::mainThread = std::this_thread::get_id();
    SetRendererFactoryForTesting([](RendererKind kind) { return std::make_unique<CountingRenderer>(kind); });
    if (!PlayedOnce()) {
        SetRendererFactoryForTesting({});
        return state.SkipWithError("StartPlay failed");
    }
    for (auto _ : state) {
        malloc_trim(0);
        const double residentBefore = bench_support::ResidentMegabytes();
        Pages pages;
        for (int i = 0; i < views; ++i) {
            pages.push_back(std::make_unique<test_support::PluginInstance>(480, 270));
            if (pages.back()->Play(CameraUrl()) != 0) {
                SetRendererFactoryForTesting({});
                return state.SkipWithError("StartPlay failed");
            }
        }
        PlayFor(std::chrono::seconds(kWarmUpSeconds));
        const Snapshot before;
        const double queued = PlayFor(std::chrono::seconds(MeasuredSeconds()), pages);
        const Snapshot after;
        const double wall = std::chrono::duration<double>(after.at - before.at).count();
        const double sent = static_cast<double>(after.sent - before.sent);
        const double presented = static_cast<double>(after.presented - before.presented);
        state.counters["sent"] = sent;
        state.counters["presented"] = presented;
        state.counters["presented_pct"] = sent > 0 ? 100 * presented / sent : 0;
        state.counters["painted"] = static_cast<double>(after.painted - before.painted);
        state.counters["presentations_per_picture"] =
            presented > 0 ? static_cast<double>(after.presentations - before.presentations) / presented : 0;
        state.counters["cpu_per_view"] = (after.cpu - before.cpu) / wall / views;
        state.counters["rss_per_view_mb"] = (bench_support::ResidentMegabytes() - residentBefore) / views;
        state.counters["process_mb"] = bench_support::ResidentMegabytes();
        state.counters["queued_per_view"] = queued;
        state.counters["load1"] = bench_support::LoadAverage();
        pages.clear();
    }
    SetRendererFactoryForTesting({});
}
BENCHMARK(BM_ViewsOf1080pCameras)
    ->ArgName("views")
    ->Arg(1)
    ->Arg(4)
    ->Arg(9)
    ->Arg(16)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace

// What the linker puts in place of rtsp_source_new (--wrap), and the library's own function.
extern "C" rtsp_source* __real_rtsp_source_new(rtsp_source_callback callback, void* user_data);
extern "C" rtsp_source* __wrap_rtsp_source_new(rtsp_source_callback callback, void* user_data) {
    if (callback == nullptr) return __real_rtsp_source_new(callback, user_data);
    static std::mutex lock;
    static std::vector<std::unique_ptr<CountedSource>> sources;  // kept: a source may call until it is freed
    std::lock_guard<std::mutex> hold(lock);
    sources.push_back(std::make_unique<CountedSource>(CountedSource{callback, user_data}));
    return __real_rtsp_source_new(&CountAndHandOn, sources.back().get());
}
