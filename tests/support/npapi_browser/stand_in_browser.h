// The stand-in NPAPI browser as tests use it. It loads one page (a file, or page text with the
// folder its URLs resolve in), runs the page's script in Duktape and the plug-in library
// (npVeltrin.so unless told otherwise) through its exports with the function table the options
// describe, all on a main thread of its own that runs the platform's message pump. Tests drive it
// from their own thread: every call below is carried out on the main thread, and a condition given
// to pumpUntil is checked there. At the end a test asserts no live objects and no faults.
//
//   test_support::StandInBrowser browser;
//   browser.loadPageFile(page);
//   ASSERT_TRUE(browser.pumpUntil([&] { return !browser.consoleLines().empty(); }, 5s));
//   EXPECT_EQ(browser.evaluate("document.getElementById('player').Version").text, "1.0.0.1");
//   browser.shutdownPlugin();
//   EXPECT_EQ(browser.liveObjectCount(), 0u);
//   EXPECT_TRUE(browser.faults().empty());
#pragma once

#include "tests/support/page_engine/browser_faults.h"
#include "tests/support/page_engine/browser_main_thread.h"
#include "tests/support/npapi_browser/browser_session.h"

#include "platform/window/win_surface_testing.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

class StandInBrowser {
public:
    explicit StandInBrowser(BrowserOptions options = {});
    // Destroys the instance, shuts the plug-in down and unloads it, then ends the main thread.
    ~StandInBrowser();
    StandInBrowser(const StandInBrowser&) = delete;
    StandInBrowser& operator=(const StandInBrowser&) = delete;

    // Loads the page: its scripts before the plug-in run, the plug-in's instance is made and given
    // its window, then the scripts after it run. Throws PageError for a page it cannot read and
    // std::runtime_error for a plug-in library it cannot load or start.
    void loadPageFile(const std::filesystem::path& file);
    void loadPage(std::string_view html, const std::filesystem::path& baseDirectory);
    // NPP_New's answer (NPERR_INVALID_INSTANCE_ERROR before any).
    NPError instanceResult();

    // Lets the main thread work until the condition holds (checked on the main thread, where the
    // calls below may be made too) or the time is up; answers whether it held.
    bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
    void pumpFor(std::chrono::milliseconds duration);

    ScriptResult evaluate(const std::string& script);
    std::vector<std::string> consoleLines();
    bool hasConsoleLine(const std::string& line);

    HWND pluginWindow();
    platform::testing::SurfacePixels pluginPixels();
    NPError resizePlugin(int width, int height);

    void destroyInstance();
    void shutdownPlugin();
    size_t liveObjectCount();
    std::vector<std::string> faults() const { return faults_.all(); }

    // Anything else a test needs of the browser, run on its main thread.
    template <typename Work>
    auto onMainThread(Work&& work) {
        return mainThread_.run([this, &work] { return work(*session_); });
    }

private:
    BrowserFaults faults_;
    std::unique_ptr<BrowserSession> session_;  // made, used and destroyed on the main thread
    BrowserMainThread mainThread_;
};

}  // namespace test_support
