// Time from rtsp_source_open to the first NAL unit, and to the first picture, on loopback: the
// part of a camera view's start that the RTSP source decides. Also the time rtsp_source_close
// takes while the server sends nothing (a stalled camera), which a view's stop waits for.
#include "platform/livevideo/livevideo.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <chrono>
#include <string>
#include <thread>

namespace {

using SourcePtr = std::unique_ptr<rtsp_source, decltype(&rtsp_source_free)>;

struct FirstUnitWaiter {
    std::mutex mutex;
    std::condition_variable arrived;
    bool wantPicture = false;
    bool done = false;

    static void OnData(int kind, const unsigned char* data, int length, void* self) {
        if (kind != RTSP_SOURCE_DATA_H264_NAL) return;
        auto* waiter = static_cast<FirstUnitWaiter*>(self);
        const int type = length > 0 ? (data[0] & 0x1F) : 0;
        if (waiter->wantPicture && type != 1 && type != 5) {
            return;
        }
        std::lock_guard lock(waiter->mutex);
        waiter->done = true;
        waiter->arrived.notify_all();
    }

    // False when nothing came within a bound far above any expected time.
    bool Wait() {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(10), [&] { return done; });
    }
};

// Opens and plays the camera's stream and waits for the waiter's first unit: the playing source, or
// null after marking the benchmark failed.
SourcePtr PlayUntilFirstUnit(benchmark::State& state, const std::string& url, FirstUnitWaiter& waiter) {
    SourcePtr source(rtsp_source_new(&FirstUnitWaiter::OnData, &waiter), &rtsp_source_free);
    if (rtsp_source_open(source.get(), url.c_str(), 0, 2000) != 0 || rtsp_source_play(source.get()) != 0) {
        state.SkipWithError("the loopback camera cannot be played");
    } else if (!waiter.Wait()) {
        state.SkipWithError("nothing arrived from the loopback camera");
    } else {
        return source;
    }
    return SourcePtr(nullptr, &rtsp_source_free);
}

void OpenAndWait(benchmark::State& state, bool wantPicture) {
    test_support::LoopbackRtspCameraOptions options;
    options.width = 1920;
    options.height = 1080;
    test_support::LoopbackRtspCamera camera(options);
    camera.Start();
    const std::string url = camera.Url();
    for (auto _ : state) {
        FirstUnitWaiter waiter;
        waiter.wantPicture = wantPicture;
        SourcePtr source = PlayUntilFirstUnit(state, url, waiter);
        if (!source) break;
        state.PauseTiming();
        source.reset();  // closes and frees
        state.ResumeTiming();
    }
}

void BM_RtspOpenToFirstNalUnit(benchmark::State& state) { OpenAndWait(state, false); }
BENCHMARK(BM_RtspOpenToFirstNalUnit)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RtspOpenToFirstPictureSlice(benchmark::State& state) { OpenAndWait(state, true); }
BENCHMARK(BM_RtspOpenToFirstPictureSlice)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RtspCloseWhileServerSilent(benchmark::State& state) {
    test_support::LoopbackRtspCamera camera;
    camera.Start();
    const std::string url = camera.Url();
    for (auto _ : state) {
        state.PauseTiming();
        camera.SetStalled(false);
        FirstUnitWaiter waiter;
        waiter.wantPicture = true;
        SourcePtr source = PlayUntilFirstUnit(state, url, waiter);
        if (!source) break;
        camera.SetStalled(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the source now waits on a silent socket
        state.ResumeTiming();
        rtsp_source_close(source.get());
        state.PauseTiming();
        source.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RtspCloseWhileServerSilent)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
