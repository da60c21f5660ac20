// The stand-in NPAPI browser as tests use it. It loads one page, runs the page's script in
// Duktape and the build's npVeltrin.so through its exports with a function table like QtWebKit's,
// all on a main thread of its own (page_engine/stand_in.h). Its identity (browser_identity.h)
// decides which of its hosts the plug-in runs.
//
//   test_support::StandInBrowser browser;
//   browser.loadPage(html, folder);
//   ASSERT_TRUE(browser.pumpUntil([&] { return !browser.consoleLines().empty(); }, 5s));
//   EXPECT_EQ(browser.evaluate("document.getElementById('player').Version").text, "1.0.0.1");
//   browser.shutdownPlugin();
//   EXPECT_EQ(browser.liveObjectCount(), 0u);
//   EXPECT_TRUE(browser.faults().empty());
#pragma once

#include "platform/window/win_surface_testing.h"
#include "tests/support/npapi_browser/browser_session.h"
#include "tests/support/page_engine/stand_in.h"

#include <thread>

namespace test_support {

class StandInBrowser : public StandIn<BrowserSession> {
public:
    explicit StandInBrowser(const BrowserIdentity& identity = plainBrowser()) {
        onMainThread([&](BrowserSession& session) { session.setIdentity(identity); });
    }
    // Calls the plug-in handed to NPN_PluginThreadAsyncCall that the browser's main thread has run.
    size_t asyncCallsRun() {
        return onMainThread([](BrowserSession& session) { return session.asyncCallsRun(); });
    }
    // NPP_New's answer (NPERR_INVALID_INSTANCE_ERROR before any).
    NPError instanceResult() {
        return onMainThread([](BrowserSession& session) { return session.instanceResult(); });
    }
    void pumpFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }
    HWND pluginWindow() {
        return onMainThread([](BrowserSession& session) -> HWND {
            return session.instance() ? session.instance()->pluginWindow() : nullptr;
        });
    }
    platform::testing::SurfacePixels pluginPixels() {
        return onMainThread([](BrowserSession& session) {
            return session.instance() ? platform::testing::readSurface(session.instance()->pluginWindow())
                                      : platform::testing::SurfacePixels{};
        });
    }
    void destroyInstance() {
        onMainThread([](BrowserSession& session) { session.destroyInstance(); });
    }
    // Destroys the instance, shuts the plug-in down (NP_Shutdown); the library stays loaded.
    void shutdownPlugin() {
        onMainThread([](BrowserSession& session) { session.shutdownPlugin(); });
    }
};

}  // namespace test_support
