#include "host/cross_thread_call.h"
#include "scripting/script_error.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

using testsupport::TestBrowserHost;

namespace {

// Pumps the main thread (this one) until the condition holds; a bounded number of passes.
template <typename Done>
bool pumpUntil(Done done) {
    for (int pass = 0; pass < 20000 && !done(); ++pass) {
        if (TestBrowserHost::pump() == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return done();
}

// Runs `work` on a worker thread while the main thread pumps; returns once the worker is done.
template <typename Work>
void onWorkerWhilePumping(Work work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    EXPECT_TRUE(pumpUntil([&] { return done.load(); }));
    worker.join();
}

class CrossThreadCalls : public ::testing::Test {
protected:
    void TearDown() override {
        if (!host->isShutDown()) host->shutdown();
        TestBrowserHost::pump();
    }
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
};

}  // namespace

TEST_F(CrossThreadCalls, SynchronousCallFromWorkerRunsOnMainThreadAndReturnsItsResult) {
    const auto mainThread = std::this_thread::get_id();
    std::thread::id ranOn;
    int result = 0;
    onWorkerWhilePumping([&] {
        result = host->runOnMainThread([&] {
            ranOn = std::this_thread::get_id();
            return 42;
        });
    });
    EXPECT_EQ(result, 42);
    EXPECT_EQ(ranOn, mainThread);
}

TEST_F(CrossThreadCalls, ResultsComeBackAsTheOperationReturnedThem) {
    bool flag = true;
    long negative = 0;
    FB::variant empty(1);
    int voidRuns = 0;
    onWorkerWhilePumping([&] {
        flag = host->runOnMainThread([] { return false; });
        negative = host->runOnMainThread([] { return -1L; });
        empty = host->runOnMainThread([] { return FB::variant(); });
        host->runOnMainThread([&] { ++voidRuns; });
    });
    EXPECT_FALSE(flag);
    EXPECT_EQ(negative, -1);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(voidRuns, 1);
}

TEST_F(CrossThreadCalls, ErrorsRaisedOnMainThreadReachTheWaitingWorker) {
    std::string scriptMessage;
    std::string otherMessage;
    onWorkerWhilePumping([&] {
        try {
            host->runOnMainThread([]() -> FB::variant { throw FB::invalid_member("frob"); });
        } catch (const FB::script_error& e) {
            scriptMessage = e.what();
        }
        // Not a script error: the worker is still released, with an error rather than a hang.
        try {
            host->runOnMainThread([]() -> int { throw std::logic_error("broken"); });
        } catch (const FB::script_error& e) {
            otherMessage = e.what();
        }
    });
    EXPECT_EQ(scriptMessage, "The specified member does not exist: frob");
    EXPECT_EQ(otherMessage, "broken");
}

TEST_F(CrossThreadCalls, RefusedPostFailsWithCouldNotMarshalAndNeverRuns) {
    host->refusePosts = true;
    bool ran = false;
    std::string message;
    onWorkerWhilePumping([&] {
        try {
            host->runOnMainThread([&] { ran = true; });
        } catch (const FB::script_error& e) {
            message = e.what();
        }
    });
    host->refusePosts = false;
    TestBrowserHost::pump();
    EXPECT_EQ(message, "Could not marshal to main thread");
    EXPECT_FALSE(ran);
}

TEST_F(CrossThreadCalls, AfterShutdownWorkersCannotMarshalButTheMainThreadRunsInline) {
    host->shutdown();
    std::string message;
    onWorkerWhilePumping([&] {
        try {
            host->runOnMainThread([] { return 1; });
        } catch (const FB::script_error& e) {
            message = e.what();
        }
    });
    EXPECT_EQ(message, "Could not marshal to main thread");
    EXPECT_EQ(host->runOnMainThread([] { return 7; }), 7);
}

TEST_F(CrossThreadCalls, WaitingWorkerLeavesWithShuttingDownWhenTheHostShutsDown) {
    std::atomic<int> runs{0};
    std::atomic<bool> waiting{false};
    std::string message;
    std::chrono::steady_clock::time_point left;
    std::thread worker([&] {
        try {
            waiting = true;
            host->runOnMainThread([&] { ++runs; });
        } catch (const FB::script_error& e) {
            message = e.what();
        }
        left = std::chrono::steady_clock::now();
    });
    // The worker's call is queued but the main thread does not pump: it is still waiting.
    while (!waiting) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    auto shutdownAt = std::chrono::steady_clock::now();
    host->shutdown();
    worker.join();
    EXPECT_EQ(message, "Shutting down");
    // The pending call ran once, during shutdown; its late message (if any) runs nothing.
    TestBrowserHost::pump();
    EXPECT_EQ(runs, 1);
    EXPECT_LT(left - shutdownAt, std::chrono::milliseconds(500));
}

TEST_F(CrossThreadCalls, QueuedCallOnMainThreadRunsFromItsMessageNotInline) {
    auto kept = std::make_shared<int>(5);
    int runs = 0;
    host->queueOnMainThread(kept, [&] { ++runs; });
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(kept.use_count(), 2);  // the queued call keeps its reference
    TestBrowserHost::pump();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(kept.use_count(), 1);
}

TEST_F(CrossThreadCalls, QueuedCallsStillPendingRunExactlyOnceAtShutdown) {
    int runs = 0;
    auto kept = std::make_shared<int>(0);
    for (int i = 0; i < 3; ++i) host->queueOnMainThread(kept, [&] { ++runs; });
    host->shutdown();
    EXPECT_EQ(runs, 3);
    TestBrowserHost::pump();
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(kept.use_count(), 1);
}

TEST_F(CrossThreadCalls, QueuedCallRefusedAfterShutdownReleasesItsReferenceAtOnce) {
    host->shutdown();
    auto kept = std::make_shared<int>(0);
    bool ran = false;
    host->queueOnMainThread(kept, [&] { ran = true; });
    EXPECT_EQ(kept.use_count(), 1);
    TestBrowserHost::pump();
    EXPECT_FALSE(ran);
}

TEST_F(CrossThreadCalls, QueuedCallErrorsAreDroppedOnTheMainThread) {
    auto kept = std::make_shared<int>(0);
    host->queueOnMainThread(kept, [] { throw FB::script_error("ignored"); });
    host->queueOnMainThread(kept, [] { throw std::runtime_error("also ignored"); });
    EXPECT_NO_THROW(TestBrowserHost::pump());
    EXPECT_EQ(kept.use_count(), 1);
}

TEST(AsyncCallManager, NumbersCallsFromTwoAndRunsEachAtMostOnce) {
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
    EXPECT_TRUE(first->called);

    manager->shutdown();  // runs the second
    EXPECT_EQ(runs, 2);
    FB::AsyncCallManager::runCall(FB::AsyncCallManager::tokenOf(second));
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(manager->registerCall(count, &runs), nullptr);
}

TEST(AsyncCallManager, LateMessageForAManagerThatIsGoneRunsNothing) {
    int runs = 0;
    void* token = nullptr;
    {
        auto manager = std::make_shared<FB::AsyncCallManager>();
        token = FB::AsyncCallManager::tokenOf(
            manager->registerCall([](void* data) { ++*static_cast<int*>(data); }, &runs));
    }
    FB::AsyncCallManager::runCall(token);
    FB::AsyncCallManager::runCall(reinterpret_cast<void*>(uintptr_t(0xdeadbeef)));
    EXPECT_EQ(runs, 0);
}
