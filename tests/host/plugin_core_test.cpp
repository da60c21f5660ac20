#include "host/browser_plugin.h"
#include "host/factory_base.h"
#include "host/plugin_core.h"
#include "host/plugin_windowless_win.h"
#include "scripting/jsapi_auto.h"
#include "tests/support/host/event_recorder.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using test_support::TestBrowserHost;
using Lines = std::vector<std::string>;

namespace {

class TestCore : public FB::PluginCore {
public:
    bool handleEvent(FB::PluginEvent* event, FB::PluginEventSource*) override {
        log.push_back(test_support::describeEvent(event));
        return false;
    }
    FB::JSAPIPtr makeScriptingObject() override {
        ++scriptingObjectsMade;
        return std::make_shared<FB::JSAPIAuto>("<test root>");
    }
    void handleReady() override { ++readyHooks; }

    FB::JSObjectPtr objectParam(const std::string& name) { return m_params.at(name).convertTo<FB::JSObjectPtr>(); }

    Lines log;
    int scriptingObjectsMade = 0;
    int readyHooks = 0;
};

class PluginCoreTest : public ::testing::Test {
protected:
    void SetUp() override { core->setHost(host); }
    void TearDown() override {
        core.reset();
        TestBrowserHost::pump();
    }
    // A page function "pageLoaded" that records its calls.
    test_support::FakePageObjectPtr definePageLoaded() {
        auto onload = host->page.makeFunction([this](const FB::VariantList& args) {
            calls.push_back(args);
            return FB::variant();
        });
        host->page.window->properties["pageLoaded"] = FB::variant(FB::JSObjectPtr(onload));
        return onload;
    }

    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
    std::shared_ptr<TestCore> core = std::make_shared<TestCore>();
    std::vector<FB::VariantList> calls;
};

}  // namespace

TEST_F(PluginCoreTest, ParamsStartingWithOnAreResolvedOnThePageWindow) {
    auto onload = definePageLoaded();
    host->page.window->failingProperties.insert("brokenHandler");
    core->takeParamList({{"onload", FB::variant("pageLoaded")},
                         {"on", FB::variant("pageLoaded")},
                         {"onmissing", FB::variant("noSuchFunction")},
                         {"onbroken", FB::variant("brokenHandler")},
                         {"o", FB::variant("pageLoaded")},
                         {"Onclick", FB::variant("pageLoaded")},
                         {"rtsp", FB::variant("rtsp://camera/")}});
    EXPECT_EQ(core->objectParam("onload"), onload);
    EXPECT_EQ(core->objectParam("on"), onload);
    EXPECT_EQ(core->objectParam("onmissing"), nullptr);
    // A failing lookup keeps the text the page gave.
    EXPECT_EQ(core->paramValue("onbroken"), "brokenHandler");
    EXPECT_EQ(core->paramValue("o"), "pageLoaded");
    EXPECT_EQ(core->paramValue("Onclick"), "pageLoaded");
    EXPECT_EQ(core->paramValue("rtsp"), "rtsp://camera/");
    EXPECT_EQ(core->paramValue("absent"), std::nullopt);
}

TEST_F(PluginCoreTest, PageWithoutAWindowResolvesNoHandlerAndReadyCallsNothing) {
    host->page.window.reset();
    core->takeParamList({{"onload", FB::variant("pageLoaded")}});
    EXPECT_EQ(core->objectParam("onload"), nullptr);
    EXPECT_FALSE(core->markReady());
    EXPECT_EQ(core->readyHooks, 1);
}

TEST_F(PluginCoreTest, WindowlessIsDecidedOnceFromItsParam) {
    core->takeParamList({{"windowless", FB::variant("true")}});
    EXPECT_TRUE(core->answersWindowless());
    core->takeParamList({{"windowless", FB::variant("false")}});
    EXPECT_TRUE(core->answersWindowless());
    auto other = std::make_shared<TestCore>();
    other->takeParamList({{"windowless", FB::variant("maybe")}});
    EXPECT_FALSE(other->answersWindowless());
}

TEST_F(PluginCoreTest, ReadyCallsAUsableOnloadHandler250MillisecondsLaterWithTheRootObject) {
    EXPECT_FALSE(core->markReady());
    EXPECT_TRUE(host->page.scripts.empty());
    // A name that is no page function installs the helper but calls nothing.
    core->takeParamList({{"onload", FB::variant("noSuchFunction")}});
    EXPECT_FALSE(core->markReady());
    EXPECT_EQ(host->page.scripts.size(), 1u);
    EXPECT_EQ(host->page.pendingTimers(), 0u);

    definePageLoaded();
    core->takeParamList({{"onload", FB::variant("pageLoaded")}});
    EXPECT_TRUE(core->markReady());
    EXPECT_EQ(core->readyHooks, 3);
    const auto helperName = "__FB_CALL_" + std::to_string(FB::BrowserHost::callHelperIdFor(core.get()));
    EXPECT_NE(host->page.scripts.back().find(helperName), std::string::npos);
    host->page.advance(249);
    EXPECT_TRUE(calls.empty());
    host->page.advance(1);
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].size(), 1u);
    EXPECT_EQ(calls[0][0].convertTo<FB::JSAPIPtr>(), core->rootScriptingObject());
    EXPECT_EQ(core->scriptingObjectsMade, 1);
}

TEST_F(PluginCoreTest, WindowAttachAndDetachReachTheCoreAsEvents) {
    FB::PluginWindowlessWin first{FB::WindowContextWindowless(nullptr)};
    FB::PluginWindowlessWin second{FB::WindowContextWindowless(nullptr)};
    core->ClearWindow();
    core->SetWindow(&first);
    core->SetWindow(&first);
    EXPECT_EQ(core->getWindow(), &first);
    core->SetWindow(&second);  // detaches from the first (both registrations) first
    second.setWindowPosition(0, 0, 5, 5);
    core->ClearWindow();
    EXPECT_EQ(core->getWindow(), nullptr);
    EXPECT_EQ(core->log, (Lines{"attached", "attached", "detached", "detached", "attached", "resized", "detached"}));
}

TEST_F(PluginCoreTest, LiveCoreCountFollowsConstructionAndDestructionAndHostIsShutDown) {
    const int32_t before = FB::PluginCore::activeCoreCount();
    auto another = std::make_shared<TestCore>();
    EXPECT_EQ(FB::PluginCore::activeCoreCount(), before + 1);
    another.reset();
    core.reset();
    EXPECT_EQ(FB::PluginCore::activeCoreCount(), before - 1);
    EXPECT_TRUE(host->isShutDown());
}

// The application supplies the process-wide factory; here it makes test cores.
namespace {
struct CoreFactory : FB::FactoryBase {
    std::shared_ptr<FB::PluginCore> makePluginObject(const std::string& mimetype) override {
        return mimetype == "application/x-veltrin" ? std::make_shared<TestCore>() : nullptr;
    }
};

struct TestBrowserPlugin : FB::BrowserPlugin {
    using BrowserPlugin::BrowserPlugin;
    void shutdown() override {}
};
}  // namespace

FB::FactoryBasePtr sharedFactory() { return std::make_shared<CoreFactory>(); }

TEST(BrowserPlugin, HoldsTheFactoryMadeCoreAndPassesItThePath) {
    TestBrowserPlugin plugin("application/x-veltrin");
    ASSERT_NE(plugin.pluginCore(), nullptr);
    plugin.setPluginPath("/lib/npVeltrin.so");
    EXPECT_EQ(plugin.pluginCore()->getPluginPath(), "/lib/npVeltrin.so");
}
