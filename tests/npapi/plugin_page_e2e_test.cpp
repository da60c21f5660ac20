// npVeltrin.so in the stand-in browser, loaded with dlopen and driven only through its exports: a
// page with the plug-in element gets its scriptable object in "onload", calls its methods, sees
// its script errors and hears its events on a listener it registered and on a handler it set as a
// member of the object. Every browser function checks it is called on the browser's main thread;
// the page ends with no live browser object and no such fault. The page runs in a browser of each
// kind: one whose agent and table have the plug-in bring its deferred calls to the main thread
// through NPN_PluginThreadAsyncCall, and two for which it uses its own message window (the
// member handler is such a call).
#include "platform/window/win_input_testing.h"
#include "tests/support/npapi_browser/stand_in_browser.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::chrono_literals;

namespace {

using test_support::PluginHost;

class PluginPage : public ::testing::TestWithParam<test_support::BrowserIdentity> {
protected:
    void SetUp() override {
        if (!test_support::pluginCanPickHostOf(GetParam()))
            GTEST_SKIP() << "the plug-in picked its host for an earlier browser of this process; run this case alone";
    }
};

TEST_P(PluginPage, APageDrivesThePluginThroughItsScriptingObject) {
    test_support::StandInBrowser browser(GetParam());
    browser.loadPage(R"(<html><body>
<script>var loadedWith = null; function pluginLoaded(p) { loadedWith = p; }</script>
<object id="player" type="application/x-veltrin" width="320" height="240">
  <param name="onload" value="pluginLoaded"/>
</object>
<script>var player = document.getElementById('player');
var heard = [], heardAsMember = [];
function onDown(windowIndex, kind) { heard.push(windowIndex + ':' + kind); }
player.SetFunction(0);
player.addEventListener('onMouseDownScreen', onDown, false);
player.ononMouseDownScreen = function(windowIndex, kind) { heardAsMember.push(windowIndex + ':' + kind); };</script>
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
    ASSERT_TRUE(browser.pumpUntil([&] { return eval("heard.length + heardAsMember.length") == "2"; }, 5s));
    EXPECT_EQ("0:0", eval("heard[0]"));
    EXPECT_EQ("0:0", eval("heardAsMember[0]"));
    eval("player.removeEventListener('onMouseDownScreen', onDown, false)");
    platform::testing::advanceInputClock(1000);
    click();
    ASSERT_TRUE(browser.pumpUntil([&] { return eval("heardAsMember.length") == "2"; }, 5s));
    EXPECT_EQ("1", eval("heard.length"));
    // The member handler's call came to the main thread through the browser only for its host.
    if (GetParam().host == PluginHost::AsyncCall)
        EXPECT_GE(browser.asyncCallsRun(), 2u);
    else
        EXPECT_EQ(0u, browser.asyncCallsRun());

    browser.destroyInstance();
    browser.shutdownPlugin();
    EXPECT_EQ(0u, browser.liveObjectCount());
    EXPECT_EQ(std::vector<std::string>{}, browser.faults());
}

INSTANTIATE_TEST_SUITE_P(EveryHost, PluginPage, ::testing::ValuesIn(test_support::browsersOfEveryHost()),
                         [](const ::testing::TestParamInfo<test_support::BrowserIdentity>& browser) {
                             return browser.param.name;
                         });

}  // namespace
