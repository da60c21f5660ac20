// The frame path without a camera: decoded pictures handed to the view, the render thread's passes
// run by the test.
#include "tests/app/player/view_test.h"

#include <gtest/gtest.h>

namespace {

using test_support::BlackPicture;

class FramePath : public test_support::ViewTest {
protected:
    FramePath() { view->SetPictureSize(32, 24, 0); }
};

TEST_F(FramePath, WronglySizedPicturesAreDroppedAndAskForOneRestartUntilItIsHandled) {
    view->SetPictureSize(1920, 1088, 8);
    for (int i = 0; i < 3; ++i) view->Decoded(1920, 1088, 1);  // the coded height, not the shown one
    EXPECT_EQ(TakePosted(kViewRestartMessage), 1);
    EXPECT_TRUE(view->QueuedFills().empty());
    EXPECT_FALSE(Send(kViewRestartMessage));  // no auto-restart: not acted upon, but answered
    view->Decoded(1920, 1090, 1);
    view->Decoded(1918, 1080, 1);
    EXPECT_EQ(TakePosted(kViewRestartMessage), 1);
    view->Decoded(1920, 1080, 7);
    EXPECT_EQ(view->QueuedFills(), (std::vector<int>{7}));
    EXPECT_EQ(TakePosted(kViewRestartMessage), 0);
}

TEST_F(FramePath, PauseKeepsThePictureDecodedAfterItUntilUnpauseAndTheLaterOfTwoPausesWins) {
    view->Decoded(10);
    EXPECT_EQ(view->Pause(), 1);
    view->Decoded(20);  // kept
    view->Decoded(30);
    view->Pause();
    view->Decoded(40);  // kept instead
    view->Decoded(50);
    EXPECT_EQ(view->Resume(), 1);
    view->Decoded(60);
    EXPECT_EQ(view->QueuedFills(), (std::vector<int>{10, 20, 20, 40, 40, 60}));
}

TEST_F(FramePath, PicturesGivenBackByEachHolderAreDecodedIntoAgainButNeverAfterTheSizeChanged) {
    const DataBuffer* first = view->Decoded(1);
    view->Decoded(2);
    ASSERT_TRUE(view->Pass());  // the render thread shows the first and gives it back
    EXPECT_EQ(view->IdlePictures(), 1u);
    EXPECT_EQ(view->Decoded(3), first);
    view->Pause();
    view->Decoded(4);
    ASSERT_NE(view->Kept(), nullptr);
    view->Resume();
    view->Decoded(5);  // gives back the pause's copy
    EXPECT_EQ(view->IdlePictures(), 1u);
    EXPECT_FALSE(Send(kViewPaintBlackMessage));  // the window's black picture is taken and given back
    EXPECT_EQ(view->IdlePictures(), 1u);
    // A restart brought another size: the pictures of the old one are freed as they come back.
    view->SetPictureSize(16, 12, 0);
    view->Decoded(9);
    while (view->renderQueueLength() > 1) ASSERT_TRUE(view->Pass());
    EXPECT_EQ(view->IdlePictures(), 0u);
    EXPECT_EQ(view->QueuedFills(), (std::vector<int>{9}));
}

TEST_F(FramePath, APassTrimsTheQueueTo24AndShowsTheSeventhOfThirtyPictures) {
    for (int fill = 1; fill <= 30; ++fill) view->Decoded(static_cast<uint8_t>(fill));
    EXPECT_TRUE(view->Pass());
    EXPECT_EQ(renderers.log->lastPicture().front(), 7);
    EXPECT_EQ(view->renderQueueLength(), 23u);
    EXPECT_TRUE(view->Pass());
    EXPECT_EQ(renderers.log->lastPicture().front(), 8);
}

TEST_F(FramePath, ALonePictureIsShown241TimesThenDroppedAndTheWindowPaintedBlack) {
    view->Decoded(90);
    view->Decoded(91);
    for (int pass = 0; pass < 100; ++pass) ASSERT_TRUE(view->Pass());  // 90 once, then 91 alone
    view->Decoded(92);                                                 // a newer picture starts the count afresh
    EXPECT_TRUE(view->Pass());
    EXPECT_EQ(renderers.log->lastPicture().front(), 91);
    const int before = renderers.log->renders();
    for (int pass = 0; pass < 241; ++pass) ASSERT_TRUE(view->Pass()) << pass;
    EXPECT_EQ(renderers.log->renders(), before + 241);
    EXPECT_EQ(renderers.log->lastPicture().front(), 92);
    EXPECT_EQ(TakePosted(kViewPaintBlackMessage), 0);

    EXPECT_FALSE(view->Pass());
    EXPECT_EQ(view->renderQueueLength(), 0u);
    EXPECT_EQ(TakePosted(kViewPaintBlackMessage), 1);
    EXPECT_FALSE(Send(kViewPaintBlackMessage));
    EXPECT_EQ(renderers.log->lastPicture(), BlackPicture(32, 24));
}

TEST_F(FramePath, EachPictureIsPresentedInTheRangeOfItsSamplesInTheWindowAndFullScreen) {
    view->Decoded(32, 24, 1, SampleRange::Full);
    view->Pass();
    EXPECT_EQ(renderers.log->lastFormat(), kRenderFormatI420FullRange);
    view->Decoded(32, 24, 2, SampleRange::Studio);
    view->Pass();  // the lone picture before it
    view->Pass();
    EXPECT_EQ(renderers.log->lastPicture().front(), 2);
    EXPECT_EQ(renderers.log->lastFormat(), kRenderFormatI420);
    view->EnterFullScreen();
    ASSERT_TRUE(view->fullScreen());
    view->Decoded(32, 24, 3, SampleRange::Full);
    view->Pass();  // the lone picture before it
    view->Pass();
    EXPECT_EQ(renderers.log->lastFormat(), kRenderFormatI420FullRange);
    EXPECT_EQ(renderers.log->lastPictureIn(view->fullScreenWindow()).front(), 3);
}

TEST_F(FramePath, TheZoomRectangleIsTheRenderersSourceInPictureCoordinates) {
    view->SetPictureSize(1280, 720, 0);
    view->SetZoomRect(true, 100, 50, 640, 360);
    view->Decoded(5);
    view->Pass();
    const auto source = renderers.log->lastSource();
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ((std::vector<LONG>{source->left, source->top, source->right, source->bottom}),
              (std::vector<LONG>{100, 50, 740, 410}));
    view->SetZoomRect(false, 0, 0, 0, 0);
    view->Pass();
    EXPECT_FALSE(renderers.log->lastSource().has_value());
}

TEST_F(FramePath, SixTicksWithAnEmptyQueueAskForARestartAndAPictureStartsTheCountAgain) {
    view->MarkPlaying(true);
    for (int tick = 1; tick <= 5; ++tick) EXPECT_FALSE(Send(WM_TIMER));
    EXPECT_EQ(TakePosted(kViewRestartMessage), 0);
    EXPECT_EQ(TakePosted(kViewPaintBlackMessage), 5);  // no render thread runs
    view->Decoded(1);
    Send(WM_TIMER);                                       // resets the count
    for (int pass = 0; pass < 242; ++pass) view->Pass();  // shown 241 times, then gone
    ASSERT_EQ(view->renderQueueLength(), 0u);
    for (int tick = 1; tick <= 5; ++tick) Send(WM_TIMER);
    EXPECT_EQ(TakePosted(kViewRestartMessage), 0);
    Send(WM_TIMER);
    EXPECT_EQ(TakePosted(kViewRestartMessage), 1);
    // Stopped, the view counts its ticks whatever it still holds: nothing more comes.
    view->MarkPlaying(false);
    view->Decoded(2);
    for (int tick = 1; tick <= 6; ++tick) Send(WM_TIMER);
    EXPECT_EQ(TakePosted(kViewRestartMessage), 1);
    // With auto-restart the request restarts playback, which fails here for want of a URL.
    view->SetAutoRestart(true);
    EXPECT_TRUE(Send(kViewRestartMessage));
    EXPECT_EQ(Logged("restart play."), 1);
}

}  // namespace
