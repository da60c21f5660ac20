// The page's script world on the browser's main thread: timers in order through the message pump,
// the console, and errors nobody caught.
#include "tests/support/page_engine/browser_main_thread.h"
#include "tests/support/page_engine/page_script.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using test_support::BrowserMainThread;
using test_support::PageScript;

namespace {

class StandInBrowserPageScript : public ::testing::Test {
protected:
    void SetUp() override {
        page_ = main_.run([] { return std::make_shared<PageScript>("file:///page.html"); });
    }
    void TearDown() override {
        main_.run([this] { page_.reset(); });
    }

    // Waits, pumping on the main thread, until no page timer is left.
    void waitForTimers() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (main_.run([this] { return page_->waitingTimers(); }) > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    std::vector<std::string> faults_;
    BrowserMainThread main_{[this](const std::string& fault) { faults_.push_back(fault); }, nullptr};
    std::shared_ptr<PageScript> page_;
};

}  // namespace

TEST_F(StandInBrowserPageScript, TimersRunByDueTimeThenInTheOrderTheyWereSet) {
    main_.run([this] {
        EXPECT_TRUE(
            page_
                ->evaluate("var order = [];"
                           "setTimeout(function(a, b) { order.push('late' + a + b); }, 40, 1, 2);"
                           "setTimeout(function() { order.push('first'); }, 0);"
                           "var cancelled = setTimeout(function() { order.push('cancelled'); }, 0);"
                           "setTimeout(\"order.push('text')\", 0);"
                           "clearTimeout(cancelled);"
                           "setTimeout(function() { setTimeout(function() { order.push('nested'); }, 0); }, 0);")
                .ok);
    });
    waitForTimers();
    main_.run([this] { EXPECT_EQ(page_->evaluate("order.join()").text, "first,text,nested,late12"); });
}

TEST_F(StandInBrowserPageScript, ConsoleKeepsLinesAndUncaughtTimerErrors) {
    main_.run([this] {
        page_->evaluate(
            "console.log('a', 1, {}, null); alert('hi');"
            "setTimeout(function() { throw new TypeError('in timer'); }, 0);");
    });
    waitForTimers();
    main_.run([this] {
        const auto result =
            page_->evaluate("window.location.href + ' ' + (window === this) + ' ' + (document.getElementById('none'))");
        EXPECT_EQ(result.text, "file:///page.html true null");
        EXPECT_FALSE(page_->evaluate("syntax error here").ok);
        EXPECT_EQ(page_->consoleLines(),
                  (std::vector<std::string>{"a 1 [object Object] null", "alert: hi", "Uncaught TypeError: in timer"}));
    });
    EXPECT_TRUE(faults_.empty());
}
