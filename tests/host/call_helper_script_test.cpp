// The page helper the host installs for delayed calls, run by a real script engine: the stand-in
// page of the other host tests only recognises the text.
#include "tests/support/host/test_browser_host.h"

#include <duktape.h>
#include <gtest/gtest.h>

#include <string>

namespace {

// A script engine whose global object is the page's window, with a setTimeout that only queues
// the function, so the test decides when page timers fire.
class PageScript {
public:
    PageScript() : m_context(duk_create_heap_default()) {
        run("var window = this; var timers = []; var log = [];"
            "function setTimeout(f, delay) { timers.push({ f: f, delay: delay }); return timers.length; }");
    }
    ~PageScript() { duk_destroy_heap(m_context); }
    PageScript(const PageScript&) = delete;
    PageScript& operator=(const PageScript&) = delete;

    // The completion value as text, or "error: " and the error's text.
    std::string run(const std::string& text) {
        const bool failed = duk_peval_string(m_context, text.c_str()) != 0;
        std::string value = (failed ? "error: " : "") + std::string(duk_safe_to_string(m_context, -1));
        duk_pop(m_context);
        return value;
    }

private:
    duk_context* m_context;
};

}  // namespace

TEST(CallHelperScript, RunsTheFunctionOrTheNamedMemberFromAPageTimerWithTheArguments) {
    auto host = test_support::TestBrowserHost::create();
    host->installCallHelper(reinterpret_cast<void*>(uintptr_t(0x1000)));
    ASSERT_EQ(host->page.scripts.size(), 1u);
    PageScript page;
    ASSERT_EQ(page.run(host->page.scripts[0]).rfind("error", 0), std::string::npos);
    page.run(
        "function f(a, b) { log.push('f ' + a + b); }"
        "var o = { greet: function(x) { log.push('greet ' + (this === o) + ' ' + x); } };");

    // Three arguments: the function itself; four: its member of that name, on the object.
    EXPECT_EQ(page.run("window.__FB_CALL_4608(0, f, [1, 2])"), "1");
    EXPECT_EQ(page.run("window.__FB_CALL_4608(250, o, ['hi'], 'greet')"), "2");
    EXPECT_EQ(page.run("log.length"), "0");  // never inside the caller
    EXPECT_EQ(page.run("timers.map(function(t) { return t.delay; }).join()"), "0,250");
    page.run("timers.forEach(function(t) { t.f(); })");
    EXPECT_EQ(page.run("log.join('|')"), "f 12|greet true hi");
}
