#include "scripting/js_object.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

#include <vector>

using test_support::TestBrowserHost;

namespace {

// Page handlers must never run inside the plug-in's own call stack, even when the plug-in asks
// from the browser's thread itself: nothing reaches the page until that thread's queue runs.
TEST(DeferredPageCalls, InvokeLaterOnTheMainThreadReachesThePageOnlyFromItsQueue) {
    auto host = TestBrowserHost::create();
    std::vector<int> received;
    auto function = host->page.makeFunction([&](const FB::VariantList& args) {
        received.push_back(args.at(0).convertTo<int>());
        return FB::variant();
    });

    function->invokeLater("", {FB::variant(7)});
    EXPECT_TRUE(host->page.scripts.empty());
    EXPECT_EQ(host->page.pendingTimers(), 0u);
    TestBrowserHost::pump();
    EXPECT_EQ(host->page.pendingTimers(), 1u);
    EXPECT_TRUE(received.empty());
    host->page.advance(0);
    EXPECT_EQ(received, std::vector<int>{7});
    host->shutdown();
}

}  // namespace
