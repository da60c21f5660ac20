// The browser's NPN functions refuse work off the browser's main thread and record it as a fault;
// NPN_PluginThreadAsyncCall alone may be called from anywhere.
#include "tests/support/npapi_browser/browser_functions.h"
#include "tests/support/npapi_browser/stand_in_browser.h"

#include <gtest/gtest.h>

using test_support::BrowserSession;
using test_support::StandInBrowser;

TEST(StandInBrowserFunctions, OffTheMainThreadACallIsRefusedAndRecordedAsAFault) {
    StandInBrowser browser;
    const NPNetscapeFuncs table = test_support::browserFunctionTable();
    EXPECT_EQ(table.getstringidentifier("name"), nullptr);
    EXPECT_EQ(table.memalloc(8), nullptr);
    table.pluginthreadasynccall(
        nullptr, [](void*) {}, nullptr);
    EXPECT_EQ(browser.faults(),
              (std::vector<std::string>{"NPN_GetStringIdentifier called off the browser's main thread",
                                        "NPN_MemAlloc called off the browser's main thread"}));
    EXPECT_NE(browser.onMainThread([&](BrowserSession&) { return table.getstringidentifier("name"); }), nullptr);
    EXPECT_EQ(browser.faults().size(), 2u);
}
