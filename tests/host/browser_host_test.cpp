#include "host/browser_host.h"
#include "scripting/jsapi_auto.h"
#include "scripting/script_error.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

using test_support::TestBrowserHost;
using Lines = std::vector<std::string>;

namespace {

class BrowserHostTest : public ::testing::Test {
protected:
    // A page function (or member) that notes "<tag> <first argument>".
    test_support::PageFunctionBody noting(const std::string& tag) {
        return [this, tag](const FB::VariantList& args) {
            calls.push_back(tag + " " + args.at(0).convertTo<std::string>());
            return FB::variant();
        };
    }
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
    Lines calls;
};

class ShutdownCountingApi : public FB::JSAPIAuto {
public:
    ShutdownCountingApi() : JSAPIAuto("<counting>") {}
    void shutdown() override { ++shutdowns; }
    int shutdowns = 0;
};

}  // namespace

TEST_F(BrowserHostTest, DelayedInvokeCallsTheFunctionOrItsMemberFromTheNumberedPageHelper) {
    // 0xFFFFFFF8 + 0x1FFFFFFF wraps around.
    EXPECT_EQ(FB::BrowserHost::callHelperIdFor(reinterpret_cast<void*>(uintptr_t(0xFFFFFFF8u))), 0x1FFFFFF7u);
    host->installCallHelper(reinterpret_cast<void*>(uintptr_t(0x1000)));
    EXPECT_EQ(host->page.window->properties.count("__FB_CALL_4608"), 1u);

    auto function = host->page.makeFunction(noting("self"));
    function->methods["greet"] = noting("greet");
    EXPECT_GT(host->InvokeDelayed(0, function, {FB::variant("a")}, ""), 0);
    EXPECT_GT(host->InvokeDelayed(10, function, {FB::variant("b")}, "greet"), 0);
    EXPECT_TRUE(calls.empty());  // never inside the caller
    host->page.advance(0);
    EXPECT_EQ(calls, (Lines{"self a"}));
    host->page.advance(10);
    EXPECT_EQ(calls, (Lines{"self a", "greet b"}));
    // A page that lost its helper gets it installed once more.
    host->page.window->properties.erase("__FB_CALL_4608");
    EXPECT_NE(host->getCallHelper(), nullptr);
    EXPECT_EQ(host->page.scripts.size(), 2u);
}

TEST_F(BrowserHostTest, LogToPageReachesTheConsoleFromTheMainThreadQueueWhenEnabled) {
    auto console = host->page.makeObject();
    console->methods["log"] = noting("log");
    host->page.window->properties["console"] = FB::variant(FB::JSObjectPtr(console));
    host->logToPage("hello");
    EXPECT_TRUE(calls.empty());
    host->setHtmlLogEnabled(false);
    host->logToPage("quiet");
    TestBrowserHost::pump();
    EXPECT_EQ(calls, (Lines{"log hello"}));

    host->setHtmlLogEnabled(true);
    console->methods["log"] = [](const FB::VariantList&) -> FB::variant { throw FB::script_error("no"); };
    host->logToPage("swallowed");
    EXPECT_NO_THROW(TestBrowserHost::pump());
}

// Each DOM wrapper holds the page object it was made for; no object, no wrapper.
TEST_F(BrowserHostTest, PageWithoutAWindowGetsNoWrapperNoHelperAndNoConsole) {
    for (const FB::JSObjectPtr& object : {FB::JSObjectPtr(host->page.makeObject()), FB::JSObjectPtr()}) {
        auto held = [](const auto& wrapper) { return wrapper ? wrapper->getJSObject() : nullptr; };
        EXPECT_EQ(held(host->createDOMWindow(object)), object);
        EXPECT_EQ(held(host->createDOMDocument(object)), object);
        EXPECT_EQ(held(host->createDOMElement(object)), object);
        EXPECT_EQ(held(host->createDOMNode(object)), object);
    }
    host->page.window.reset();
    EXPECT_EQ(host->getCallHelper(), nullptr);
    EXPECT_EQ(host->InvokeDelayed(0, host->page.makeFunction(noting("f")), {}, ""), -1);
    host->logToPage("nowhere");
    EXPECT_EQ(TestBrowserHost::pump(), 1);
    EXPECT_TRUE(host->page.scripts.empty());
}

TEST_F(BrowserHostTest, RetainedObjectsAreDroppedAndShutDownWithTheHost) {
    auto api = std::make_shared<ShutdownCountingApi>();
    auto dropped = std::make_shared<ShutdownCountingApi>();
    for (const auto& object : {api, api, dropped}) host->keepObject(object);
    std::thread([&] { host->dropObject(dropped); }).join();
    EXPECT_EQ(host->releaseDeferredCount, 0);  // not from another thread
    EXPECT_EQ(dropped.use_count(), 1);
    host->keepObject(dropped);
    host->dropObject(dropped);
    EXPECT_EQ(host->releaseDeferredCount, 1);
    host->shutdown();
    EXPECT_EQ(api->shutdowns, 2);
    EXPECT_EQ(dropped->shutdowns, 0);
    EXPECT_EQ(api.use_count(), 1);
    EXPECT_EQ(host->releaseDeferredCount, 2);
    EXPECT_FALSE(host->postToMainThread([](void*) {}, nullptr));
}

// The page was handed the object twice; one drop lets it go whole: the host keeps no second
// reference that would outlive the page's wrapper.
TEST_F(BrowserHostTest, AnObjectKeptTwiceIsReleasedByOneDrop) {
    auto api = std::make_shared<ShutdownCountingApi>();
    const std::weak_ptr<ShutdownCountingApi> watched = api;
    host->keepObject(api);
    host->keepObject(api);
    host->dropObject(api);
    api.reset();
    EXPECT_TRUE(watched.expired());
}

TEST_F(BrowserHostTest, DeferredCallsRunAfterTheMessageAndThePageTimerNeverOffTheMainThread) {
    auto function = host->page.makeFunction(noting("called"));
    std::thread([&] { function->invokeLater("", {FB::variant(1)}); }).join();
    function->invokeLater("", {FB::variant(2)});  // also from the main thread: never inline
    EXPECT_EQ(host->page.pendingTimers(), 0u);
    TestBrowserHost::pump();
    EXPECT_TRUE(calls.empty());
    host->page.advance(0);
    EXPECT_EQ(calls, (Lines{"called 1", "called 2"}));
    EXPECT_EQ(function->offThreadUses, 0);
}

TEST(BrowserHostThreads, WorkersOpenStreamsAndLogToThePageWhileTheMainThreadShutsDown) {
    auto host = TestBrowserHost::create();
    std::atomic<bool> stop{false};
    std::atomic<int> started{0};
    auto repeat = [&](std::function<void(int)> work) {
        return std::thread([&, work] {
            for (int i = 0; !stop; ++i) {
                work(i);
                if (i == 0) ++started;
            }
        });
    };
    std::thread workers[] = {
        repeat([&](int i) { host->setHtmlLogEnabled(i % 2 == 0); }),
        repeat([&](int) { host->logToPage("from a worker"); }),
        repeat([&](int) { host->openStream("http://camera/", nullptr); }),
    };
    while (started < 3) std::this_thread::yield();
    host->shutdown();
    stop = true;
    for (std::thread& worker : workers) worker.join();
    EXPECT_EQ(host->retainedStreams(), 0u);
    EXPECT_FALSE(host->postToMainThread([](void*) {}, nullptr));
}
