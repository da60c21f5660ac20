// The stand-in page of the host tests: a window and a document made of fake page objects, page
// timers on a clock the test moves by hand, and the one script the host evaluates (the installer
// of its delayed-call helper), recognised by its start, which installs a native helper that
// behaves as that script does.
#pragma once

#include "tests/support/host/fake_page_object.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

class FakePage {
public:
    FakePage() = default;
    FakePage(const FakePage&) = delete;
    FakePage& operator=(const FakePage&) = delete;
    // The window and document refer to each other; break that so both can go.
    ~FakePage();

    void attach(const FB::BrowserHostPtr& host);

    FakePageObjectPtr makeFunction(PageFunctionBody body);
    FakePageObjectPtr makeObject();

    // Evaluates script text; only the host's helper installer is understood, anything else (or any
    // script on a page without a window) throws a script error.
    void runScript(const std::string& text);

    // window.setTimeout: runs `action` once the clock has advanced by `delay` ms.
    int setTimeout(int delay, std::function<void()> action);
    // Moves the clock and runs every timer due by then, in due order.
    void advance(int milliseconds);
    int now() const { return m_now; }
    size_t pendingTimers() const { return m_timers.size(); }

    FakePageObjectPtr window;
    FakePageObjectPtr document;
    std::vector<std::string> scripts;  // every script text evaluated, in order

private:
    FB::BrowserHostPtr host() const { return m_host.lock(); }

    std::weak_ptr<FB::BrowserHost> m_host;
    std::map<std::pair<int, int>, std::function<void()>> m_timers;  // by (due, id)
    int m_now = 0;
    int m_lastTimerId = 0;
};

}  // namespace test_support
