// The browser host of the host tests: the thread that makes it is the main thread, which the test
// pumps by hand; main-thread calls travel as message 1025 to its own hidden message window, which
// lives as long as the host, as in the NPAPI binding. Its page is the stand-in page, its streams
// are driven by the test.
#pragma once

#include "host/browser_host.h"
#include "host/win_message_window.h"
#include "platform/window/win_window_testing.h"
#include "tests/support/host/fake_page.h"
#include "tests/support/host/test_stream.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace test_support {

class TestBrowserHost : public FB::BrowserHost {
public:
    static std::shared_ptr<TestBrowserHost> create();
    // A host the test left running is shut down as it goes.
    ~TestBrowserHost() override {
        if (!isShutDown()) shutdown();
    }

    void* getBrowserContext() override { return this; }
    FB::DOM::DocumentPtr documentObject() override { return createDOMDocument(page.document); }
    FB::DOM::WindowPtr windowObject() override { return createDOMWindow(page.window); }
    FB::DOM::ElementPtr elementObject() override { return createDOMElement(element); }
    void runScriptText(const std::string& script) override { page.runScript(script); }
    using FB::BrowserHost::runScriptText;
    void releaseDeferredObjects() override { ++releaseDeferredCount; }
    bool postAsyncCall(FB::AsyncCallFunction fn, void* userData) override;
    FB::BrowserStreamPtr createStreamImpl(const std::string& url, const FB::PluginEventSinkPtr& sink, bool cache,
                                          bool seekable, uint32_t bufferSize) override;
    FB::BrowserStreamPtr createPostStreamImpl(const std::string& url, const FB::PluginEventSinkPtr& sink,
                                              const std::string& postData, bool cache, bool seekable,
                                              uint32_t bufferSize) override;
    HWND messageWindow() const { return m_window->getHWND(); }
    // Streams the host's manager keeps until they complete.
    size_t retainedStreams() const {
        auto manager = streamManager();
        return manager ? manager->retainedCount() : 0;
    }

    // Runs on this (main) thread every message waiting now; answers how many ran.
    static int pump() { return platform::testing::pumpPendingMessages(); }

    FakePage page;
    FakePageObjectPtr element;
    std::atomic<bool> refusePosts{false};
    // Runs in postAsyncCall, on the posting thread, before the post is made or refused.
    std::function<void()> beforePost;
    std::atomic<int> releaseDeferredCount{0};
    bool refuseStreams = false;
    std::string lastPostData;  // what the binding was given to send with the last stream

private:
    TestBrowserHost() = default;

    std::unique_ptr<FB::WinMessageWindow> m_window;
};

}  // namespace test_support
