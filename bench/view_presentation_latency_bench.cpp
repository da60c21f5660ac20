// Latency from a picture's arrival at the RTSP source (its last RTP packet handed to the source's
// socket, through the RTP arrival tap) to a playing camera view handing it to its renderer's
// Render, beyond the picture's own decode time: what the source, the view's decoder hand-off, the
// render queue and the render thread add by waiting. A preview view made and started by name
// through the scripting object, 1080p at 25 fps from the loopback camera, the plug-in window
// 960 x 540, through the DirectDraw renderer (gdi:0) or the GDI renderer (gdi:1).
//
// Counters, median and 90th percentile in milliseconds: "arrival_to_presented", "decode" (the
// picture decoded again on one thread afterwards, from the stream the view received) and
// "beyond_decode" (the aim: under one frame interval, 40 ms, at the median). Where the time goes:
// - "source": from the arrival to the source handing the picture's closing delimiter to the view;
// - "view": from there to Render, less the decode time (decoder queue, overlays, render queue and
//   the render thread's passes);
// - "last_repeat": the render thread's call just before the picture's first Render, which shows
//   the picture before it one more time, and "repeat_after_arrival" the share of pictures for which
//   that call began only after the picture was handed to the view, so that it waited for it;
// - "pause": from the end of that call to the picture's Render: the render thread's pause;
// - "present": the picture's own Render.
// "not_presented": pictures that arrived while "StartPlay" was still starting (the view drops
// them); they are left out, as is the first second presented.
//
// A presented picture is told from the one before it by its buffer: consecutive Render calls of
// one picture pass the same bytes, and a picture's buffer is freed only once a newer one waits.
// Pictures are paired from the last one back: the camera is stalled at the end, so the last
// picture that arrived is the last one presented, and none is dropped in between at this rate.
#include "app/player/renderer_choice_testing.h"
#include "bench/support/latency_camera.h"
#include "bench/support/picture_latency.h"
#include "bench/support/renderer_tap.h"
#include "bench/support/rtp_arrival_tap.h"
#include "bench/support/rtsp_source_recorder.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = bench_support::LatencyClock;

constexpr int kFramesPerSecond = 25;
constexpr size_t kSkipped = kFramesPerSecond;  // the first second presented
constexpr size_t kMeasured = 6 * kFramesPerSecond;
// After the stall, long enough for the last picture to be presented, well short of the render
// thread giving it up (240 passes).
constexpr auto kSettle = std::chrono::milliseconds(300);

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

struct RenderCall {
    const unsigned char* picture;
    Clock::time_point start;
    Clock::time_point end;
};

// A picture's first Render, and the call just before it, if any.
struct Presentation {
    RenderCall call;
    std::optional<RenderCall> before;
};

// Every Render call of the views' renderers, in order.
class RenderLog {
public:
    void Add(const RenderCall& call) {
        std::lock_guard lock(mutex_);
        if (calls_.empty() || calls_.back().picture != call.picture) ++pictures_;
        calls_.push_back(call);
    }
    size_t Pictures() {
        std::lock_guard lock(mutex_);
        return pictures_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
        pictures_ = 0;
    }
    std::vector<Presentation> Presentations() {
        std::lock_guard lock(mutex_);
        std::vector<Presentation> presentations;
        for (size_t i = 0; i < calls_.size(); ++i) {
            if (i == 0) {
                presentations.push_back({calls_[i], std::nullopt});
            } else if (calls_[i].picture != calls_[i - 1].picture) {
                presentations.push_back({calls_[i], calls_[i - 1]});
            }
        }
        return presentations;
    }

private:
    std::mutex mutex_;
    std::vector<RenderCall> calls_;
    size_t pictures_ = 0;
};

// The real renderer of the benchmark's kind, timing each Render.
class TimedRenderer : public bench_support::RendererTap {
public:
    TimedRenderer(RendererKind kind, std::shared_ptr<RenderLog> log) : RendererTap(kind), log_(std::move(log)) {}
    int Render(const unsigned char* data, int length, int format, const RECT* source) override {
        const Clock::time_point start = Clock::now();
        const int shown = RenderForReal(data, length, format, source);
        log_->Add({data, start, Clock::now()});
        return shown;
    }

private:
    std::shared_ptr<RenderLog> log_;
};

// Where the time beyond decoding goes, per picture.
struct Breakdown {
    std::vector<double> source;
    std::vector<double> view;
    std::vector<double> lastRepeat;
    std::vector<double> pause;
    std::vector<double> present;
    size_t repeatsAfterArrival = 0;
    size_t notPresented = 0;
};

// One run: arrivals and what the source handed on from the first picture, presentations from the
// first one the view showed; the two lists end with the same picture.
struct Run {
    std::vector<Clock::time_point> arrivals;
    bench_support::RecordedSource recorded;
    std::vector<Presentation> presented;
};

void AddBreakdown(Breakdown& breakdown, const Run& run, const std::vector<double>& decodeMs) {
    const size_t offset = run.arrivals.size() - run.presented.size();
    breakdown.notPresented += offset;
    for (size_t j = kSkipped; j < run.presented.size(); ++j) {
        const size_t i = offset + j;
        if (i >= run.recorded.picturesHandedOn.size() || i >= decodeMs.size()) break;
        const Presentation& shown = run.presented[j];
        const Clock::time_point handedOn = run.recorded.picturesHandedOn[i];
        breakdown.source.push_back(Milliseconds(handedOn - run.arrivals[i]));
        breakdown.view.push_back(Milliseconds(shown.call.start - handedOn) - decodeMs[i]);
        breakdown.present.push_back(Milliseconds(shown.call.end - shown.call.start));
        if (shown.before) {
            breakdown.lastRepeat.push_back(Milliseconds(shown.before->end - shown.before->start));
            breakdown.pause.push_back(Milliseconds(shown.call.start - shown.before->end));
            breakdown.repeatsAfterArrival += shown.before->start >= handedOn ? 1 : 0;
        }
    }
}

void ReportBreakdown(benchmark::State& state, const Breakdown& breakdown) {
    const auto report = [&](const char* name, const std::vector<double>& samples) {
        state.counters[std::string(name) + "_median_ms"] = bench_support::Percentile(samples, 0.5);
        state.counters[std::string(name) + "_p90_ms"] = bench_support::Percentile(samples, 0.9);
    };
    report("source", breakdown.source);
    report("view", breakdown.view);
    report("last_repeat", breakdown.lastRepeat);
    report("pause", breakdown.pause);
    report("present", breakdown.present);
    state.counters["repeat_after_arrival"] =
        breakdown.lastRepeat.empty()
            ? 0.0
            : static_cast<double>(breakdown.repeatsAfterArrival) / static_cast<double>(breakdown.lastRepeat.size());
    state.counters["not_presented"] = static_cast<double>(breakdown.notPresented);
}

// Plays the camera through the tap in a preview view until enough pictures were presented, then
// stalls the camera and lets the last picture through. Empty when the view did not play.
std::optional<Run> PlayOnce(test_support::LoopbackRtspCamera& camera, RenderLog& log) {
    bench_support::RtpArrivalTap tap(camera.Url());
    bench_support::ResetRecordedSource();
    log.Clear();
    Run run;
    {
        test_support::PluginInstance page(960, 540);
        if (page.Play(tap.Url()) != 0) return std::nullopt;
        const Clock::time_point start = Clock::now();
        while (log.Pictures() < kSkipped + kMeasured && Clock::now() - start < std::chrono::seconds(30)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        camera.SetStalled(true);
        std::this_thread::sleep_for(kSettle);
        // Before "StopPlay", which paints the window black.
        run.presented = log.Presentations();
        page.Call("StopPlay");
    }
    camera.SetStalled(false);
    run.arrivals = tap.PictureArrivals();
    run.recorded = bench_support::RecordedSourceSoFar();
    if (run.presented.size() < kSkipped + kMeasured || run.arrivals.size() < run.presented.size()) {
        return std::nullopt;
    }
    return run;
}

void BM_RtspArrivalToPresentedPicture(benchmark::State& state) {
    const RendererKind kind = state.range(0) != 0 ? RendererKind::Gdi : RendererKind::DirectDraw;
    test_support::LoopbackRtspCamera camera(
        bench_support::Camera1080p(kFramesPerSecond, static_cast<int>(state.range(1))));
    camera.Start();
    const auto log = std::make_shared<RenderLog>();
    SetRendererFactoryForTesting([log, kind](RendererKind) { return std::make_unique<TimedRenderer>(kind, log); });
    bench_support::PictureLatencies latencies;
    Breakdown breakdown;
    for (auto _ : state) {
        const std::optional<Run> run = PlayOnce(camera, *log);
        if (!run) {
            state.SkipWithError("the view did not play the loopback camera through");
            break;
        }
        const size_t offset = run->arrivals.size() - run->presented.size();
        const std::vector<double> decodeMs = bench_support::DecodeTimes(run->recorded.stream);
        std::vector<Clock::time_point> presentedAt;
        for (const Presentation& shown : run->presented) presentedAt.push_back(shown.call.start);
        const std::vector<Clock::time_point> arrivals(run->arrivals.begin() + static_cast<long>(offset),
                                                      run->arrivals.end());
        const std::vector<double> decodes(decodeMs.begin() + static_cast<long>(std::min(offset, decodeMs.size())),
                                          decodeMs.end());
        bench_support::Append(latencies, bench_support::PairPictures(arrivals, presentedAt, decodes, kSkipped));
        AddBreakdown(breakdown, *run, decodeMs);
    }
    SetRendererFactoryForTesting({});
    bench_support::Report(state, "presented", latencies);
    ReportBreakdown(state, breakdown);
}
BENCHMARK(BM_RtspArrivalToPresentedPicture)
    ->ArgNames({"gdi", "slices"})
    ->Args({0, 1})
    ->Args({0, 4})
    ->Args({1, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
