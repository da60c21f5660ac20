// npVeltrin.so in the stand-in browser, loaded with dlopen and driven only through its exports: a
// page with the plug-in element gets its scriptable object in "onload", calls its methods, sees
// its script errors and hears its events on a listener it registered. Every browser function
// checks it is called on the browser's main thread; the page ends with no live browser object
// and no such fault.
#include "platform/window/win_input_testing.h"
#include "tests/support/npapi_browser/stand_in_browser.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::chrono_literals;

namespace {

TEST(PluginPage, APageDrivesThePluginThroughItsScriptingObject) {
    test_support::StandInBrowser browser;
    browser.loadPage(R"(<html><body>
<script>var loadedWith = null; function pluginLoaded(p) { loadedWith = p; }</script>
<object id="player" type="application/x-veltrin" width="320" height="240">
  <param name="onload" value="pluginLoaded"/>
</object>
<script>var player = document.getElementById('player');
var heard = [];
function onDown(windowIndex, kind) { heard.push(windowIndex + ':' + kind); }
player.SetFunction(0);
player.addEventListener('onMouseDownScreen', onDown, false);</script>
</body></html>)",
                     ".");
    ASSERT_EQ(NPERR_NO_ERROR, browser.instanceResult());
    auto eval = [&](const std::string& script) { return browser.evaluate(script).text; };
    auto errorOf = [&](const std::string& script) {
        return eval("(function() { try { " + script + "; return 'no error'; } catch (e) { return e.message; } })()");
    };
    ASSERT_TRUE(browser.pumpUntil([&] { return eval("loadedWith !== null") == "true"; }, 5s));
    // The same plug-in object: what is set through one is read through the other.
    eval("player.marker = 'set through the element'");
    EXPECT_EQ("set through the element", eval("loadedWith.marker"));
    EXPECT_EQ("V2.28", eval("player.Version"));
    EXPECT_EQ("function", eval("typeof player.SetAreaHideFlag"));
    EXPECT_EQ("no error", errorOf("player.SetAreaHideFlag.call(player, 1, 0)"));

    EXPECT_EQ("This property cannot be changed", errorOf("player.StartPlay = 1"));
    EXPECT_EQ("This property cannot be changed", eval("player.getLastException()"));
    EXPECT_EQ("Invalid Arguments", errorOf("player.addEventListener('alarm')"));

    // A click in the plug-in window fires "ononMouseDownScreen" once a view exists.
    const HWND window = browser.pluginWindow();
    auto click = [&] {
        platform::testing::mouseDown(window, platform::testing::MouseButton::Left, 10, 10);
        platform::testing::mouseUp(window, platform::testing::MouseButton::Left, 10, 10);
    };
    click();
    ASSERT_TRUE(browser.pumpUntil([&] { return eval("heard.length") == "1"; }, 5s));
    EXPECT_EQ("0:0", eval("heard[0]"));
    eval("player.removeEventListener('onMouseDownScreen', onDown, false)");
    platform::testing::advanceInputClock(1000);
    click();
    browser.pumpFor(100ms);
    EXPECT_EQ("1", eval("heard.length"));

    browser.destroyInstance();
    browser.shutdownPlugin();
    EXPECT_EQ(0u, browser.liveObjectCount());
    EXPECT_EQ(std::vector<std::string>{}, browser.faults());
}

}  // namespace
