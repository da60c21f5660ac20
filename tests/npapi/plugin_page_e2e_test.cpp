// npVeltrin.so in the stand-in browser, loaded with dlopen and driven only through its exports:
// the instance's life with its <param>s and "onload", page script calling the scripting object,
// page handlers hearing the plug-in's events, and the host variant the browser's user agent and
// table choose. Every browser function checks it is called on the browser's main thread; each
// test ends with no live browser object and no such fault.
#include "platform/window/win_input_testing.h"
#include "tests/support/npapi_browser/stand_in_browser.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::chrono_literals;

namespace {

using test_support::BrowserOptions;
using test_support::StandInBrowser;

// The plug-in element with an "onload" handler that records what it was given.
std::string pageWith(const std::string& script, const std::string& params = "") {
    return R"(<html><body>
<script>var loadedWith = null; function pluginLoaded(p) { loadedWith = p; }</script>
<object id="player" type="application/x-veltrin" width="320" height="240">
  <param name="onload" value="pluginLoaded"/>)" +
           params + R"(
</object>
<script>var player = document.getElementById('player');)" +
           script + R"(</script>
</body></html>)";
}

class PluginPage : public ::testing::Test {
protected:
    void load(const std::string& script = "", const std::string& params = "") {
        browser->loadPage(pageWith(script, params), ".");
        ASSERT_EQ(NPERR_NO_ERROR, browser->instanceResult());
        ASSERT_TRUE(browser->pumpUntil([&] { return browser->evaluate("loadedWith !== null").text == "true"; }, 5s));
    }
    std::string eval(const std::string& script) { return browser->evaluate(script).text; }
    // The text of what the script throws, or "no error".
    std::string errorOf(const std::string& script) {
        return eval("(function() { try { " + script + "; return 'no error'; } catch (e) { return e.message; } })()");
    }
    void TearDown() override {
        browser->destroyInstance();
        browser->shutdownPlugin();
        EXPECT_EQ(0u, browser->liveObjectCount());
        EXPECT_EQ(std::vector<std::string>{}, browser->faults());
    }

    std::unique_ptr<StandInBrowser> browser = std::make_unique<StandInBrowser>();
};

TEST_F(PluginPage, OnloadGetsTheElementsScriptableObjectWithItsWindowInPlace) {
    load();
    // The same plug-in object: what is set through one is read through the other.
    eval("player.marker = 'set through the element'");
    EXPECT_EQ("set through the element", eval("loadedWith.marker"));
    EXPECT_EQ("V2.28", eval("loadedWith.Version"));
    ASSERT_NE(nullptr, browser->pluginWindow());
    RECT client{};
    GetClientRect(browser->pluginWindow(), &client);
    EXPECT_EQ(320, client.right);
    EXPECT_EQ(NPERR_NO_ERROR, browser->resizePlugin(640, 360));
    GetClientRect(browser->pluginWindow(), &client);
    EXPECT_EQ(640, client.right);
}

TEST_F(PluginPage, MethodsAreFunctionObjectsAndVersionAProperty) {
    load();
    EXPECT_EQ("function", eval("typeof player.SetAreaHideFlag"));
    EXPECT_EQ("true", eval("'SetAreaHideFlag' in player"));
    EXPECT_EQ("no error", errorOf("player.SetAreaHideFlag(1, 0)"));
    EXPECT_EQ("no error", errorOf("player.SetAreaHideFlag.call(player, 1, 0)"));
    EXPECT_EQ("V2.28", eval("player.Version"));
}

TEST_F(PluginPage, ScriptErrorsReachThePageAndGetLastException) {
    load();
    EXPECT_EQ("This property cannot be changed", errorOf("player.StartPlay = 1"));
    EXPECT_EQ("This property cannot be changed", eval("player.getLastException()"));
    const std::string argumentError = errorOf("player.SetAreaHideFlag(1)");
    EXPECT_NE("no error", argumentError);
    EXPECT_EQ(argumentError, eval("player.getLastException()"));
    EXPECT_EQ("Invalid Arguments", errorOf("player.addEventListener('alarm')"));
}

// A click in the plug-in window fires "ononMouseDownScreen" once a view exists.
TEST_F(PluginPage, ListenersHearTheEventsOnTheMainThreadUntilRemoved) {
    load(R"(var heard = [];
function onDown(windowIndex, kind) { heard.push(windowIndex + ':' + kind); }
player.SetFunction(0);
player.addEventListener('onMouseDownScreen', onDown, false);)");
    const HWND window = browser->pluginWindow();
    platform::testing::mouseDown(window, platform::testing::MouseButton::Left, 10, 10);
    platform::testing::mouseUp(window, platform::testing::MouseButton::Left, 10, 10);
    ASSERT_TRUE(browser->pumpUntil([&] { return eval("heard.length") == "1"; }, 5s));
    EXPECT_EQ("0:0", eval("heard[0]"));

    eval("player.removeEventListener('onMouseDownScreen', onDown, false)");
    platform::testing::advanceInputClock(1000);
    platform::testing::mouseDown(window, platform::testing::MouseButton::Left, 10, 10);
    platform::testing::mouseUp(window, platform::testing::MouseButton::Left, 10, 10);
    browser->pumpFor(100ms);
    EXPECT_EQ("1", eval("heard.length"));
}

// The host variant shows in how a handler stored on the object is called: through a call posted
// to the main thread, by the browser's NPN_PluginThreadAsyncCall or by the plug-in's own message
// window. A table cut before that function, whatever its version, gets the message window.
class HostVariant : public PluginPage {
protected:
    void start(BrowserOptions options) {
        browser.reset();
        browser = std::make_unique<StandInBrowser>(options);
        load(R"(var heard = 0;
player.SetFunction(0);
player.ononMouseDownScreen = function() { heard++; };)");
        const HWND window = browser->pluginWindow();
        platform::testing::mouseDown(window, platform::testing::MouseButton::Left, 5, 5);
        platform::testing::mouseUp(window, platform::testing::MouseButton::Left, 5, 5);
    }
    bool handlerRan() {
        return browser->pumpUntil([&] { return eval("heard") == "1"; }, 1500ms);
    }
    static BrowserOptions withoutAsyncCall() {
        BrowserOptions options;
        options.tableSize = NP_TABLE_SIZE_THROUGH(NPNetscapeFuncs, enumerate);
        return options;
    }
};

TEST_F(HostVariant, AnOrdinaryBrowserRunsCallsThroughItsAsyncCall) {
    start(BrowserOptions{});
    EXPECT_TRUE(handlerRan());
}

TEST_F(HostVariant, SafariInTheUserAgentSelectsTheMessageWindow) {
    BrowserOptions options = withoutAsyncCall();
    options.userAgent = "Mozilla/5.0 (Macintosh) AppleWebKit/605.1.15 Version/13.1 Safari/605.1.15";
    start(options);
    EXPECT_TRUE(handlerRan());
}

TEST_F(HostVariant, ATableOlderThanVersion19SelectsTheMessageWindow) {
    BrowserOptions options;
    options.tableVersion = 18;
    start(options);
    EXPECT_TRUE(handlerRan());
}

TEST_F(HostVariant, ATableOfVersion19OrLaterWithoutTheAsyncCallSelectsTheMessageWindow) {
    start(withoutAsyncCall());
    EXPECT_TRUE(handlerRan());
}

}  // namespace
