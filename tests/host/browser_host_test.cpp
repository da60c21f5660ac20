#include "host/browser_host.h"
#include "scripting/jsapi_auto.h"
#include "scripting/script_error.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

using testsupport::FakePageObjectPtr;
using testsupport::TestBrowserHost;

namespace {

class BrowserHostTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (!host->isShutDown()) host->shutdown();
        TestBrowserHost::pump();
    }
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
};

class ShutdownCountingApi : public FB::JSAPIAuto {
public:
    ShutdownCountingApi() : JSAPIAuto("<counting>") {}
    void shutdown() override { ++shutdowns; }
    int shutdowns = 0;
};

}  // namespace

TEST(CallHelper, IdIsTheKeyPlusAnEighthOfItInThirtyTwoBits) {
    EXPECT_EQ(FB::BrowserHost::callHelperIdFor(reinterpret_cast<void*>(uintptr_t(0x1000))), 4608u);
    // 0xFFFFFFF8 + 0x1FFFFFFF wraps around.
    EXPECT_EQ(FB::BrowserHost::callHelperIdFor(reinterpret_cast<void*>(uintptr_t(0xFFFFFFF8u))), 0x1FFFFFF7u);
}

TEST_F(BrowserHostTest, InstallsTheHelperUnderItsNumberedName) {
    host->installCallHelper(reinterpret_cast<void*>(uintptr_t(0x1000)));
    EXPECT_EQ(host->callHelperName(), "__FB_CALL_4608");
    EXPECT_EQ(host->page.window->properties.count("__FB_CALL_4608"), 1u);
    EXPECT_EQ(host->page.scripts.size(), 1u);
}

TEST_F(BrowserHostTest, DelayedInvokeCallsTheFunctionOrItsMemberFromAPageTimer) {
    std::vector<std::string> calls;
    auto function = host->page.makeFunction([&](const FB::VariantList& args) {
        calls.push_back("self " + args.at(0).convertTo<std::string>());
        return FB::variant();
    });
    function->methods["greet"] = [&](const FB::VariantList& args) {
        calls.push_back("greet " + args.at(0).convertTo<std::string>());
        return FB::variant();
    };
    EXPECT_GT(host->InvokeDelayed(0, function, {FB::variant("a")}, ""), 0);
    EXPECT_GT(host->InvokeDelayed(10, function, {FB::variant("b")}, "greet"), 0);
    EXPECT_TRUE(calls.empty());  // never inside the caller
    host->page.advance(0);
    EXPECT_EQ(calls, (std::vector<std::string>{"self a"}));
    host->page.advance(10);
    EXPECT_EQ(calls, (std::vector<std::string>{"self a", "greet b"}));
}

TEST_F(BrowserHostTest, HelperLostByThePageIsInstalledAgainOnce) {
    ASSERT_NE(host->getCallHelper(), nullptr);
    host->page.window->properties.erase(host->callHelperName());
    EXPECT_NE(host->getCallHelper(), nullptr);
    EXPECT_EQ(host->page.scripts.size(), 2u);
}

TEST_F(BrowserHostTest, LogToPageReachesTheConsoleFromTheMainThreadQueue) {
    std::vector<std::string> logged;
    auto console = host->page.makeObject();
    console->methods["log"] = [&](const FB::VariantList& args) {
        logged.push_back(args.at(0).convertTo<std::string>());
        return FB::variant();
    };
    host->page.window->properties["console"] = FB::variant(FB::JSObjectPtr(console));
    host->logToPage("hello");
    EXPECT_TRUE(logged.empty());
    TestBrowserHost::pump();
    EXPECT_EQ(logged, (std::vector<std::string>{"hello"}));

    host->setHtmlLogEnabled(false);
    host->logToPage("quiet");
    TestBrowserHost::pump();
    EXPECT_EQ(logged.size(), 1u);

    host->setHtmlLogEnabled(true);
    console->methods["log"] = [](const FB::VariantList&) -> FB::variant { throw FB::script_error("no"); };
    host->logToPage("swallowed");
    EXPECT_NO_THROW(TestBrowserHost::pump());
}

TEST_F(BrowserHostTest, RetainedObjectsAreDroppedAndShutDownWithTheHost) {
    auto api = std::make_shared<ShutdownCountingApi>();
    host->keepObject(api);
    host->keepObject(api);
    std::thread([&] { host->dropObject(std::make_shared<ShutdownCountingApi>()); }).join();
    EXPECT_EQ(host->releaseDeferredCount, 0);  // not from another thread
    EXPECT_EQ(host->retainedObjectCount(), 2u);
    host->shutdown();
    EXPECT_EQ(api->shutdowns, 2);
    EXPECT_EQ(host->retainedObjectCount(), 0u);
    EXPECT_EQ(api.use_count(), 1);
    EXPECT_GE(host->releaseDeferredCount, 1);
    EXPECT_FALSE(host->postToMainThread([](void*) {}, nullptr));
}

TEST_F(BrowserHostTest, DropObjectOnTheMainThreadReleasesDeferredObjects) {
    auto api = std::make_shared<ShutdownCountingApi>();
    host->keepObject(api);
    host->dropObject(api);
    EXPECT_EQ(host->retainedObjectCount(), 0u);
    EXPECT_EQ(host->releaseDeferredCount, 1);
}

TEST_F(BrowserHostTest, InvokeLaterRunsThePageFunctionAfterTheMessageAndAPageTimer) {
    int calls = 0;
    auto function = host->page.makeFunction([&](const FB::VariantList&) {
        ++calls;
        return FB::variant();
    });
    std::thread([&] { function->invokeLater("", {FB::variant(1)}); }).join();
    EXPECT_EQ(calls, 0);
    TestBrowserHost::pump();
    EXPECT_EQ(calls, 0);
    host->page.advance(0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(function->offThreadUses, 0);

    function->setPropertyLater("answer", FB::variant(42));
    EXPECT_EQ(function->properties.count("answer"), 0u);
    TestBrowserHost::pump();
    EXPECT_EQ(function->properties.at("answer").convertTo<int>(), 42);
}

TEST(DeferredPageCalls, ObjectWhoseHostIsGoneCannotInvokeAsynchronously) {
    FakePageObjectPtr orphan;
    {
        auto host = TestBrowserHost::create();
        orphan = host->page.makeObject();
        host->shutdown();
    }
    try {
        orphan->invokeLater("f", {});
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Cannot invoke asynchronously");
    }
    EXPECT_THROW(orphan->setPropertyLater("x", FB::variant(1)), std::runtime_error);
    EXPECT_THROW(orphan->InvokeDelayed({}, "f"), std::bad_weak_ptr);
}
