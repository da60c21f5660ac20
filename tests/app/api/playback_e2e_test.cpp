// Playing the loopback camera through the scripting object, as a page does: the picture reaches
// the plug-in window, every start code comes out, the renderer falls back, the URL can change,
// the picture can be paused.
#include "app/player/video_player.h"
#include "platform/ddraw/ddraw_testing.h"
#include "tests/app/support/machine_test.h"
#include "tests/app/support/plugin_instance.h"
#include "tests/app/support/recording_renderer.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {
// While set, this process has no H.264 decoder, as with an FFmpeg built without one.
std::atomic<bool> withoutH264Decoder{false};
}  // namespace

extern "C" const AVCodec* avcodec_find_decoder(enum AVCodecID id) {
    using Find = const AVCodec* (*)(enum AVCodecID);
    static const auto library = reinterpret_cast<Find>(dlsym(RTLD_NEXT, "avcodec_find_decoder"));
    return withoutH264Decoder && id == AV_CODEC_ID_H264 ? nullptr : library(id);
}

namespace {

using test_support::LoopbackRtspCamera;
using test_support::LoopbackRtspCameraOptions;
using test_support::PluginInstance;
using test_support::PumpUntil;
using test_support::ScopedRecordingRenderers;
using namespace std::chrono_literals;

class Playback : public test_support::MachineTest {};

TEST_F(Playback, StartPlayShowsTheCameraPictureAndStopPlayPaintsTheWindowBlack) {
    LoopbackRtspCamera camera;
    camera.Start();
    PluginInstance page;
    EXPECT_TRUE(test_support::ShowsBlack(page.pluginWindow()));  // the new view paints its window black
    EXPECT_EQ(page.Play(camera.Url()), 0);
    EXPECT_TRUE(page.view()->autoRestart());
    EXPECT_EQ((std::vector<int>{page.view()->width(), page.view()->shownHeight()}), (std::vector<int>{320, 240}));
    EXPECT_TRUE(PumpUntil([&] { return test_support::ShowsCameraPicture(page.pluginWindow()); }));
    EXPECT_EQ(page.Call("StartPlay"), 0);  // already playing

    EXPECT_EQ(page.Call("StopPlay"), 0);
    EXPECT_FALSE(page.view()->playing());
    EXPECT_FALSE(page.view()->autoRestart());
    test_support::TickWatchdog(page.pluginWindow());  // no render thread runs: the tick asks for black
    EXPECT_TRUE(test_support::ShowsBlack(page.pluginWindow()));
    EXPECT_EQ(Logged("use ddraw render."), 1);
    EXPECT_EQ(Logged("api init."), 1);
}

TEST_F(Playback, StartPlayAnswersEveryCodeOfTheViewAndLeavesNothingOpenOnFailure) {
    PluginInstance windowless(320, 240, false);
    EXPECT_EQ(windowless.Call("StartPlay"), -1);  // no view
    windowless.Invoke("SetFunction", 0);
    windowless.Invoke("SetRtspUrl", "rtsp://127.0.0.1:1/live");
    EXPECT_EQ(windowless.Call("StartPlay"), -1);  // a view without a window

    PluginInstance page;
    page.Invoke("SetFunction", 0);
    EXPECT_EQ(page.Call("StartPlay"), -2);  // no URL
    page.Invoke("SetRtspUrl", "rtsp://127.0.0.1:1/live");
    EXPECT_EQ(page.Call("StartPlay"), -3);  // nothing listens there
    EXPECT_FALSE(page.view()->autoRestart());

    LoopbackRtspCameraOptions withheld;
    withheld.parameterSetsInSessionDescription = false;
    withheld.parameterSetsInBand = false;
    LoopbackRtspCamera silent(withheld);
    silent.Start();
    page.Invoke("SetRtspUrl", silent.Url());
    EXPECT_EQ(page.Call("StartPlay"), -4);  // no SPS within 5 s
    EXPECT_FALSE(page.view()->playing());
    EXPECT_TRUE(PumpUntil([&] { return silent.LiveSessions() == 0; }));  // the source was closed

    LoopbackRtspCamera camera;
    camera.Start();
    page.Invoke("SetRtspUrl", camera.Url());
    withoutH264Decoder = true;
    EXPECT_EQ(page.Call("StartPlay"), -6);  // no decoder
    withoutH264Decoder = false;
    EXPECT_FALSE(page.view()->playing());
    EXPECT_FALSE(page.view()->autoRestart());
    EXPECT_TRUE(PumpUntil([&] { return camera.LiveSessions() == 0; }));
    EXPECT_EQ(page.Call("StartPlay"), 0);
}

TEST_F(Playback, AFailingDirectDrawFallsBackToGdiAndFailingGdiGivesItsCodeLess5000) {
    LoopbackRtspCamera camera;
    camera.Start();
    {
        platform::testing::setDirectDrawCallFails(platform::testing::DirectDrawCall::Create, true);
        PluginInstance page;
        EXPECT_EQ(page.Play(camera.Url()), 0);
        platform::testing::resetDirectDrawFailures();
        EXPECT_EQ(Logged("render initialization failed, ret -2, use gdi render now."), 1);
        EXPECT_TRUE(PumpUntil([&] { return test_support::ShowsCameraPicture(page.pluginWindow()); }));
    }
    ScopedRecordingRenderers renderers;
    renderers.log->initResults[RendererKind::DirectDraw] = -3;
    renderers.log->initResults[RendererKind::Gdi] = -2;
    PluginInstance page;
    EXPECT_EQ(page.Play(camera.Url()), -5002);
    EXPECT_FALSE(page.view()->playing());
    EXPECT_TRUE(PumpUntil([&] { return camera.LiveSessions() == 0; }));  // the source was closed
}

TEST_F(Playback, TheSameUrlKeepsPlayingAndANewUrlRestartsAt640By360) {
    ScopedRecordingRenderers renderers(true);
    LoopbackRtspCamera first;
    first.Start();
    LoopbackRtspCameraOptions wide;
    wide.width = 640;
    wide.height = 360;  // coded 368 high
    LoopbackRtspCamera second(wide);
    second.Start();
    PluginInstance page(320, 180);
    ASSERT_EQ(page.Play(first.Url()), 0);
    page.Invoke("SetRtspUrl", first.Url());
    EXPECT_EQ(renderers.log->initCalls().size(), 1u);
    EXPECT_TRUE(page.view()->playing());

    page.Invoke("SetRtspUrl", second.Url());
    EXPECT_TRUE(page.view()->playing());
    ASSERT_EQ(renderers.log->initCalls().size(), 2u);
    EXPECT_EQ(renderers.log->initCalls()[1].height, 360);
    EXPECT_EQ((std::vector<int>{page.view()->width(), page.view()->height(), page.view()->cropRows()}),
              (std::vector<int>{640, 368, 8}));
    const int rendered = renderers.log->renders();
    EXPECT_TRUE(PumpUntil([&] { return renderers.log->renders() > rendered + 10; }));
    EXPECT_EQ(renderers.log->lastPicture().size(), 640u * 360 * 3 / 2);
    EXPECT_TRUE(PumpUntil([&] { return test_support::ShowsCameraPicture(page.pluginWindow()); }));
    EXPECT_TRUE(PumpUntil([&] { return first.LiveSessions() == 0; }));
}

TEST_F(Playback, PausePlayFreezesThePictureAndUnpausePlayReleasesIt) {
    ScopedRecordingRenderers renderers;
    LoopbackRtspCamera camera;
    camera.Start();
    PluginInstance page;
    ASSERT_EQ(page.Play(camera.Url()), 0);
    // The ball moves from one picture to the next.
    auto changesWithin = [&](std::chrono::milliseconds time) {
        const std::vector<uint8_t> before = renderers.log->lastPicture();
        return PumpUntil([&] { return renderers.log->lastPicture() != before; }, time);
    };
    ASSERT_TRUE(changesWithin(5s));

    EXPECT_EQ(page.Call("pausePlay"), 1);
    // Pictures decoded before the command may still wait in the render queue (a loaded machine
    // presents late): the picture must settle, a playing stream changes every 40 ms.
    bool frozen = false;
    for (const auto until = std::chrono::steady_clock::now() + 5s; !frozen && std::chrono::steady_clock::now() < until;)
        frozen = !changesWithin(400ms);
    EXPECT_TRUE(frozen);
    EXPECT_EQ(page.Call("unpausePlay"), 1);
    EXPECT_TRUE(changesWithin(5s));
}

}  // namespace
