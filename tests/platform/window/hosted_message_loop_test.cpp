// A thread's window messages run from another program's event loop: the program is woken from the
// loop's own thread when something is due (a post, a send, a paint, a timer), once until it pumps,
// and pumps on the hosting thread.
#include "platform/window/win_message_host.h"
#include "window_test_support.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

using namespace windowtest;
using namespace std::chrono_literals;
using platform::embedding::HostedMessageLoop;

namespace {

// The program's side: counts wake-ups, which come from the loop's own thread.
class WakeCounter {
public:
    HostedMessageLoop::Wakeup wakeup() {
        return [this] {
            std::lock_guard<std::mutex> hold(lock_);
            ++count_;
            wakerIsHost_ = wakerIsHost_ || std::this_thread::get_id() == host_;
            changed_.notify_all();
        };
    }
    // Waits until the count reaches at least `count`; false when it did not within the time.
    bool waitFor(int count, std::chrono::milliseconds limit = 5s) {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, limit, [&] { return count_ >= count; });
    }
    int count() {
        std::lock_guard<std::mutex> hold(lock_);
        return count_;
    }
    bool wakerWasHost() {
        std::lock_guard<std::mutex> hold(lock_);
        return wakerIsHost_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    int count_ = 0;
    bool wakerIsHost_ = false;
    const std::thread::id host_ = std::this_thread::get_id();
};

class HostedLoop : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        platform::testing::setTimersFollowClock(true);
        window = create(0);  // not shown: no paint of its own to wake the host
    }

    WakeCounter wakes;
    HWND window = nullptr;
};

TEST_F(HostedLoop, PostsFromAnotherThreadWakeTheHostOnceUntilItPumpsOnItsOwnThread) {
    HostedMessageLoop loop(wakes.wakeup());
    std::thread poster([&] {
        PostMessageW(window, WM_USER + 1, 0, 0);
        PostMessageW(window, WM_USER + 2, 0, 0);
    });
    poster.join();
    ASSERT_TRUE(wakes.waitFor(1));
    EXPECT_FALSE(wakes.waitFor(2, 50ms));  // nothing pumped yet: no second wake-up
    EXPECT_FALSE(wakes.wakerWasHost());
    EXPECT_TRUE(receivedOf(window).empty());

    EXPECT_EQ(loop.pumpDue(), 2);
    ASSERT_EQ(receivedOf(window).size(), 2u);
    EXPECT_EQ(receivedOf(window)[0].thread, GetCurrentThreadId());
    EXPECT_FALSE(wakes.waitFor(2, 50ms));  // all handled: the loop sleeps

    PostMessageW(window, WM_USER + 3, 0, 0);
    EXPECT_TRUE(wakes.waitFor(2));
}

TEST_F(HostedLoop, WhatIsLeftOverThePumpLimitWakesTheHostAgain) {
    HostedMessageLoop loop(wakes.wakeup());
    for (int i = 0; i < 5; ++i) PostMessageW(window, WM_USER + i, 0, 0);
    ASSERT_TRUE(wakes.waitFor(1));
    EXPECT_EQ(loop.pumpDue(3), 3);
    ASSERT_TRUE(wakes.waitFor(2));
    EXPECT_EQ(loop.pumpDue(3), 2);
    EXPECT_EQ(receivedOf(window).size(), 5u);
}

TEST_F(HostedLoop, ATimerComingDueWakesTheHostWithNothingPosted) {
    HostedMessageLoop loop(wakes.wakeup());
    EXPECT_EQ(loop.timeUntilNextTimer(), std::nullopt);
    SetTimer(window, 9, 30, nullptr);
    std::optional<std::chrono::milliseconds> left = loop.timeUntilNextTimer();
    ASSERT_TRUE(left);
    EXPECT_LE(*left, 30ms);

    ASSERT_TRUE(wakes.waitFor(1));
    EXPECT_EQ(loop.timeUntilNextTimer(), 0ms);
    EXPECT_EQ(loop.pumpDue(), 1);
    EXPECT_EQ(receivedOf(window, WM_TIMER).size(), 1u);
    ASSERT_TRUE(wakes.waitFor(2));  // and again a period later
    KillTimer(window, 9);
}

TEST_F(HostedLoop, ASendFromAnotherThreadIsAnsweredByThePump) {
    setHook([](HWND, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != WM_USER + 5) return false;
        result = 42;
        return true;
    });
    HostedMessageLoop loop(wakes.wakeup());
    std::atomic<LRESULT> answer{0};
    std::thread sender([&] { answer = SendMessageW(window, WM_USER + 5, 0, 0); });
    ASSERT_TRUE(wakes.waitFor(1));
    loop.pumpDue();
    sender.join();
    EXPECT_EQ(answer, 42);
}

// The program's own loop decides when the thread's work ends: a quit posted on the thread neither
// wakes the program nor holds up what comes after it.
TEST_F(HostedLoop, AWindowToPaintWakesTheHostAndAPostedQuitIsDropped) {
    HostedMessageLoop loop(wakes.wakeup());
    PostQuitMessage(4);
    EXPECT_FALSE(wakes.waitFor(1, 50ms));
    HWND shown = create(WS_VISIBLE);
    ASSERT_TRUE(wakes.waitFor(1));
    EXPECT_EQ(loop.pumpDue(), 1);  // WM_PAINT (its WM_ERASEBKGND is sent from inside it)
    EXPECT_EQ(receivedOf(shown, WM_PAINT).size(), 1u);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(HostedLoop, NoWakeUpComesOnceTheLoopIsGone) {
    { HostedMessageLoop loop(wakes.wakeup()); }
    PostMessageW(window, WM_USER, 0, 0);
    EXPECT_FALSE(wakes.waitFor(1, 50ms));
    platform::testing::pumpPendingMessages();
}

}  // namespace
