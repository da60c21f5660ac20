#include "tests/support/host/test_browser_host.h"

#include "host/events/stream_events.h"

namespace test_support {

std::shared_ptr<TestBrowserHost> TestBrowserHost::create() {
    std::shared_ptr<TestBrowserHost> host(new TestBrowserHost());
    host->page.attach(host);
    host->element = host->page.makeObject();
    host->m_window = std::make_unique<FB::WinMessageWindow>();
    return host;
}

bool TestBrowserHost::postAsyncCall(FB::AsyncCallFunction fn, void* userData) {
    if (beforePost) beforePost();
    if (refusePosts) return false;
    return m_window->postCall(fn, userData);
}

FB::BrowserStreamPtr TestBrowserHost::createStreamImpl(const std::string& url, const FB::PluginEventSinkPtr& sink,
                                                       bool cache, bool seekable, uint32_t bufferSize) {
    if (refuseStreams) return {};
    auto stream = std::make_shared<TestStream>(url, cache, seekable, bufferSize);
    if (sink) stream->addObserver(sink);
    FB::StreamCreatedEvent created(stream.get());
    stream->broadcastEvent(&created);
    return stream;
}

FB::BrowserStreamPtr TestBrowserHost::createPostStreamImpl(const std::string& url, const FB::PluginEventSinkPtr& sink,
                                                           const std::string& postData, bool cache, bool seekable,
                                                           uint32_t bufferSize) {
    lastPostData = postData;
    return createStreamImpl(url, sink, cache, seekable, bufferSize);
}

}  // namespace test_support
