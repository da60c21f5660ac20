// The NPAPI browser host: page objects, script, proxy answers, uploads and main-thread calls.
#include "npapi/browser_proxy_answer.h"
#include "npapi/npapi_browser_host_async_win.h"
#include "npapi/npp_callbacks_testing.h"
#include "platform/window/win_window_testing.h"
#include "scripting/script_error.h"
#include "tests/npapi/support/plugin_instance.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <utility>

namespace {

using namespace npapi_test;

std::string runtimeErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

TEST(BrowserHostPage, MissingPageObjectsAreReportedByName) {
    TestBrowser browser;
    browser.release(browser.element);
    browser.element = nullptr;
    browser.release(browser.window);
    browser.window = nullptr;
    PluginInstance instance(browser);
    const auto host = instance.host();
    EXPECT_EQ("Cannot find HTML window", runtimeErrorOf([&] { host->windowObject(); }));
    EXPECT_EQ("Cannot find HTML document", runtimeErrorOf([&] { host->documentObject(); }));
    EXPECT_EQ("Cannot find HTML window", runtimeErrorOf([&] { host->elementObject(); }));
    EXPECT_EQ("Cannot find HTML window", runtimeErrorOf([&] { host->runScriptText("1"); }));
}

TEST(BrowserHostPage, ScriptTheBrowserRefusesIsAScriptError) {
    TestBrowser browser;
    PluginInstance instance(browser);
    instance.host()->runScriptText("var a = 1;");
    EXPECT_EQ("var a = 1;", browser.evaluated.back());
    browser.evaluateAnswer = false;
    EXPECT_THROW(
        {
            try {
                instance.host()->runScriptText("broken(");
            } catch (const FB::script_error& e) {
                EXPECT_STREQ("Error executing JavaScript code", e.what());
                throw;
            }
        },
        FB::script_error);
    instance.destroy();
    EXPECT_EQ(0, browser.liveAllocations());
}

TEST(BrowserProxyAnswer, EntriesGiveTypeHostAndPort) {
    std::map<std::string, std::string> settings{{"kept", "yes"}};
    EXPECT_FALSE(FB::Npapi::readBrowserProxyAnswer("DIRECT", "http://a/", settings));
    EXPECT_EQ("yes", settings["kept"]);

    ASSERT_TRUE(FB::Npapi::readBrowserProxyAnswer("SOCKS socks.example:1080", "http://a/", settings));
    EXPECT_EQ((std::map<std::string, std::string>{{"type", "socks"}, {"hostname", "socks.example"}, {"port", "1080"}}),
              settings);

    ASSERT_TRUE(FB::Npapi::readBrowserProxyAnswer("PROXY cache:8080; DIRECT", "https://camera/", settings));
    EXPECT_EQ("https", settings["type"]);
    EXPECT_EQ("8080;", settings["port"]);

    EXPECT_FALSE(FB::Npapi::readBrowserProxyAnswer("PROXY", "http://a/", settings));
    EXPECT_FALSE(FB::Npapi::readBrowserProxyAnswer("", "http://a/", settings));
    ASSERT_TRUE(FB::Npapi::readBrowserProxyAnswer("PROXY hostonly", "http://a/", settings));
    EXPECT_EQ("", settings["port"]);
}

TEST(BrowserHostPage, TheBrowsersProxyAnswerIsReadAndFreed) {
    TestBrowser browser;
    PluginInstance instance(browser);
    browser.proxyAnswer = "PROXY cache:3128";
    std::map<std::string, std::string> settings;
    ASSERT_TRUE(instance.host()->detectProxySettings(settings, "http://camera/"));
    EXPECT_EQ("cache", settings["hostname"]);
    browser.proxyAnswerError = NPERR_GENERIC_ERROR;
    EXPECT_FALSE(instance.host()->detectProxySettings(settings, "http://camera/"));
    instance.destroy();
    EXPECT_EQ(0, browser.liveAllocations());
}

TEST(BrowserHostStreams, APostSendsTheExactBlock) {
    TestBrowser browser;
    PluginInstance instance(browser);
    auto stream = instance.host()->createPostStream("http://camera/set", nullptr, "a=b", false, false, 1024);
    ASSERT_NE(nullptr, stream);
    ASSERT_EQ(1u, browser.requests.size());
    const std::string expected = "Content-type: application/x-www-form-urlencoded\nContent-Length: 3\n\na=b";
    EXPECT_EQ(70u, expected.size());
    EXPECT_TRUE(browser.requests[0].post);
    EXPECT_EQ(expected, browser.requests[0].body);
    EXPECT_EQ(stream.get(), browser.requests[0].notifyData);
}

TEST(BrowserHostStreams, ARefusedRequestGivesNoStream) {
    TestBrowser browser;
    PluginInstance instance(browser);
    browser.urlRequestAnswer = NPERR_INVALID_URL;
    EXPECT_EQ(nullptr, instance.host()->openStream("http://camera/", nullptr));
}

class MainThreadCalls : public ::testing::Test {
protected:
    void SetUp() override { FB::Npapi::testing::forgetHostVariant(); }
};

TEST_F(MainThreadCalls, AWorkersCallRunsOnTheMainThread) {
    TestBrowser browser;
    PluginInstance instance(browser);
    const auto host = instance.host();
    std::thread::id ranOn;
    std::thread worker([&] { host->runOnMainThread([&] { ranOn = std::this_thread::get_id(); }); });
    while (browser.pendingAsyncCalls() == 0) std::this_thread::yield();
    browser.runAsyncCalls();
    worker.join();
    EXPECT_EQ(std::this_thread::get_id(), ranOn);
}

TEST_F(MainThreadCalls, AfterDestroyNothingIsPosted) {
    TestBrowser browser;
    PluginInstance instance(browser);
    const auto host = instance.host();
    instance.destroy();
    EXPECT_FALSE(host->postAsyncCall([](void*) {}, nullptr));
    EXPECT_EQ(0u, browser.pendingAsyncCalls());
}

// A table older than version 19, or one without NPN_PluginThreadAsyncCall whatever its version.
TEST_F(MainThreadCalls, TheMessageWindowHostRunsCallsFromItsWindowAndStopsAtShutdown) {
    const std::pair<uint16_t, uint16_t> tables[] = {{18, sizeof(NPNetscapeFuncs)},
                                                    {27, NP_TABLE_SIZE_THROUGH(NPNetscapeFuncs, enumerate)}};
    for (const auto& [version, size] : tables) {
        FB::Npapi::testing::forgetHostVariant();
        TestBrowser browser(version, size);
        PluginInstance instance(browser);
        const auto host = instance.host();
        ASSERT_NE(nullptr, std::dynamic_pointer_cast<FB::Npapi::NpapiBrowserHostAsyncWin>(host)) << version;
        int ran = 0;
        std::thread worker([&] { host->runOnMainThread([&] { ++ran; }); });
        while (ran == 0) platform::testing::pumpPendingMessages();
        worker.join();
        EXPECT_EQ(1, ran);
        instance.destroy();
        EXPECT_FALSE(host->postAsyncCall([](void*) {}, nullptr));
    }
}

TEST_F(MainThreadCalls, AWorkersReleaseWaitsForTheMainThread) {
    TestBrowser browser;
    PluginInstance instance(browser);
    const auto host = instance.host();
    PageObject* object = browser.makeObject();
    std::thread worker([&] { host->deferRelease(object); });
    worker.join();
    EXPECT_EQ(1u, object->referenceCount);
    host->releaseDeferredObjects();
    EXPECT_EQ(3, browser.liveObjects());
}

}  // namespace
