#include "tests/support/host/test_browser_host.h"

#include "host/stream_events.h"

namespace testsupport {

std::shared_ptr<TestBrowserHost> TestBrowserHost::create() {
    std::shared_ptr<TestBrowserHost> host(new TestBrowserHost());
    host->page.attach(host);
    host->element = host->page.makeObject();
    host->m_window = std::make_unique<FB::WinMessageWindow>();
    return host;
}

bool TestBrowserHost::postAsyncCall(FB::AsyncCallFunction fn, void* userData) {
    if (beforePost) beforePost();
    std::lock_guard<std::mutex> guard(m_windowLock);
    if (refusePosts || !m_window) return false;
    return m_window->postCall(fn, userData);
}

FB::BrowserStreamPtr TestBrowserHost::createPostStreamImpl(const std::string& url,
                                                           const FB::PluginEventSinkPtr& sink,
                                                           const std::string&, bool cache,
                                                           bool seekable, uint32_t bufferSize) {
    if (refuseStreams) return {};
    auto stream = std::make_shared<TestStream>(url, cache, seekable, bufferSize);
    if (sink) stream->addObserver(sink);
    FB::StreamCreatedEvent created(stream.get());
    stream->broadcastEvent(&created);
    return stream;
}

void TestBrowserHost::shutdown() {
    FB::BrowserHost::shutdown();
    std::lock_guard<std::mutex> guard(m_windowLock);
    m_window.reset();
}

}  // namespace testsupport
