#include "tests/support/host/fake_page.h"

#include "host/browser_host.h"
#include "scripting/script_error.h"

#include <algorithm>

namespace test_support {

namespace {

// The id in the host's helper installer "window.__FB_CALL_<id> = function(...", or "". The
// script itself is run by a real script engine in its own test.
std::string helperIdIn(const std::string& text) {
    static const std::string prefix = "window.__FB_CALL_";
    if (text.compare(0, prefix.size(), prefix) != 0) return {};
    const size_t end = text.find(" = function(delay, f, args, fname)", prefix.size());
    return end == std::string::npos ? std::string() : text.substr(prefix.size(), end - prefix.size());
}

}  // namespace

FakePage::~FakePage() {
    if (window) window->properties.clear();
    if (document) document->properties.clear();
}

void FakePage::attach(const FB::BrowserHostPtr& host) {
    m_host = host;
    window = makeObject();
    document = makeObject();
    window->properties["document"] = FB::variant(FB::JSObjectPtr(document));
    document->properties["window"] = FB::variant(FB::JSObjectPtr(window));
}

FakePageObjectPtr FakePage::makeFunction(PageFunctionBody body) {
    return std::make_shared<FakePageObject>(host(), std::move(body));
}

FakePageObjectPtr FakePage::makeObject() { return std::make_shared<FakePageObject>(host()); }

void FakePage::runScript(const std::string& text) {
    scripts.push_back(text);
    std::string id = helperIdIn(text);
    if (id.empty() || !window) throw FB::script_error("Error executing JavaScript code");
    // f.apply(null, args) with three arguments, f[fname].apply(f, args) with four.
    auto helper = makeFunction([this](const FB::VariantList& args) -> FB::variant {
        int delay = args.at(0).convertTo<int>();
        FB::JSObjectPtr function = args.at(1).convertTo<FB::JSObjectPtr>();
        FB::VariantList callArgs = args.at(2).convertTo<FB::VariantList>();
        std::string member = args.size() == 4 ? args[3].convertTo<std::string>() : std::string();
        return FB::variant(setTimeout(delay, [function, callArgs, member] {
            if (function) function->Invoke(member, callArgs);
        }));
    });
    window->properties["__FB_CALL_" + id] = FB::variant(FB::JSObjectPtr(helper));
}

int FakePage::setTimeout(int delay, std::function<void()> action) {
    m_timers.emplace(std::make_pair(m_now + std::max(delay, 0), ++m_lastTimerId), std::move(action));
    return m_lastTimerId;
}

void FakePage::advance(int milliseconds) {
    const int until = m_now + milliseconds;
    while (!m_timers.empty() && m_timers.begin()->first.first <= until) {
        auto timer = m_timers.extract(m_timers.begin());
        m_now = timer.key().first;
        timer.mapped()();
    }
    m_now = until;
}

}  // namespace test_support
