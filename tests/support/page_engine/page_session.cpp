#include "tests/support/page_engine/page_session.h"

#include <cassert>
#include <stdexcept>

namespace test_support {

PageSession::PageSession(BrowserMainThread& mainThread, BrowserFaults& faults)
    : mainThread_(mainThread), faults_(faults) {
    assert(mainThread_.isCurrent());
}

PageSession::~PageSession() { assert(!page_); }

void PageSession::loadPage(PageDocument page) {
    assert(mainThread_.isCurrent());
    if (page_) throw std::logic_error("a stand-in shows one page in its life");
    document_ = std::move(page);
    page_ = std::make_unique<PageScript>(document_.url);
    bridge_ = makeBridge(*page_);
    if (document_.plugin) defineElement(*document_.plugin);
    runScripts(document_.scriptsBeforePlugin);
    if (document_.plugin) embedPlugin(*document_.plugin);
    runScripts(document_.scriptsAfterPlugin);
}

// A plain script object with the <object>'s attributes (and tagName "OBJECT"), reached under the
// element's id until the plug-in gives its own object.
void PageSession::defineElement(const PluginElement& element) {
    duk_context* context = page_->context();
    duk_push_object(context);
    for (const PageAttribute& attribute : element.attributes) {
        duk_push_lstring(context, attribute.value.data(), attribute.value.size());
        duk_put_prop_lstring(context, -2, attribute.name.data(), attribute.name.size());
    }
    duk_push_string(context, "OBJECT");
    duk_put_prop_string(context, -2, "tagName");
    elementKey_ = page_->holdValue(-1);
    duk_pop(context);
    if (element.id().empty()) return;
    page_->defineElement(element.id(), [this](duk_context*) {
        if (!pushPluginObject()) page_->pushHeldValue(elementKey_);
    });
}

// An error nobody caught is written to the console.
void PageSession::runScripts(const std::vector<std::string>& scripts) {
    for (const std::string& script : scripts) {
        const ScriptResult result = page_->evaluate(script, "page script");
        if (!result.ok) page_->writeConsole("Uncaught " + result.text);
        settle();
    }
}

ScriptResult PageSession::evaluate(const std::string& script) {
    assert(mainThread_.isCurrent());
    if (!page_) return {false, "no page is loaded"};
    ScriptResult result = page_->evaluate(script, "evaluate");
    settle();
    return result;
}

const std::vector<std::string>& PageSession::consoleLines() const {
    static const std::vector<std::string> none;
    return page_ ? page_->consoleLines() : none;
}

size_t PageSession::liveObjects() {
    assert(mainThread_.isCurrent());
    if (page_) {  // the first pass runs the finalizers of proxies script dropped, the second frees them
        duk_gc(page_->context(), 0);
        duk_gc(page_->context(), 0);
    }
    settle();
    return liveCount();
}

void PageSession::settle() {
    if (bridge_) bridge_->releaseDroppedReferences();
}

void PageSession::closePage() {
    if (bridge_) bridge_->detachPage();
    page_.reset();  // finalizers queue what the proxies still held
    settle();
    bridge_.reset();
}

}  // namespace test_support
