#include "host/win_message_window.h"
#include "platform/window/win_window_testing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

void countRun(void* slot) { ++*static_cast<std::atomic<int>*>(slot); }

}  // namespace

TEST(MessageWindow, RunsEveryPostedRecordExactlyOnceWhateverThreadPostedIt) {
    FB::WinMessageWindow window;
    std::vector<std::atomic<int>> runs(6 * 150);
    std::vector<std::thread> posters;
    for (int t = 0; t < 6; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < 150; ++i) EXPECT_TRUE(window.postCall(&countRun, &runs[t * 150 + i]));
        });
    }
    for (auto& poster : posters) poster.join();
    while (platform::testing::pumpPendingMessages() > 0) {}
    for (const auto& count : runs) EXPECT_EQ(count.load(), 1);
}

TEST(MessageWindow, MessagesOtherThanPostedCallsGetTheDefaultProcessing) {
    FB::WinMessageWindow window;
    EXPECT_EQ(SendMessageW(window.getHWND(), WM_MOUSEACTIVATE, 0, 0), MA_ACTIVATE);
    EXPECT_EQ(SendMessageW(window.getHWND(), WM_NCCREATE, 0, 0), TRUE);
}

TEST(MessageWindow, RecordsQueuedWhenTheWindowGoesAreFreedUnrunAndACallMayDestroyItsWindow) {
    std::atomic<int> runs{0};
    HWND hwnd = nullptr;
    {
        FB::WinMessageWindow window;
        hwnd = window.getHWND();
        ASSERT_TRUE(window.postCall(&countRun, &runs));
        ASSERT_TRUE(window.postCall(&countRun, &runs));
    }
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(runs.load(), 0);
    EXPECT_FALSE(PostMessageW(hwnd, FB::kAsyncCallMessage, 0, 0));

    static FB::WinMessageWindow* doomed;
    doomed = new FB::WinMessageWindow;
    ASSERT_TRUE(doomed->postCall([](void* slot) { countRun(slot), delete doomed; }, &runs));
    platform::testing::pumpPendingMessages();
    EXPECT_EQ(runs.load(), 1);
}

// The last reference to a host can go on a worker while the main thread is delivering its calls:
// the window goes on the main thread, and what had not run by then is freed without running.
TEST(MessageWindow, DestroyedOnAWorkerWhileItsCallsAreDeliveredItGoesOnItsOwnThread) {
    for (int round = 0; round < 20; ++round) {
        auto window = std::make_unique<FB::WinMessageWindow>();
        const HWND hwnd = window->getHWND();
        std::atomic<int> runs{0};
        for (int i = 0; i < 50; ++i) ASSERT_TRUE(window->postCall(&countRun, &runs));
        std::thread worker([&] {
            while (runs == 0) std::this_thread::yield();
            window.reset();
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (IsWindow(hwnd) && std::chrono::steady_clock::now() < deadline) {
            platform::testing::pumpPendingMessages();
        }
        worker.join();
        ASSERT_FALSE(IsWindow(hwnd));
        EXPECT_LE(runs.load(), 50);
    }
}
