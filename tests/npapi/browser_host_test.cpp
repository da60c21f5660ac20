// The NPAPI browser host: page objects, script, navigation, proxy answers, uploads, the host
// variant and the calls it brings to the main thread.
#include "npapi/browser_proxy_answer.h"
#include "npapi/npapi_browser_host_async_win.h"
#include "npapi/npp_callbacks_testing.h"
#include "platform/window/win_window_testing.h"
#include "scripting/script_error.h"
#include "tests/npapi/support/plugin_instance.h"
#include "tests/support/internet_settings.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>

namespace {

using namespace npapi_test;
using Settings = std::map<std::string, std::string>;

template <typename Error>
std::string errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

TEST(NpapiHost, MissingPageObjectsAreReportedByName) {
    TestBrowser browser;
    for (PageObject*& object : {std::ref(browser.element), std::ref(browser.window)}) {
        browser.release(object);
        object = nullptr;
    }
    PluginInstance instance(browser);
    const auto host = instance.host();
    EXPECT_EQ("Cannot find HTML window", errorOf<std::runtime_error>([&] { host->windowObject(); }));
    EXPECT_EQ("Cannot find HTML document", errorOf<std::runtime_error>([&] { host->documentObject(); }));
    EXPECT_EQ("Cannot find HTML window", errorOf<std::runtime_error>([&] { host->elementObject(); }));
    EXPECT_EQ("Cannot find HTML window", errorOf<std::runtime_error>([&] { host->runScriptText("1"); }));
}

TEST(NpapiHost, ScriptIsEvaluatedAndNavigationAsksTheBrowserForTheUrl) {
    TestBrowser browser;
    PluginInstance instance(browser);
    instance.host()->runScriptText("var a = 1;");
    EXPECT_EQ("var a = 1;", browser.evaluated.back());
    browser.evaluateAnswer = false;
    EXPECT_EQ("Error executing JavaScript code",
              errorOf<FB::script_error>([&] { instance.host()->runScriptText("broken("); }));
    instance.host()->navigate("http://camera/help.html", "_blank");
    ASSERT_EQ(1u, browser.requests.size());
    EXPECT_EQ("http://camera/help.html", browser.requests[0].url);
    instance.destroy();
    EXPECT_EQ(0, browser.liveAllocations());
}

// The first entry of the browser's answer; "" stands for no proxy, settings untouched.
TEST(NpapiHost, BrowserProxyAnswersGiveTypeHostAndPort) {
    const std::pair<std::string, std::string> answers[] = {
        {"DIRECT", ""},
        {"SOCKS socks.example:1080", "socks socks.example 1080"},
        {"PROXY cache:8080; DIRECT", "https cache 8080;"},
        {"PROXY hostonly", "https hostonly "},
        {"PROXY", ""},
        {"", ""},
    };
    for (const auto& [answer, expected] : answers) {
        Settings settings{{"type", "kept"}};
        const bool found = FB::Npapi::readBrowserProxyAnswer(answer, "https://camera/", settings);
        EXPECT_EQ(!expected.empty(), found) << answer;
        const std::string read = settings["type"] + " " + settings["hostname"] + " " + settings["port"];
        EXPECT_EQ(found ? expected : "kept  ", read) << answer;
    }
}

// A browser without the query, or one too old to answer it, leaves it to the system's settings;
// any other refusal means no proxy.
TEST(NpapiHost, ProxyComesFromTheBrowserOrFromTheSystemWhenTheBrowserCannotTell) {
    test_support::ScopedMachineFolders folders;
    test_support::writeInternetSettings(1, L"http=system.lan:3128");
    enum Browser { Answers, Refuses, TooOld, WithoutQuery };
    for (Browser kind : {Answers, Refuses, TooOld, WithoutQuery}) {
        TestBrowser browser;
        browser.proxyAnswer = "PROXY cache:8080";
        if (kind == Refuses) browser.proxyAnswerError = NPERR_GENERIC_ERROR;
        if (kind == TooOld) browser.proxyAnswerError = NPERR_INCOMPATIBLE_VERSION_ERROR;
        if (kind == WithoutQuery) browser.funcs.getvalueforurl = nullptr;
        PluginInstance instance(browser);
        Settings settings;
        EXPECT_EQ(kind != Refuses, instance.host()->detectProxySettings(settings, "http://camera/")) << kind;
        EXPECT_EQ(kind == Answers ? "cache" : kind == Refuses ? "" : "system.lan", settings["hostname"]) << kind;
        instance.destroy();
        EXPECT_EQ(0, browser.liveAllocations()) << kind;
    }
}

TEST(NpapiHost, APostSendsTheExactBlockAndARefusedRequestGivesNoStream) {
    TestBrowser browser;
    PluginInstance instance(browser);
    auto stream = instance.host()->createPostStream("http://camera/set", nullptr, "a=b", false, false, 1024);
    ASSERT_NE(nullptr, stream);
    ASSERT_EQ(1u, browser.requests.size());
    EXPECT_TRUE(browser.requests[0].post);
    EXPECT_EQ("Content-type: application/x-www-form-urlencoded\nContent-Length: 3\n\na=b", browser.requests[0].body);
    EXPECT_EQ(stream.get(), browser.requests[0].notifyData);
    browser.urlRequestAnswer = NPERR_INVALID_URL;
    EXPECT_EQ(nullptr, instance.host()->openStream("http://camera/", nullptr));
}

// The first instance of the process picks the host: a Safari user agent, a table older than
// version 19 or one without NPN_PluginThreadAsyncCall get the host that posts through its own
// message window, for every later instance too. Either host runs a worker's call on the main
// thread and posts nothing once the instance is gone.
TEST(NpapiHost, TheHostVariantRunsAWorkersCallOnTheMainThreadUntilTheInstanceGoes) {
    struct Kind {
        const char* userAgent;
        uint16_t version, size;
        bool messageWindow;
    };
    const Kind kinds[] = {{"Mozilla/5.0 AppleWebKit/605 Safari/605", 27, sizeof(NPNetscapeFuncs), true},
                          {"Firefox", 18, sizeof(NPNetscapeFuncs), true},
                          {"Firefox", 27, NP_TABLE_SIZE_THROUGH(NPNetscapeFuncs, enumerate), true},
                          {"Firefox", 27, sizeof(NPNetscapeFuncs), false}};
    const std::thread::id mainThread = std::this_thread::get_id();
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(std::string(kind.userAgent) + " " + std::to_string(kind.version));
        FB::Npapi::testing::forgetHostVariant();
        TestBrowser browser(kind.version, kind.size);
        browser.userAgent = kind.userAgent;
        PluginInstance instance(browser);
        auto isMessageWindowHost = [](const auto& host) {
            return std::dynamic_pointer_cast<FB::Npapi::NpapiBrowserHostAsyncWin>(host) != nullptr;
        };
        const auto host = instance.host();
        EXPECT_EQ(kind.messageWindow, isMessageWindowHost(host));
        std::atomic<bool> ran{false};
        std::thread worker([&] {
            try {
                host->runOnMainThread([&] { ran = std::this_thread::get_id() == mainThread; });
            } catch (const FB::script_error&) {}  // let go by the destroy below
        });
        for (int pass = 0; pass < 5000 && !ran; ++pass) {
            browser.runAsyncCalls();
            platform::testing::pumpPendingMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(ran);
        instance.destroy();
        worker.join();
        EXPECT_FALSE(host->postAsyncCall([](void*) {}, nullptr));
        EXPECT_EQ(0u, browser.pendingAsyncCalls());
        browser.userAgent = "Firefox";
        PluginInstance later(browser);
        EXPECT_EQ(kind.messageWindow, isMessageWindowHost(later.host()));
    }
}

TEST(NpapiHost, AWorkersReleaseWaitsForTheMainThread) {
    TestBrowser browser;
    PluginInstance instance(browser);
    const auto host = instance.host();
    PageObject* object = browser.makeObject();
    std::thread([&] { host->deferRelease(object); }).join();
    EXPECT_EQ(1u, object->referenceCount);
    host->releaseDeferredObjects();
    EXPECT_EQ(3, browser.liveObjects());
}

}  // namespace
