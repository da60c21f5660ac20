// The page reader: what the stand-in browser takes from an HTML page, and the markup it refuses.
#include "tests/support/page_engine/page_document.h"

#include <gtest/gtest.h>

using test_support::PageError;
using test_support::parsePage;

TEST(StandInBrowserPageReader, ReadsThePluginElementItsParamsAndTheScriptsAroundIt) {
    const auto page = parsePage(R"(<!DOCTYPE html>
<html><head><script>var before = 1;</script>
<!-- <script>commented()</script> <object id="no"> -->
<SCRIPT type="text/template">not script</SCRIPT></head>
<body>
<object id='player' TYPE="application/x-veltrin" width=640 height="480px">
  <param name="onload" value="pluginLoaded"/>
  <param name=title value="a &amp; b &lt;&#x4E2D;&gt;">
  <object type="fallback"><param name="inner" value="no"></object>
  <param name="last" value="">
</object>
<object id="second"></object>
<script>var after = "</scrip" + "t>";</script>
</body></html>)");
    ASSERT_TRUE(page.plugin);
    EXPECT_EQ(page.plugin->id(), "player");
    EXPECT_EQ(page.plugin->type(), "application/x-veltrin");
    EXPECT_EQ(page.plugin->width(), 640);
    EXPECT_EQ(page.plugin->height(), 480);
    ASSERT_EQ(page.plugin->params.size(), 3u);
    EXPECT_EQ(page.plugin->params[0].name, "onload");
    EXPECT_EQ(page.plugin->params[0].value, "pluginLoaded");
    EXPECT_EQ(page.plugin->params[1].value, "a & b <\xE4\xB8\xAD>");
    EXPECT_EQ(page.plugin->params[2].name, "last");
    ASSERT_EQ(page.scriptsBeforePlugin.size(), 1u);
    EXPECT_EQ(page.scriptsBeforePlugin[0], "var before = 1;");
    ASSERT_EQ(page.scriptsAfterPlugin.size(), 1u);
    EXPECT_EQ(page.scriptsAfterPlugin[0], R"(var after = "</scrip" + "t>";)");
}

TEST(StandInBrowserPageReader, SizeFallsBackToHtmlsDefaultWhenMissingOrRelative) {
    const auto page = parsePage(R"(<object width="50%"></object>)");
    ASSERT_TRUE(page.plugin);
    EXPECT_EQ(page.plugin->width(), 300);
    EXPECT_EQ(page.plugin->height(), 150);
}

TEST(StandInBrowserPageReader, RefusesMarkupItCannotReadWithAClearError) {
    for (const char* html : {"<script>never closed", "<object id=\"x", "<object id=x", "<!-- open comment",
                             "<script src=\"lib.js\"></script>"}) {
        EXPECT_THROW(parsePage(html), PageError) << html;
    }
}
