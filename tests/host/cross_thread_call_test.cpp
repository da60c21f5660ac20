#include "host/cross_thread_call.h"
#include "scripting/script_error.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

#include <stdexcept>

using test_support::TestBrowserHost;
using namespace std::chrono_literals;

namespace {

class CrossThreadCalls : public ::testing::Test {
protected:
    CrossThreadCalls() {
        host->beforePost = [this] { ++posts; };
    }
    // The script_error text that a call made on this thread ends with ("" when it returned).
    template <typename Call>
    std::string errorOf(Call call) {
        try {
            host->runOnMainThread(call);
        } catch (const FB::script_error& e) {
            return e.what();
        }
        return "";
    }
    // Runs `work` on a worker while this (main) thread pumps; a bounded number of passes.
    template <typename Work>
    void onWorkerWhilePumping(Work work) {
        std::atomic<bool> done{false};
        std::thread worker([&] { work(), done = true; });
        for (int pass = 0; pass < 20000 && !done; ++pass) {
            if (TestBrowserHost::pump() == 0) std::this_thread::sleep_for(200us);
        }
        worker.join();
    }
    // Starts a worker that makes `call` (nobody pumps) and stores its error text in `message`;
    // returns once the call is being posted.
    template <typename Call>
    std::thread waitingWorker(Call call) {
        const int before = posts;
        std::thread worker([call, this] { message = errorOf(call); });
        while (posts == before) std::this_thread::yield();
        return worker;
    }
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
    std::atomic<int> posts{0};
    std::string message;
};

}  // namespace

TEST_F(CrossThreadCalls, SynchronousCallFromWorkerRunsOnMainThreadAndReturnsResultOrError) {
    std::thread::id ranOn;
    int answer = 0;
    bool flag = true;
    FB::variant empty(1);
    std::string other;
    onWorkerWhilePumping([&] {
        answer = host->runOnMainThread([&] { return ranOn = std::this_thread::get_id(), 42; });
        flag = host->runOnMainThread([] { return false; });
        empty = host->runOnMainThread([] { return FB::variant(); });
        message = errorOf([]() -> FB::variant { throw FB::invalid_member("frob"); });
        // Not a script error: the worker is still released, with an error rather than a hang.
        other = errorOf([]() -> int { throw std::logic_error("broken"); });
    });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(answer, 42);
    EXPECT_FALSE(flag);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(message, "The specified member does not exist: frob");
    EXPECT_EQ(other, "broken");
}

TEST_F(CrossThreadCalls, WorkerCannotMarshalWhenPostingFailsOrAfterShutdownButMainThreadRunsInline) {
    bool ran = false;
    for (bool shutDown : {false, true}) {
        host->refusePosts = !shutDown;
        if (shutDown) host->shutdown();
        std::thread([&] { message = errorOf([&] { ran = true; }); }).join();
        EXPECT_EQ(message, "Could not marshal to main thread");
    }
    TestBrowserHost::pump();
    EXPECT_FALSE(ran);
    EXPECT_EQ(host->runOnMainThread([] { return 7; }), 7);
}

TEST_F(CrossThreadCalls, WaitingWorkerLeavesWithShuttingDownOnceShutdownRanItsCall) {
    std::atomic<int> runs{0};
    std::thread worker = waitingWorker([&] { ++runs; });
    host->shutdown();
    worker.join();
    TestBrowserHost::pump();  // the call's late message runs nothing
    EXPECT_EQ(message, "Shutting down");
    EXPECT_EQ(runs, 1);
}

TEST_F(CrossThreadCalls, WorkerWaitsForACallTheShutdownIsRunningBeforeItLeaves) {
    std::atomic<int> callerStillThere{-1};  // -1: the call never started
    std::thread worker = waitingWorker([&] { std::this_thread::sleep_for(40ms), callerStillThere = message.empty(); });
    host->shutdown();  // runs the call here, on the main thread
    worker.join();
    EXPECT_EQ(message, "Shutting down");
    EXPECT_NE(callerStillThere, 0);
}

// The binding refuses a post because the host has just shut down, after the shutdown already
// took the call to run it: the call is the shutdown's now, not the poster's to free or withdraw.
TEST_F(CrossThreadCalls, PostRefusedAfterShutdownTookTheCallCountsAsPosted) {
    // The shutdown takes every pending call at once and runs them in the order they were queued:
    // once this earlier one runs, the worker's call is the shutdown's too. (The worker's call
    // itself cannot start before the worker lets go of it.)
    std::atomic<bool> taken{false};
    host->queueOnMainThread([&] { taken = true; });
    std::atomic<int> runs{0};
    host->beforePost = [&] {  // on the worker, which holds its call meanwhile
        ++posts;
        // Bounded, so that a fault fails instead of hanging.
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (!taken && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        host->refusePosts = true;
    };
    std::thread worker = waitingWorker([&] { ++runs; });
    host->shutdown();
    worker.join();
    EXPECT_TRUE(taken);
    EXPECT_EQ(message, "Shutting down");
    EXPECT_EQ(runs, 1);  // the shutdown ran it
}

TEST_F(CrossThreadCalls, QueuedCallsRunOnceFromTheirMessagesOrAtShutdownNeverInline) {
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

    for (int i = 0; i < 3; ++i) host->queueOnMainThread(kept, [&] { ++runs; });
    host->shutdown();
    EXPECT_EQ(runs, 5);
    host->queueOnMainThread(kept, [&] { ++runs; });  // refused and released at once
    EXPECT_EQ(kept.use_count(), 1);
    TestBrowserHost::pump();
    EXPECT_EQ(runs, 5);
}

TEST(AsyncCallManager, NumbersCallsFromTwoAndALateMessageForAGoneManagerRunsNothing) {
    int runs = 0;
    auto manager = std::make_shared<FB::AsyncCallManager>();
    FB::AsyncCallDataPtr first = manager->registerCall([](void* data) { ++*static_cast<int*>(data); }, &runs);
    EXPECT_EQ(first->id, 2);
    void* token = FB::AsyncCallManager::tokenOf(first);
    first.reset();
    manager.reset();
    FB::AsyncCallManager::runCall(token);
    FB::AsyncCallManager::runCall(reinterpret_cast<void*>(uintptr_t(0xdeadbeef)));
    EXPECT_EQ(runs, 0);
}
