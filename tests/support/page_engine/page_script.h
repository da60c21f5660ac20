// The page's script world: a Duktape heap whose global object is the page's window, with
// "document" (getElementById and the page's location), "console.log" and the other console
// writers (captured as lines), "alert" (a console line too), "setTimeout" and "clearTimeout" (page
// timers run by the main thread's pump). Main thread only: made, used and destroyed there.
#pragma once

#include "tests/support/page_engine/duktape_heap.h"
#include "tests/support/page_engine/pump_timers.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

struct ScriptResult {
    bool ok = false;
    std::string text;  // the completion value as text, or the error's text
};

class PageScript {
public:
    // Pushes the current value of an element onto the stack (exactly one value).
    using ElementSource = std::function<void(duk_context*)>;

    explicit PageScript(std::string pageUrl);
    ~PageScript();
    PageScript(const PageScript&) = delete;
    PageScript& operator=(const PageScript&) = delete;

    duk_context* context() const { return heap_.get(); }

    // Runs script text in the global scope.
    ScriptResult evaluate(std::string_view text, const char* fileName = "page");
    // The same, leaving the completion value (true) or the error thrown (false) on the stack.
    bool evaluateOnStack(std::string_view text, const char* fileName = "page");

    // Makes the element reachable from script as document.getElementById(id) and as the window's
    // property of that name.
    void defineElement(const std::string& id, ElementSource source);

    // A line of the page's console; script errors nobody caught land here as "Uncaught " + text.
    void writeConsole(std::string line) { console_.push_back(std::move(line)); }
    const std::vector<std::string>& consoleLines() const { return console_; }
    // The text of the value on top of the stack, as String() gives it (no error escapes).
    static std::string textOf(duk_context* context, duk_idx_t index);

    // Values the browser keeps alive for C++ owners (page objects handed to the plug-in): hold
    // takes the value at the index, push puts it back on the stack, drop lets it go.
    int holdValue(duk_idx_t index);
    void pushHeldValue(int key);
    void dropHeldValue(int key);

    size_t waitingTimers() const { return timers_.waiting(); }

    static PageScript& of(duk_context* context);

private:
    void defineGlobals(const std::string& pageUrl);
    void runTimer(int id);
    void pushElement(duk_context* context, const char* id) const;

    static duk_ret_t consoleLog(duk_context* context);
    static duk_ret_t alert(duk_context* context);
    static duk_ret_t setTimeout(duk_context* context);
    static duk_ret_t clearTimeout(duk_context* context);
    static duk_ret_t getElementById(duk_context* context);
    static duk_ret_t elementGetter(duk_context* context);

    DuktapeHeap heap_;
    PumpTimers timers_;
    std::vector<std::string> console_;
    std::map<std::string, ElementSource> elements_;
    int nextHeldKey_ = 1;
};

}  // namespace test_support
