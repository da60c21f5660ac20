// npVeltrin.so in the stand-in browser, end to end: loaded with dlopen, driven through its exports,
// reached from page script.
#include "tests/support/npapi_browser/stand_in_browser.h"

#include <gtest/gtest.h>

#include <filesystem>

using test_support::StandInBrowser;
using namespace std::chrono_literals;

namespace {

void expectNoFaults(const StandInBrowser& browser) {
    for (const std::string& fault : browser.faults()) ADD_FAILURE() << fault;
}

}  // namespace

TEST(StandInBrowserWithPlugin, PageReadsVersionAndItsOnloadHandlerGetsThePlugin) {
    StandInBrowser browser;
    browser.loadPage(R"(<html><body>
<script>function pluginLoaded(plugin) { console.log("loaded " + plugin.Version); }</script>
<object id="player" type="application/x-veltrin" width="320" height="240">
  <param name="onload" value="pluginLoaded">
</object>
<script>console.log("version " + document.getElementById("player").Version);</script>
</body></html>)",
                     std::filesystem::temp_directory_path());
    ASSERT_EQ(browser.instanceResult(), NPERR_NO_ERROR);
    const std::string version = browser.evaluate("player.Version").text;
    EXPECT_FALSE(version.empty());
    EXPECT_TRUE(browser.hasConsoleLine("version " + version));
    // The plug-in installs its call relay by NPN_Evaluate and hands the handler to a page timer.
    EXPECT_TRUE(browser.pumpUntil([&] { return browser.hasConsoleLine("loaded " + version); }, 5s));
    browser.shutdownPlugin();
    EXPECT_EQ(browser.liveObjectCount(), 0u);
    expectNoFaults(browser);
}

TEST(StandInBrowserWithPlugin, ThePluginsScriptErrorIsThrownInThePageAndItsObjectsGoWithTheInstance) {
    StandInBrowser browser;
    browser.loadPage(R"(<object id="player" type="application/x-veltrin" width="64" height="48"></object>)",
                     std::filesystem::temp_directory_path());
    EXPECT_EQ(browser.evaluate("try { player.StartPlay = 1; 'no error' } catch (e) { e.message }").text,
              "This property cannot be changed");
    EXPECT_EQ(browser.evaluate("player.getLastException()").text, "This property cannot be changed");
    browser.evaluate("var kept = player; var method = player.StartPlay;");
    browser.destroyInstance();
    EXPECT_EQ(browser.evaluate("try { kept.Version; 'no error' } catch (e) { e.message }").text,
              "The plug-in object is no longer available");
    browser.shutdownPlugin();
    EXPECT_EQ(browser.liveObjectCount(), 0u);
    expectNoFaults(browser);
}
