// Starting a view on the loopback camera: what arrives between starts cannot sway the next one,
// and what arrives while a start sets up is not lost.
#include "tests/app/player/view_test.h"
#include "tests/support/annexb_splitter.h"
#include "tests/support/h264_stream_generator.h"
#include "tests/support/loopback_rtsp_camera.h"

#include <gtest/gtest.h>

namespace {

using test_support::LoopbackRtspCamera;
using test_support::LoopbackRtspCameraOptions;
using test_support::PumpUntil;
using namespace std::chrono_literals;

class ViewStart : public test_support::ViewTest {};

TEST_F(ViewStart, AnSpsArrivingBetweenStartsNeitherEndsTheNextWaitNorGivesItsSize) {
    std::vector<uint8_t> stale;
    for (const auto& unit :
         test_support::SplitAnnexB(test_support::MakeH264Stream(test_support::StreamOptions(1280, 720, 1, "main")))) {
        if (test_support::NalType(unit) == 7) stale = unit;
    }
    ASSERT_FALSE(stale.empty());
    // A unit of an earlier stream, delivered after its start gave up.
    CVideoPlayer::OnRtspData(RTSP_SOURCE_DATA_H264_NAL, stale.data(), static_cast<int>(stale.size()), view.get());
    LoopbackRtspCamera camera;
    camera.Start();
    view->SetUrl(camera.Url());
    EXPECT_EQ(view->Start(), 0);
    EXPECT_EQ((std::vector<int>{view->width(), view->height(), view->cropRows()}), (std::vector<int>{320, 240, 0}));
    EXPECT_TRUE(PumpUntil([&] { return renderers.log->lastPicture().size() == 320u * 240 * 3 / 2; }));
}

// A camera that sends its parameter sets only in the stream sends the key frame right behind its
// SPS, while the start is still setting up. With ten seconds between key frames, a start that
// dropped it would show nothing for seconds.
TEST_F(ViewStart, TheKeyFrameThatFollowsTheSpsIsShownWithoutWaitingForTheNextOne) {
    LoopbackRtspCameraOptions sparse;
    sparse.keyFrameInterval = 250;
    sparse.parameterSetsInSessionDescription = false;
    LoopbackRtspCamera camera(sparse);
    camera.Start();
    view->SetUrl(camera.Url());
    ASSERT_EQ(view->Start(), 0);
    EXPECT_TRUE(PumpUntil([&] { return renderers.log->lastPicture().size() == 320u * 240 * 3 / 2; }, 4s));
    EXPECT_EQ(view->Stop(), 0);
    EXPECT_EQ(view->Stop(), 0);
}

}  // namespace
