#include "host/cross_thread_call.h"
#include "scripting/script_error.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

using testsupport::TestBrowserHost;
using Clock = std::chrono::steady_clock;

namespace {

class CrossThreadCalls : public ::testing::Test {
protected:
    void TearDown() override {
        if (!host->isShutDown()) host->shutdown();
        TestBrowserHost::pump();
    }
    // Runs `work` on a worker while this (main) thread pumps; a bounded number of passes.
    template <typename Work>
    void onWorkerWhilePumping(Work work) {
        std::atomic<bool> done{false};
        std::thread worker([&] { work(), done = true; });
        for (int pass = 0; pass < 20000 && !done; ++pass) {
            if (TestBrowserHost::pump() == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        worker.join();
    }
    // The script_error text a call made on a worker ends with ("" when it returned).
    template <typename Call>
    std::string errorOnWorker(Call call, bool pump = true) {
        std::string message;
        auto work = [&] {
            try {
                host->runOnMainThread(call);
            } catch (const FB::script_error& e) {
                message = e.what();
            }
        };
        if (pump) onWorkerWhilePumping(work);
        else std::thread(work).join();
        return message;
    }
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
};

}  // namespace

TEST_F(CrossThreadCalls, SynchronousCallFromWorkerRunsOnMainThreadAndReturnsResultsUnchanged) {
    const auto mainThread = std::this_thread::get_id();
    std::thread::id ranOn;
    int answer = 0;
    bool flag = true;
    long negative = 0;
    FB::variant empty(1);
    onWorkerWhilePumping([&] {
        answer = host->runOnMainThread([&] { return ranOn = std::this_thread::get_id(), 42; });
        flag = host->runOnMainThread([] { return false; });
        negative = host->runOnMainThread([] { return -1L; });
        empty = host->runOnMainThread([] { return FB::variant(); });
    });
    EXPECT_EQ(ranOn, mainThread);
    EXPECT_EQ(answer, 42);
    EXPECT_FALSE(flag);
    EXPECT_EQ(negative, -1);
    EXPECT_TRUE(empty.isEmpty());
}

TEST_F(CrossThreadCalls, ErrorsRaisedOnMainThreadReachTheWaitingWorkerAsScriptErrors) {
    EXPECT_EQ(errorOnWorker([]() -> FB::variant { throw FB::invalid_member("frob"); }),
              "The specified member does not exist: frob");
    // Not a script error: the worker is still released, with an error rather than a hang.
    EXPECT_EQ(errorOnWorker([]() -> int { throw std::logic_error("broken"); }), "broken");
}

TEST_F(CrossThreadCalls, WorkerCannotMarshalWhenPostingFailsOrAfterShutdownButMainThreadRunsInline) {
    bool ran = false;
    host->refusePosts = true;
    EXPECT_EQ(errorOnWorker([&] { ran = true; }), "Could not marshal to main thread");
    host->refusePosts = false;
    host->shutdown();
    EXPECT_EQ(errorOnWorker([&] { ran = true; }), "Could not marshal to main thread");
    TestBrowserHost::pump();
    EXPECT_FALSE(ran);
    EXPECT_EQ(host->runOnMainThread([] { return 7; }), 7);
}

TEST_F(CrossThreadCalls, WaitingWorkerLeavesWithShuttingDownSoonAfterShutdownRanItsCallOnce) {
    std::atomic<int> runs{0};
    std::atomic<bool> waiting{false};
    Clock::time_point left;
    std::string message;
    std::thread worker([&] {
        waiting = true;
        message = errorOnWorker([&] { ++runs; }, false);
        left = Clock::now();
    });
    // The call is queued but the main thread does not pump: the worker is still waiting.
    while (!waiting) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto shutdownAt = Clock::now();
    host->shutdown();
    worker.join();
    TestBrowserHost::pump();  // the call's late message runs nothing
    EXPECT_EQ(message, "Shutting down");
    EXPECT_EQ(runs, 1);
    EXPECT_LT(left - shutdownAt, std::chrono::milliseconds(500));
}

TEST_F(CrossThreadCalls, WorkerWaitsForACallTheShutdownIsRunningBeforeItLeaves) {
    std::atomic<bool> waiting{false}, finished{false}, finishedWhenLeft{false};
    std::thread worker([&] {
        waiting = true;
        std::vector<int> output;  // the caller's own data, written by the call
        EXPECT_EQ(errorOnWorker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            output.push_back(1), finished = true;
        }, false), "Shutting down");
        finishedWhenLeft = finished.load();
    });
    while (!waiting) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    host->shutdown();  // runs the call here, on the main thread
    worker.join();
    EXPECT_EQ(finishedWhenLeft, finished.load());
}

// The binding refuses a post because the host has just shut down, after the shutdown already
// took the call to run it: the call is the shutdown's now, not the poster's to free or withdraw.
TEST_F(CrossThreadCalls, PostRefusedAfterShutdownTookTheCallCountsAsPosted) {
    auto kept = std::make_shared<int>(0);
    int runs = 0;
    bool nested = true;
    host->beforePost = [&] { if (std::exchange(nested, false)) host->shutdown(); };
    host->queueOnMainThread(kept, [&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(kept.use_count(), 1);

    host = TestBrowserHost::create();
    std::atomic<bool> inPost{false}, ran{false};
    host->beforePost = [&] {  // on the worker, while it holds its call
        inPost = true;
        while (!host->isShutDown()) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the shutdown reaches the call
        host->refusePosts = true;
    };
    std::string message;
    std::thread worker([&] { message = errorOnWorker([&] { ran = true; }, false); });
    while (!inPost) std::this_thread::yield();
    host->shutdown();
    worker.join();
    EXPECT_EQ(message, "Shutting down");
    EXPECT_FALSE(ran);  // its caller gave up before it started
}

TEST_F(CrossThreadCalls, QueuedCallsRunFromTheirMessagesNeverInlineAndDropTheirErrors) {
    auto kept = std::make_shared<int>(5);
    int runs = 0;
    host->queueOnMainThread(kept, [&] { ++runs; });
    host->queueOnMainThread([&] { ++runs; });
    host->queueOnMainThread(kept, [] { throw FB::script_error("ignored"); });
    host->queueOnMainThread(kept, [] { throw std::runtime_error("also ignored"); });
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(kept.use_count(), 4);  // each queued call keeps its reference
    EXPECT_NO_THROW(TestBrowserHost::pump());
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(kept.use_count(), 1);
}

TEST_F(CrossThreadCalls, QueuedCallsPendingAtShutdownRunOnceAndLaterOnesAreReleasedUnrun) {
    int runs = 0;
    auto kept = std::make_shared<int>(0);
    for (int i = 0; i < 3; ++i) host->queueOnMainThread(kept, [&] { ++runs; });
    host->shutdown();
    EXPECT_EQ(runs, 3);
    host->queueOnMainThread(kept, [&] { ++runs; });
    EXPECT_EQ(kept.use_count(), 1);
    TestBrowserHost::pump();
    EXPECT_EQ(runs, 3);
}

TEST(AsyncCallManager, NumbersCallsFromTwoAndRunsEachAtMostOnceEvenForAGoneManager) {
    auto manager = std::make_shared<FB::AsyncCallManager>();
    int runs = 0;
    auto count = [](void* data) { ++*static_cast<int*>(data); };
    FB::AsyncCallDataPtr first = manager->registerCall(count, &runs);
    FB::AsyncCallDataPtr second = manager->registerCall(count, &runs);
    EXPECT_EQ(first->id, 2);
    EXPECT_EQ(second->id, 3);
    FB::AsyncCallManager::runCall(FB::AsyncCallManager::tokenOf(first));
    FB::AsyncCallManager::runCall(FB::AsyncCallManager::tokenOf(first));
    EXPECT_EQ(runs, 1);
    manager->shutdown();  // runs the second
    FB::AsyncCallManager::runCall(FB::AsyncCallManager::tokenOf(second));
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(manager->registerCall(count, &runs), nullptr);

    auto other = std::make_shared<FB::AsyncCallManager>();
    void* token = FB::AsyncCallManager::tokenOf(other->registerCall(count, &runs));
    other.reset();
    FB::AsyncCallManager::runCall(token);
    FB::AsyncCallManager::runCall(reinterpret_cast<void*>(uintptr_t(0xdeadbeef)));
    EXPECT_EQ(runs, 2);
}
