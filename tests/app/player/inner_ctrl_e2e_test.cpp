// The control-bar view ("SetFunction" 6) on the loopback camera, used with the mouse: presses and
// releases reported as "oninnerCtrlCmd" (window index, command, action), stop and play swapping
// and stopping or restarting the stream, and the bar's countdowns ticked by hand.
#include "app/player/video_player_inner_ctrl.h"
#include "tests/app/analysis/analysis_session.h"

#include <gtest/gtest.h>

namespace {

using test_support::Events;
using Bar = CVideoPlayerInnerCtrl;

class ControlBarView : public test_support::AnalysisSession {
protected:
    ControlBarView() {
        Open(6);  // the picture fills the window: the up button lies at (140, 10), 40 pixels square
        bar = dynamic_cast<Bar*>(page.view());
    }
    void Tick() { test_support::TickWatchdog(page.pluginWindow()); }
    // Outside the plug-in's window.
    void PointerAway() {
        platform::testing::mouseMove(page.windows.browser(), 5, 5);
        platform::testing::pumpPendingMessages();
    }
    void MoveOver(int x, int y) {
        platform::testing::mouseMove(page.pluginWindow(), x, y);
        platform::testing::pumpPendingMessages();
    }

    Bar* bar = nullptr;
};

TEST_F(ControlBarView, ADirectionButtonReportsItsPressAndItsReleaseWhereverTheReleaseHappens) {
    ASSERT_NE(bar, nullptr);
    platform::testing::mouseDown(page.pluginWindow(), platform::testing::MouseButton::Left, 160, 30);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(Fired("oninnerCtrlCmd"), (Events{{"7", "1", "1"}}));
    EXPECT_TRUE(bar->button(Bar::kUp).pressedNow());
    platform::testing::mouseUp(page.pluginWindow(), platform::testing::MouseButton::Left, 300, 200);
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(Fired("oninnerCtrlCmd"), (Events{{"7", "1", "2"}}));
    Click(160, 30);  // released inside: nothing more than press and release
    Click(263, 44);  // zoom in, on the zoom label
    EXPECT_EQ(Fired("oninnerCtrlCmd"), (Events{{"7", "1", "1"}, {"7", "1", "2"}, {"7", "5", "1"}, {"7", "5", "2"}}));

    page.Invoke("Do3DLocation");  // a press on no button goes on to the region rectangle
    Drag(100, 100, 120, 150);
    EXPECT_EQ(Fired("oninnerCtrlCmd"), Events{});
    EXPECT_EQ(Fired("onset3DLocationParams").size(), 1u);
}

TEST_F(ControlBarView, EachDirectionAndZoomButtonReportsItsOwnCommand) {
    ASSERT_NE(bar, nullptr);
    const std::pair<Bar::Button, int> commands[] = {
        {Bar::kUp, 1}, {Bar::kDown, 2}, {Bar::kLeft, 3}, {Bar::kRight, 4}, {Bar::kZoomIn, 5}, {Bar::kZoomOut, 6},
    };
    for (const auto& [which, command] : commands) {
        const CtrlButton& button = bar->button(which);
        Click(button.x + button.normal.width / 2, button.y + button.normal.height / 2);
        const std::string code = std::to_string(command);
        EXPECT_EQ(Fired("oninnerCtrlCmd"), (Events{{"7", code, "1"}, {"7", code, "2"}})) << command;
    }
    Click(263, 15);  // the zoom label itself does nothing
    EXPECT_EQ(Fired("oninnerCtrlCmd"), Events{});
}

TEST_F(ControlBarView, StopAndPlaySwapInOnePlaceAndStopAndRestartTheStream) {
    Click(30, 30);
    EXPECT_EQ(Fired("oninnerCtrlCmd"), (Events{{"7", "8", "0"}}));
    EXPECT_FALSE(bar->playing());
    EXPECT_FALSE(bar->autoRestart());  // the watchdog leaves a stream the user stopped alone
    EXPECT_TRUE(bar->button(Bar::kPlay).shown());
    EXPECT_FALSE(bar->button(Bar::kStop).shown());
    Click(30, 30);
    EXPECT_EQ(Fired("oninnerCtrlCmd"), (Events{{"7", "7", "0"}}));
    EXPECT_TRUE(bar->playing());
    EXPECT_TRUE(bar->autoRestart());
    EXPECT_FALSE(bar->button(Bar::kPlay).shown());
    EXPECT_TRUE(bar->button(Bar::kStop).shown());
}

// The camera cannot be reached when play is clicked: the watchdog keeps trying until it can.
TEST_F(ControlBarView, APlayClickWhoseStartFailsLeavesTheViewRetrying) {
    // The stop leaves a picture in the render queue, which nothing will show or take any more.
    ASSERT_TRUE(test_support::PumpUntil([&] { return bar->renderQueueLength() > 0; }));
    Click(30, 30);  // stop
    page.Invoke("SetRtspUrl", std::string());
    Click(30, 30);  // play: no stream to open
    EXPECT_FALSE(bar->playing());
    EXPECT_TRUE(bar->autoRestart());
    page.Invoke("SetRtspUrl", camera.Url());
    for (int tick = 0; tick <= 5 && !bar->playing(); ++tick) Tick();
    EXPECT_TRUE(bar->playing());
}

TEST_F(ControlBarView, TheBarHidesFiveTicksAfterThePointerLeftUnlessItRestsOnAButton) {
    MoveOver(200, 200);
    EXPECT_EQ(bar->barCountdown(), Bar::kShownTicks);
    PointerAway();
    for (int tick = 1; tick <= 4; ++tick) Tick();
    EXPECT_EQ(bar->barCountdown(), 1);
    Tick();
    EXPECT_EQ(bar->barCountdown(), 0);

    MoveOver(160, 30);
    for (int tick = 1; tick <= 10; ++tick) Tick();
    EXPECT_GT(bar->barCountdown(), 0);
}

TEST_F(ControlBarView, AButtonHeldWhileThePointerIsAwayForFiveTicksIsLetGo) {
    MoveOver(160, 30);
    platform::testing::mouseDown(page.pluginWindow(), platform::testing::MouseButton::Left, 160, 30);
    PointerAway();
    for (int tick = 1; tick <= 4; ++tick) Tick();
    EXPECT_EQ(Fired("oninnerCtrlCmd"), (Events{{"7", "1", "1"}}));
    Tick();
    EXPECT_EQ(Fired("oninnerCtrlCmd"), (Events{{"7", "1", "2"}}));
}

TEST_F(ControlBarView, AManualRectangleGoesToThePageAsOnsetManualAnalyseParams2) {
    page.Invoke("DoManualAnalyse", 2);
    Drag(200, 180, 120, 100);
    EXPECT_EQ(Fired("onsetManualAnalyseParams2"),
              (Events{{"7",
                       "\"{\n   \"bottom\" : 180.0,\n   \"channelno\" : 2,\n   \"left\" : 120.0,\n"
                       "   \"right\" : 200.0,\n   \"top\" : 100.0\n}\n\""}}));
}

}  // namespace
