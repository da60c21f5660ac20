// What both stand-ins give tests: one page (a file, or page text with the folder its URLs resolve
// in) shown by a session (a PageSession) made, used and destroyed on a main thread of the stand-in
// that runs the platform's message pump. Tests drive it from their own thread: every call below is
// carried out on the main thread, and a condition given to pumpUntil is checked there. At the end
// a test asserts no live objects and no faults.
#pragma once

#include "tests/support/page_engine/browser_faults.h"
#include "tests/support/page_engine/browser_main_thread.h"
#include "tests/support/page_engine/page_document.h"
#include "tests/support/page_engine/page_script.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

template <typename Session>
class StandIn {
public:
    StandIn()
        : mainThread_([this](const std::string& fault) { faults_.record(fault); },
                      [this] {
                          if (session_) session_->settle();
                      }) {
        mainThread_.run(
            [&] { session_ = std::make_unique<Session>(mainThread_, faults_); });
    }
    // The session goes (the plug-in with it), then the main thread ends.
    ~StandIn() {
        mainThread_.run([this] { session_.reset(); });
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    // Throws PageError for a page it cannot read and std::runtime_error for a plug-in it cannot make.
    void loadPage(std::string_view html, const std::filesystem::path& baseDirectory) {
        mainThread_.run([&] { session_->loadPage(loadPageText(html, baseDirectory)); });
    }

    // Lets the main thread work until the condition holds or the time is up; answers whether it held.
    bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
        return mainThread_.pollUntil(condition, timeout);
    }
    ScriptResult evaluate(const std::string& script) {
        return mainThread_.run([this, &script] { return session_->evaluate(script); });
    }
    std::vector<std::string> consoleLines() {
        return mainThread_.run([this] { return session_->consoleLines(); });
    }
    bool hasConsoleLine(const std::string& line) {
        const std::vector<std::string> lines = consoleLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    size_t liveObjectCount() {
        return mainThread_.run([this] { return session_->liveObjects(); });
    }
    std::vector<std::string> faults() const { return faults_.all(); }

    // Anything else a test needs of the session, run on the main thread.
    template <typename Work>
    auto onMainThread(Work&& work) {
        return mainThread_.run([this, &work] { return work(*session_); });
    }

private:
    BrowserFaults faults_;
    std::unique_ptr<Session> session_;  // made, used and destroyed on the main thread
    BrowserMainThread mainThread_;
};

}  // namespace test_support
