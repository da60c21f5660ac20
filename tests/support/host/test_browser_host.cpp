#include "tests/support/host/test_browser_host.h"

#include "host/stream_events.h"
#include "platform/win_window_testing.h"

namespace testsupport {

std::shared_ptr<TestBrowserHost> TestBrowserHost::create() {
    std::shared_ptr<TestBrowserHost> host(new TestBrowserHost());
    host->page.attach(host);
    host->element = host->page.makeObject();
    host->m_window = std::make_unique<FB::WinMessageWindow>();
    return host;
}

TestBrowserHost::~TestBrowserHost() = default;

FB::DOM::DocumentPtr TestBrowserHost::documentObject() { return createDOMDocument(page.document); }
FB::DOM::WindowPtr TestBrowserHost::windowObject() { return createDOMWindow(page.window); }
FB::DOM::ElementPtr TestBrowserHost::elementObject() { return createDOMElement(element); }

void TestBrowserHost::runScriptText(const std::string& script) { page.runScript(script); }

bool TestBrowserHost::postAsyncCall(FB::AsyncCallFunction fn, void* userData) {
    std::lock_guard<std::mutex> guard(m_windowLock);
    if (refusePosts || !m_window) return false;
    return m_window->postCall(fn, userData);
}

FB::BrowserStreamPtr TestBrowserHost::createStreamImpl(const std::string& url,
                                                       const FB::PluginEventSinkPtr& sink, bool cache,
                                                       bool seekable, uint32_t bufferSize) {
    return createPostStreamImpl(url, sink, std::string(), cache, seekable, bufferSize);
}

FB::BrowserStreamPtr TestBrowserHost::createPostStreamImpl(const std::string& url,
                                                           const FB::PluginEventSinkPtr& sink,
                                                           const std::string& postData, bool cache,
                                                           bool seekable, uint32_t bufferSize) {
    if (refuseStreams) return {};
    auto stream = std::make_shared<TestStream>(url, cache, seekable, bufferSize);
    stream->postData = postData;
    if (sink) stream->addObserver(sink);
    FB::StreamCreatedEvent created(stream.get());
    stream->broadcastEvent(&created);
    lastStream = stream;
    return stream;
}

void TestBrowserHost::shutdown() {
    FB::BrowserHost::shutdown();
    std::lock_guard<std::mutex> guard(m_windowLock);
    m_window.reset();
}

int TestBrowserHost::pump() { return platform::testing::pumpPendingMessages(); }

HWND TestBrowserHost::messageWindow() {
    std::lock_guard<std::mutex> guard(m_windowLock);
    return m_window ? m_window->getHWND() : nullptr;
}

}  // namespace testsupport
